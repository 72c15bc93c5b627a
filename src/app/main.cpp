// The program's entry point.
#include "app/exportcommand.h"
#include "app/programpaths.h"
#include "app/publishcommand.h"
#include "app/shell.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"
#include "tools/ui/previewscheme.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    // Under a file-size limit a save fails with a message instead of ending the program
    // with the edits unsaved and a temporary file left behind.
    velloran::CatchFileSizeSignal();
    // Export runs before the application object exists, so it needs no display and
    // never meets a running instance. The program without Qt does it when it is there:
    // the memory Qt takes at start-up would otherwise weigh on a large file's export.
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    if (velloran::IsExportCommand(args)) {
        for (const std::string& helper : {velloran::ProgramDir() + "velloran_export",
                                          std::string(VELLORAN_LIBEXECDIR "/velloran_export")})
            ::execv(helper.c_str(), argv); // returns only when it cannot run
        return *velloran::RunExportCommand(args, std::cout, std::cerr);
    }
    const velloran::ProgramPaths paths = velloran::CurrentProgramPaths();
    if (const auto status = velloran::RunPublishCommand(
            args, std::cout, std::cerr, velloran::ConfigDir() + "servers.ini", paths.iniFileName))
        return *status;
    velloran::PrepareWebEngine();
    return velloran::RunVelloran(argc, argv);
}
