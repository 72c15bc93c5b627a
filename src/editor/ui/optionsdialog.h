// The editor options dialog: edits one highlighting parser's options, styles, font and
// keys on the live parser with a preview, and restores it exactly on Cancel.
#pragma once

#include "editor/parseroptions.h"

#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QFrame;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace velloran {

class TCodeMemo;

// A box that takes the next key pressed in it as a shortcut stroke, Backspace, Tab and
// Delete included.
class THotKeyBox : public QLineEdit {
    Q_OBJECT

public:
    THotKeyBox(bool modifiersAllowed, QWidget* parent = nullptr);
    [[nodiscard]] std::uint16_t shortcut() const noexcept { return m_capture.shortcut(); }
    void setShortcut(std::uint16_t shortcut);

signals:
    void changed();
    void left();

protected:
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    HotKeyCapture m_capture;
};

class TOptionsDialog : public QDialog {
    Q_OBJECT

public:
    // The backups are taken here; the parser must outlive the dialog.
    explicit TOptionsDialog(TCodeMemoParser& parser, QWidget* parent = nullptr);
    ~TOptionsDialog() override;

    // Shows the dialog modally; true for OK.
    bool Execute();

    // The colour dialog and the message box; tests answer them instead.
    std::function<std::optional<Color>(Color current)> chooseColor;
    std::function<void(const QString& text)> showMessage;

    [[nodiscard]] TCodeMemo* preview() const noexcept { return m_preview; }
    [[nodiscard]] QTabWidget* pages() const noexcept { return m_pages; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildOptionsPage();
    QWidget* buildHighlightingPage();
    QWidget* buildKeysPage();
    using NumberSetter = int (ParserOptionsSession::*)(std::string_view);
    // The gutter and right margin: every change is checked against 0-199.
    QLineEdit* marginBox(const char* name, NumberSetter set);
    // The wrap column and indent step: digits only, taken on leaving the box.
    QLineEdit* numberBox(const char* name, NumberSetter set);
    QFrame* colorRow(QWidget* page, const char* panel, const QString& caption,
                     const std::function<void(Color)>& set);
    void refreshPreview();
    void showOptions();
    void showElement(int element);
    void pickColor(QFrame* panel, const std::function<void(Color)>& set);
    void setPanelColor(QFrame* panel, Color color);
    void fillKeyList();
    void showCommand(int command);
    void storeKeys();
    [[nodiscard]] int currentElement() const;

    ParserOptionsSession m_session;
    TCodeMemo* m_preview = nullptr;
    QTabWidget* m_pages = nullptr;
    QListWidget* m_elements = nullptr;
    QCheckBox* m_bold = nullptr;
    QCheckBox* m_italic = nullptr;
    QCheckBox* m_underline = nullptr;
    QFrame* m_fgPanel = nullptr;
    QFrame* m_bgPanel = nullptr;
    QPushButton* m_bgDefault = nullptr;
    QFontComboBox* m_fontName = nullptr;
    QComboBox* m_fontSize = nullptr;
    QListWidget* m_keyList = nullptr;
    THotKeyBox* m_hotKey1 = nullptr;
    THotKeyBox* m_hotKey2 = nullptr;
    QLineEdit* m_currentCommand = nullptr;
    bool m_filling = false;
};

// Runs the dialog for a parser and, on OK, has every editor using it take it again.
// Its refusals go to `showMessage` when one is given, else to a message box.
bool ModifyProperties(TCodeMemoParser& parser, QWidget* parent,
                      const std::function<void(const QString& text)>& showMessage = {});

// Every editor control whose active parser is this one takes its look again.
void ReapplyParser(const TCodeMemoParser& parser);

} // namespace velloran
