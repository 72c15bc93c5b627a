// The running program's paths.
#include "app/programpaths.h"

#include "platform/paths.h"

namespace velloran {

ProgramPaths CurrentProgramPaths() {
    return {ProgramDir(), ConfigDir() + SettingsFileNameFor(ProgramName()), {VELLORAN_DATADIR}};
}

} // namespace velloran
