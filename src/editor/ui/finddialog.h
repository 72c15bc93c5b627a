// The editor control's own find and replace dialogs: modeless windows that search the
// control's model and report through the control's message hooks.
#pragma once

#include "editor/editmodel.h"
#include "platform/prompter.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>

class QBoxLayout;
class QCheckBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace velloran {

class TCodeMemo;

// The default answers of the control's hooks: message boxes over `parent`.
[[nodiscard]] ReplaceAnswer AskReplaceInMessageBox(QWidget* parent, const QString& question);
void ShowMessageBox(QWidget* parent, MessageKind kind, const QString& text);

class TFindDialog : public QDialog {
    Q_OBJECT

public:
    explicit TFindDialog(TCodeMemo& memo);

    // Takes the match bits of `options` and the selection, then shows the dialog.
    void present(unsigned options);
    // The match bits the check boxes give (kSearchNow not included).
    [[nodiscard]] unsigned searchOptions() const;
    // Searches on from the selection; true when a match is selected. Says why not.
    bool findNext();

    [[nodiscard]] QLineEdit* findEdit() const noexcept { return m_find; }
    [[nodiscard]] QCheckBox* matchCaseBox() const noexcept { return m_matchCase; }
    [[nodiscard]] QCheckBox* wholeWordsBox() const noexcept { return m_wholeWords; }
    [[nodiscard]] QCheckBox* regexBox() const noexcept { return m_regex; }
    [[nodiscard]] QPushButton* findNextButton() const noexcept { return m_findNext; }
    [[nodiscard]] QPushButton* closeButton() const noexcept { return m_close; }

protected:
    TFindDialog(TCodeMemo& memo, const QString& title);

    [[nodiscard]] TCodeMemo& memo() const noexcept { return m_memo; }
    [[nodiscard]] QFormLayout* fields() const noexcept { return m_fields; }
    // Inserts a button above Close.
    void addButton(QPushButton* button);
    [[nodiscard]] std::string documentText(const QString& text) const;
    // Runs a search step; a pattern that does not compile becomes a warning. False then.
    bool guarded(const std::function<void()>& step);
    virtual void updateButtons();

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void build();
    [[nodiscard]] QString selectionSuggestion() const;
    // Found or not; nothing when a warning was shown instead.
    std::optional<bool> searchOnce(Position& position);

    TCodeMemo& m_memo;
    QFormLayout* m_fields = nullptr;
    QBoxLayout* m_buttons = nullptr;
    QLineEdit* m_find = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QCheckBox* m_wholeWords = nullptr;
    QCheckBox* m_regex = nullptr;
    QPushButton* m_findNext = nullptr;
    QPushButton* m_close = nullptr;
    // The control's own setting, while the dialog shows the selection regardless.
    bool m_savedHideSelection = true;
};

class TReplaceDialog : public TFindDialog {
    Q_OBJECT

public:
    explicit TReplaceDialog(TCodeMemo& memo);

    // Replaces from the selection on, asking before each until "Yes to All"; reports
    // and returns the count, or -1 when the pattern did not compile.
    int replaceAll();

    [[nodiscard]] QLineEdit* replaceEdit() const noexcept { return m_replace; }
    [[nodiscard]] QPushButton* replaceAllButton() const noexcept { return m_replaceAll; }

protected:
    void updateButtons() override;

private:
    [[nodiscard]] ReplaceAnswer ask(const std::string& question);

    QLineEdit* m_replace = nullptr;
    QPushButton* m_replaceAll = nullptr;
};

} // namespace velloran
