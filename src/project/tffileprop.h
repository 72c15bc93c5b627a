// The "File Properties" dialog: a project entry's name, path, web location and state.
#pragma once

#include "platform/prompter.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace velloran {

class TfFileProp : public QDialog {
    Q_OBJECT
public:
    // `openDialog` is the shell's shared open dialog that Browse runs.
    TfFileProp(Prompter& prompter, const FileRequest& openDialog, QWidget* parent = nullptr);

    QLineEdit* enodename = nullptr;
    QLineEdit* eFileInfo = nullptr;
    QPushButton* bbBrowse = nullptr;
    QLineEdit* eWebLocation = nullptr;
    QComboBox* cbstate = nullptr; // "Checked In" 0, "Checked Out" 1
    QPushButton* bbOK = nullptr;
    QPushButton* bbCancel = nullptr;
    // Set by any change of the fields after the caller has filled them and cleared it.
    bool Modified = false;

private:
    void bbBrowseClick();

    Prompter& m_prompter;
    FileRequest m_openDialog;
};

} // namespace velloran
