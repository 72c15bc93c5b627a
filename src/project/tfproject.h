// The project manager window. It opens a project by name and keeps the recent-project
// list and the current folder in step; the folder tree and file list grow here.
#pragma once

#include <QWidget>
#include <string>

namespace velloran {

struct AppState;
class Prompter;

class Tfproject : public QWidget {
public:
    Tfproject(AppState& state, Prompter& prompter);

    // Opens the project file `name`. A missing file is reported and leaves the
    // recent list; the open project, if any, stays.
    void OpenProject(const std::string& name);

private:
    AppState& m_state;
    Prompter& m_prompter;
};

} // namespace velloran
