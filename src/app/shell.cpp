// Start-up in its fixed order: hand-over or splash, data module, main window, project
// window, then the event loop.
#include "app/shell.h"

#include "app/datamodule.h"
#include "app/mainwindow.h"
#include "app/splash.h"
#include "app/startup.h"
#include "platform/qt/application.h"
#include "platform/qt/qtmainthread.h"
#include "platform/qt/qtprompter.h"
#include "platform/qt/singleinstance.h"
#include "project/tfproject.h"

#include <QDir>
#include <QIcon>
#include <cstdio>
#include <memory>

namespace velloran {

namespace {

std::vector<std::string> parametersOf(int argc, char** argv) {
    std::vector<std::string> parameters;
    for (int i = 1; i < argc; ++i)
        parameters.emplace_back(argv[i]);
    return parameters;
}

int handOver(SingleInstance& instance, const std::vector<std::string>& parameters) {
    const std::string text = HandoverText(parameters, QDir::currentPath().toStdString());
    if (instance.handOver(QByteArray::fromStdString(text)))
        return 0;
    // Never a second main window behind the first one's back: it may come to life later.
    std::fprintf(stderr, "velloran: The running Velloran does not answer.\n");
    return 1;
}

// The splash goes on the next pass of the event loop, whatever happened before.
struct SplashGuard {
    TfSplash* splash;
    ~SplashGuard() { splash->close(); }
};

} // namespace

int RunVelloran(int argc, char** argv) {
    VelloranApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velloran"));
    QApplication::setDesktopFileName(QStringLiteral("velloran"));
    const std::vector<std::string> parameters = parametersOf(argc, argv);

    SingleInstance instance;
    const SingleInstance::Role role = instance.claim();
    if (!instance.warning().isEmpty())
        std::fprintf(stderr, "velloran: %s%s\n", qPrintable(instance.warning()),
                     role == SingleInstance::Role::Failed
                         ? "; this start runs on its own, without taking hand-overs"
                         : "");
    if (role == SingleInstance::Role::Second)
        return handOver(instance, parameters);

    auto* splash = new TfSplash;
    splash->show();
    splash->repaint();
    QApplication::processEvents();
    std::unique_ptr<Tdm1> dm1;
    std::unique_ptr<TfEditor> editor;
    QtMainThread mainThread;
    std::unique_ptr<Tfproject> project;
    QtPrompter prompter;
    {
        const SplashGuard splashGuard{splash};
        QApplication::setApplicationDisplayName(QStringLiteral("Velloran"));
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("velloran")));
        dm1 = std::make_unique<Tdm1>(CurrentProgramPaths());
        // Only the first parameter counts; made absolute now, because opening a
        // project changes the current folder.
        std::vector<std::string> absolute;
        if (!parameters.empty())
            absolute.push_back(AbsoluteName(parameters.front(), QDir::currentPath().toStdString()));
        editor = std::make_unique<TfEditor>(*dm1, prompter, absolute);
        prompter.setParent(editor.get());
        project = std::make_unique<Tfproject>(dm1->projectSession(), prompter, mainThread,
                                              dm1->OpenDialog1);
        editor->setProjectWindow(project.get());
    }
    QObject::connect(&instance, &SingleInstance::commandLineReceived, editor.get(),
                     &TfEditor::receiveCommandLine);
    QObject::connect(&instance, &SingleInstance::activationRequested, editor.get(),
                     &TfEditor::bringToFront);
    instance.serve();
    editor->show();
    return QApplication::exec();
}

} // namespace velloran
