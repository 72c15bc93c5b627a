// The main window's "Configure Screen..." command: the configuration dialog, made for
// one use.
#include "app/datamodule.h"
#include "app/mainwindow.h"
#include "platform/paths.h"
#include "programs/freedesktopregistry.h"
#include "programs/ui/tfconfigure.h"

namespace velloran {

void TfEditor::sbConfigureClick() {
    TfConfigure fConfigure(m_dm.state.iniFileName, programs::DataHomeDir(),
                           ProgramDir() + ProgramName(), m_prompter, this);
    execDialog(fConfigure);
}

} // namespace velloran
