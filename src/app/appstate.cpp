// Recent-project list upkeep shared by every way a project is opened or saved.
#include "app/appstate.h"

#include <algorithm>

namespace velloran {

void ForgetRecentProject(AppState& state, const std::string& name) {
    auto& list = state.recentProjects;
    // Names that differ in letter case are different files here.
    const auto it = std::find(list.begin(), list.end(), name);
    if (it != list.end())
        list.erase(it);
}

void PromoteRecentProject(AppState& state, const std::string& name) {
    ForgetRecentProject(state, name);
    state.recentProjects.insert(state.recentProjects.begin(), name);
}

} // namespace velloran
