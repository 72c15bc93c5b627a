// One instance per user, with real second processes of the program.
#include "app/datamodule.h"
#include "app/editorentry.h"
#include "app/mainwindow.h"
#include "guitest.h"
#include "platform/prompter.h"
#include "platform/qt/singleinstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace velloran;

namespace {

const QString kProgram = QStringLiteral(VELLORAN_BIN_DIR "/velloran");

// Runs the program to its end while this process keeps serving events.
int runSecondInstance(const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(kProgram, arguments);
    if (!process.waitForStarted())
        return -1;
    if (!waitFor([&] { return process.state() == QProcess::NotRunning; }, 20000)) {
        process.kill();
        process.waitForFinished();
        return -2;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
}

class FirstInstanceTest : public ::testing::Test {
protected:
    FirstInstanceTest()
        : dm({std::string(VELLORAN_BIN_DIR) + "/", dir.filePath("v.ini").toStdString(), {}}),
          editor(dm, prompter, {}) {
        EXPECT_EQ(instance.claim(), SingleInstance::Role::First);
        QObject::connect(&instance, &SingleInstance::commandLineReceived, &editor,
                         &TfEditor::receiveCommandLine);
        QObject::connect(&instance, &SingleInstance::activationRequested, &editor,
                         &TfEditor::bringToFront);
        instance.serve();
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    Tdm1 dm;
    TfEditor editor;
    SingleInstance instance;
};

} // namespace

TEST_F(FirstInstanceTest, SecondStartHandsItsSplitFileNameOverAndEnds) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("My Site"));
    const QString page = dir.filePath("My Site/index.htm");
    writeBytes(page, "<HTML></HTML>\r\n");

    // Only this user may talk to the running instance.
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                        QFileDevice::WriteOther;
    EXPECT_FALSE(QFile::permissions(instance.serverPath()) & others);

    EXPECT_EQ(runSecondInstance({dir.filePath("My"), "Site/index.htm"}), 0);
    // The second only ends once the file is open.
    ASSERT_EQ(editor.documentTabCount(), 1);
    EXPECT_EQ(editor.CurrentEntry()->FileName, page.toStdString());
}

TEST_F(FirstInstanceTest, SecondStartWithoutParametersOnlyRaisesTheFirst) {
    editor.showMinimized();
    ASSERT_TRUE(waitFor([&] { return editor.isMinimized(); }));
    EXPECT_EQ(runSecondInstance({}), 0);
    EXPECT_TRUE(waitFor([&] { return !editor.isMinimized(); }));
    EXPECT_EQ(editor.documentTabCount(), 0);
}

TEST(SingleInstance, ASocketLeftByAKilledInstanceIsTakenOver) {
    QProcess crashed;
    crashed.setProcessChannelMode(QProcess::ForwardedChannels);
    crashed.start(kProgram, {});
    ASSERT_TRUE(crashed.waitForStarted());
    const QString socket = SingleInstance::DefaultServerPath();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(socket); }));
    ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
    crashed.waitForFinished();
    ASSERT_TRUE(QFileInfo::exists(socket)); // left behind

    QProcess next;
    next.setProcessChannelMode(QProcess::ForwardedChannels);
    next.start(kProgram, {});
    ASSERT_TRUE(next.waitForStarted());
    // Only once it listens may the third start, or the third could become the first.
    ASSERT_TRUE(waitFor([&] {
        QLocalSocket probe;
        probe.connectToServer(socket);
        return probe.waitForConnected(100);
    }));
    // A third start is only acknowledged by a running first instance.
    QTemporaryDir dir;
    const QString page = dir.filePath("a.htm");
    writeBytes(page, "x");
    EXPECT_EQ(runSecondInstance({page}), 0);
    EXPECT_EQ(next.state(), QProcess::Running);
    next.kill();
    next.waitForFinished();
}
