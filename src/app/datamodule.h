// The data module: application-wide state, the settings file name and the common
// dialogs' fixed settings that every window shares.
#pragma once

#include "app/appstate.h"
#include "app/programpaths.h"
#include "app/settings.h"
#include "platform/prompter.h"
#include "project/projectfile.h"

#include <string>
#include <vector>

namespace velloran {

class Tdm1 {
public:
    explicit Tdm1(const ProgramPaths& paths);

    AppState state;
    Settings settings;
    std::vector<std::string> dataDirs;
    FileRequest OpenDialog1;
    FileRequest SaveDialog1;

    // The part of `state` that the project window shares.
    [[nodiscard]] ProjectSession projectSession() {
        return {state.projectFileName, state.recentProjects, state.bulkUpdate};
    }

    // The tutorial project's full name, or empty when it is not installed.
    [[nodiscard]] std::string tutorialProject() const;

    // The colour dialog's custom colours, to and from the entries the settings keep.
    void applyCustomColors() const;
    void collectCustomColors();
};

} // namespace velloran
