// Opening a project: the checks, the recent list and the current folder.
#include "project/tfproject.h"

#include "app/appstate.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"
#include "platform/prompter.h"

#include <QDir>

namespace velloran {

Tfproject::Tfproject(AppState& state, Prompter& prompter)
    : QWidget(nullptr, Qt::Window), m_state(state), m_prompter(prompter) {
    setObjectName(QStringLiteral("Tfproject"));
    setWindowTitle(QStringLiteral("Project Manager"));
    resize(320, 480);
}

void Tfproject::OpenProject(const std::string& name) {
    if (!FileExists(name)) {
        m_prompter.message(MessageKind::Error, "Unable to locate project \"" + name + "\".",
                           Buttons::Ok);
        ForgetRecentProject(m_state, name);
        return;
    }
    BusyCursor busy(m_prompter);
    m_state.projectFileName = name;
    PromoteRecentProject(m_state, name);
    // Relative entries of the project resolve against its folder.
    QDir::setCurrent(QString::fromStdString(ExtractFilePath(name)));
    setWindowTitle(QStringLiteral("Project Manager [") +
                   QString::fromStdString(ExtractFileName(name)) + QLatin1Char(']'));
}

} // namespace velloran
