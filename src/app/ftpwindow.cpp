// The main window's side of the FTP window: at most one, made on first use and brought
// forward afterwards.
#include "app/datamodule.h"
#include "app/mainwindow.h"
#include "ftp/ftpwindowrules.h"
#include "platform/paths.h"

namespace velloran {

void TfEditor::sbFTPClick() {
    if (fFTP == nullptr) {
        fFTP = new TfFTP(m_prompter, m_dm.state.iniFileName, ConfigDir() + kServersFileName, this);
        fFTP->show();
        return;
    }
    if (fFTP->isMinimized())
        fFTP->setWindowState(fFTP->windowState() & ~Qt::WindowMinimized);
    fFTP->show();
    fFTP->raise();
    fFTP->activateWindow();
}

TfFTP* TfEditor::ftpWindow() const {
    return fFTP;
}

} // namespace velloran
