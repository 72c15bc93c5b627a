// The command-line publish: "--publish PROJECT.vpr [--dry-run]" sends what changed in a
// project to its server with no window, for scripts.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velloran {

// `args` are the parameters after the program name; nullopt when they hold no
// "--publish". Otherwise the exit status: 0 when everything went up (or, with
// "--dry-run", after listing what would), 1 when the publish failed, 2 for a usage
// error. One line per file goes to `out`, errors to `err`. `serversFile` and
// `settingsFile` are the profile and settings files to read.
[[nodiscard]] std::optional<int> RunPublishCommand(const std::vector<std::string>& args,
                                                   std::ostream& out, std::ostream& err,
                                                   const std::string& serversFile,
                                                   const std::string& settingsFile);

} // namespace velloran
