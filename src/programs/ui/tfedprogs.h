// The "Programs" dialog: edits the list of external programs the Programs menu offers.
#pragma once

#include "programs/programlist.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace velloran {

class IniFile;
class Prompter;

class Tfedprogs : public QDialog {
    Q_OBJECT
public:
    // Reads the list from `settings`; Done writes it there and saves the file. The
    // settings object must outlive the dialog.
    Tfedprogs(IniFile& settings, Prompter& prompter, QWidget* parent = nullptr);

    QListWidget* lbPrograms = nullptr;
    QPushButton* bbNewProg = nullptr;
    QPushButton* bbDelProg = nullptr;
    QLineEdit* eProgName = nullptr;
    QLineEdit* eProgPath = nullptr;
    QPushButton* bbupdate = nullptr;
    QPushButton* bbclear = nullptr;
    QPushButton* bbbrowse = nullptr;
    QPushButton* bbDone = nullptr;
    QPushButton* bbCancel = nullptr;

    void lbProgramsClick();
    void bbNewProgClick();
    void bbDelProgClick();
    void bbupdateClick();
    void bbclearClick();
    void bbbrowseClick();
    void bbDoneClick();

    [[nodiscard]] const std::vector<programs::Program>& programList() const noexcept {
        return m_programs;
    }

private:
    void show(int index);
    void setEditable(bool editable);
    void setPending(bool pending);

    IniFile& m_settings;
    Prompter& m_prompter;
    std::vector<programs::Program> m_programs;
    int m_index = -1;
    bool m_loading = false;
};

} // namespace velloran
