// The prompter that asks the user through real Qt dialogs.
#pragma once

#include "platform/prompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QString>

class QWidget;

namespace velloran {

// Turns "Name|*.a; *.b|Other|*.c" into Qt's "Name (*.a *.b);;Other (*.c)".
[[nodiscard]] QString QtFilterFromPipes(const std::string& filter);
// Message texts keep their CR or CR LF line breaks; the dialogs want LF.
[[nodiscard]] QString DisplayText(const std::string& text);

// The message box icon that goes with a kind of message.
[[nodiscard]] QMessageBox::Icon MessageBoxIcon(MessageKind kind);

class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    Answer message(MessageKind kind, const std::string& text, Buttons buttons) override;
    std::optional<std::string> openFile(const FileRequest& request) override;
    std::optional<std::string> saveFile(const FileRequest& request) override;
    std::vector<std::string> openFiles(const FileRequest& request) override;
    std::optional<std::string> inputText(const std::string& title, const std::string& prompt,
                                         const std::string& initial) override;
    void setBusy(bool busy) override;

private:
    std::optional<QStringList> runFileDialog(const FileRequest& request,
                                             QFileDialog::FileMode mode);

    QWidget* m_parent;
};

} // namespace velloran
