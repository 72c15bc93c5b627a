// The application-wide state that lives from start-up to exit.
#pragma once

#include <string>
#include <vector>

namespace velloran {

struct AppState {
    std::string appDir;                      // the program's folder, ending in "/"
    std::string iniFileName;                 // the settings file's full name
    std::vector<std::string> recentProjects; // most recent first
    std::string projectFileName;             // empty while no project has a file
    std::string currentUserList;
    std::vector<std::string> userTagShortcuts;
    bool bulkUpdate = false;
    std::string layoutSuffix;
};

// Holds a flag such as BulkUpdate or Saving for one scope, also when the scope ends
// by an exception.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag, bool value = true) : m_flag(flag) { m_flag = value; }
    ~ScopedFlag() { m_flag = false; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& m_flag;
};

// Puts `name` at the top of the recent list, removing its earlier entry.
void PromoteRecentProject(AppState& state, const std::string& name);
// Removes the entry equal to `name`.
void ForgetRecentProject(AppState& state, const std::string& name);

} // namespace velloran
