// The "User Tags" dialog: browses the tags of the current list file and adds, edits,
// renames and deletes them, or switches to another list file.
#pragma once

#include "platform/prompter.h"
#include "tags/usertags.h"

#include <QDialog>
#include <optional>
#include <string>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velloran {

class TfUserTags : public QDialog {
    Q_OBJECT

public:
    // `currentList` is the shell's current list file; Open User List changes it.
    // `listFolder` is where the list file dialog starts.
    TfUserTags(std::string& currentList, Prompter& prompter, std::string listFolder,
               QWidget* parent = nullptr);

    // Selects the name equal to `name` ignoring case, if there is one, and shows it.
    void selectName(const QString& name);
    // Whether Post, Delete or Open User List changed what the main window lists.
    [[nodiscard]] bool changed() const noexcept { return m_changed; }
    [[nodiscard]] bool editing() const noexcept { return m_editing; }

    QComboBox* cbName = nullptr;
    QComboBox* cbShortcut = nullptr;
    QLineEdit* eName = nullptr;
    QLineEdit* eShortcut = nullptr;
    QPlainTextEdit* mDescription = nullptr;
    QPlainTextEdit* mTag = nullptr;
    QPushButton* bbseltext = nullptr;
    QPushButton* bbAdd = nullptr;
    QPushButton* bbEdit = nullptr;
    QPushButton* bbDelete = nullptr;
    QPushButton* bbPost = nullptr;
    QPushButton* bbCancel = nullptr;
    QPushButton* bbOpenList = nullptr;
    QPushButton* bbOK = nullptr;

    // The filter of the list file dialog.
    static constexpr const char* kListFilter = "Velloran User File (*.vul)|*.vul";

public slots:
    // Done: asks before abandoning an unposted edit.
    void done(int result) override;

private:
    void buildControls();
    QPushButton* button(const QString& caption);
    void loadList();
    void showSelected();
    void cbShortcutChange(int index);
    void setEditMode(bool editing);
    void bbAddClick();
    void bbEditClick();
    void bbPostClick();
    void bbCancelClick();
    void bbDeleteClick();
    void bbOpenListClick();
    void bbseltextClick();
    // Where a new list is written when none is open; false when the user declined.
    bool ensureListFile();
    void report(const std::exception& error);

    std::string& m_currentList;
    Prompter& m_prompter;
    std::string m_listFolder;
    std::optional<UserTagList> m_list;
    bool m_editing = false;
    std::string m_editName;
    bool m_changed = false;
};

} // namespace velloran
