// The export mode as a program of its own, without Qt: the main program hands
// "--export" over to it, so that none of the libraries' start-up memory weighs on the
// export of a large file.
#include "app/exportcommand.h"
#include "platform/atomicfile.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    velloran::CatchFileSizeSignal();
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    if (const auto status = velloran::RunExportCommand(args, std::cout, std::cerr))
        return *status;
    std::cerr << "velloran: usage: velloran --export=text|rtf|html FILE\n";
    return velloran::kExitUsageError;
}
