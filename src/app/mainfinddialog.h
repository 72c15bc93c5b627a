// The main window's shared find dialog: a modeless window with the find text and the
// match-case and whole-word options, searching downward; its Find Next button asks the
// window to search the current document.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace velloran {

class TMainFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TMainFindDialog(QWidget* parent);

    [[nodiscard]] std::string findText() const;
    void setFindText(const std::string& text);
    [[nodiscard]] bool matchCase() const;
    [[nodiscard]] bool wholeWord() const;

    QLineEdit* eFind = nullptr;
    QCheckBox* cbMatchCase = nullptr;
    QCheckBox* cbWholeWord = nullptr;
    QPushButton* bbFindNext = nullptr;

signals:
    void find();
};

} // namespace velloran
