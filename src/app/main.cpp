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
#include <vector>

int main(int argc, char** argv) {
    // Under a file-size limit a save fails with a message instead of ending the program
    // with the edits unsaved and a temporary file left behind.
    velloran::CatchFileSizeSignal();
    // Export runs before the application object exists, so it needs no display and
    // never meets a running instance.
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    if (const auto status = velloran::RunExportCommand(args, std::cout, std::cerr))
        return *status;
    const velloran::ProgramPaths paths = velloran::CurrentProgramPaths();
    if (const auto status = velloran::RunPublishCommand(
            args, std::cout, std::cerr, velloran::ConfigDir() + "servers.ini", paths.iniFileName))
        return *status;
    velloran::PrepareWebEngine();
    return velloran::RunVelloran(argc, argv);
}
