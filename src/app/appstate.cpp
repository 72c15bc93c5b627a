// Recent-project list upkeep shared by every way a project is opened or saved.
#include "app/appstate.h"

#include "platform/paths.h"

#include <algorithm>

namespace velloran {

void ForgetRecentProject(AppState& state, const std::string& name) {
    auto& list = state.recentProjects;
    const auto it = std::find_if(list.begin(), list.end(), [&](const std::string& entry) {
        return SameTextAscii(entry, name);
    });
    if (it != list.end())
        list.erase(it);
}

void PromoteRecentProject(AppState& state, const std::string& name) {
    ForgetRecentProject(state, name);
    state.recentProjects.insert(state.recentProjects.begin(), name);
}

} // namespace velloran
