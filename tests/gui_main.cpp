// Runs the widget tests inside a real application object, with settings and runtime
// folders of their own so that no test touches a user's files.
#include "platform/qt/application.h"
#include "tools/ui/previewscheme.h"

#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir config;
    QTemporaryDir runtime; // created 0700, as the runtime folder must be
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    velloran::PrepareWebEngine(); // before the application object, as the engine needs
    velloran::VelloranApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
