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
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace velloran;

namespace {

const QString kProgram = QStringLiteral(VELLORAN_BIN_DIR "/velloran");

struct Ended {
    int status; // negative: did not start, had to be killed, or crashed
    QByteArray errors;
};

// Runs the program to its end while this process keeps serving events; the time limit
// is only a safety net for a start that would otherwise hang the test run.
Ended runToEnd(const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(kProgram, arguments);
    if (!process.waitForStarted())
        return {-1, {}};
    if (!waitFor([&] { return process.state() == QProcess::NotRunning; }, 60000)) {
        process.kill();
        process.waitForFinished();
        return {-2, process.readAllStandardError()};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3,
            process.readAllStandardError()};
}

int runSecondInstance(const QStringList& arguments) {
    return runToEnd(arguments).status;
}

bool listens(const QString& socket) {
    QLocalSocket probe;
    probe.connectToServer(socket);
    return probe.waitForConnected(100);
}

// Starts the program as the first instance and returns once it takes connections, so
// that a later start cannot become the first as well.
bool startFirst(QProcess& process, const QString& socket,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(kProgram, {});
    return process.waitForStarted() && waitFor([&] { return listens(socket); }, 60000);
}

void stop(QProcess& process) {
    process.kill();
    process.waitForFinished();
}

// Sockets of another user (nobody) in a child process, which afterwards tells what
// reached them. Needs root.
class ForeignListener {
public:
    // `folders` are made by that user first. With `bindAsRoot` the socket files are
    // made before the user changes, so that they can lie in a folder only root may
    // write to; the listening, which is what a client sees, is still that user's.
    ForeignListener(const std::vector<std::string>& folders,
                    const std::vector<std::string>& sockets, bool bindAsRoot = false) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(m_command) != 0 || pipe(m_report) != 0)
            return;
        m_child = fork();
        if (m_child == 0)
            serve(folders, sockets, bindAsRoot, ready[1]);
        close(ready[1]);
        char byte = 0;
        m_ready = read(ready[0], &byte, 1) == 1;
        close(ready[0]);
    }
    ~ForeignListener() {
        if (m_child > 0) {
            kill(m_child, SIGKILL);
            waitpid(m_child, nullptr, 0);
        }
    }
    [[nodiscard]] bool ready() const { return m_ready; }

    // Connections made to any of the sockets so far, and the bytes sent over them.
    std::pair<int, int> reached() {
        const char go = 'g';
        int counts[2] = {-1, -1};
        if (write(m_command[1], &go, 1) != 1 ||
            read(m_report[0], counts, sizeof counts) != sizeof counts)
            return {-1, -1};
        return {counts[0], counts[1]};
    }

private:
    [[noreturn]] void serve(const std::vector<std::string>& folders,
                            const std::vector<std::string>& sockets, bool bindAsRoot, int ready) {
        const auto becomeNobody = [] {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(1);
        };
        if (!bindAsRoot)
            becomeNobody();
        for (const auto& folder : folders)
            if (mkdir(folder.c_str(), 0700) != 0)
                _exit(1);
        std::vector<int> listeners;
        for (const auto& path : sockets) {
            const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
            unlink(path.c_str()); // left by an instance killed before
            if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
                _exit(1);
            listeners.push_back(fd);
        }
        if (bindAsRoot)
            becomeNobody();
        for (const int fd : listeners)
            if (listen(fd, 8) != 0)
                _exit(1);
        const char byte = 'r';
        if (write(ready, &byte, 1) != 1)
            _exit(1);
        char go = 0;
        if (read(m_command[0], &go, 1) != 1)
            _exit(1);
        int counts[2] = {0, 0};
        for (const int fd : listeners) {
            for (int peer; (peer = accept(fd, nullptr, nullptr)) >= 0; close(peer)) {
                ++counts[0];
                char buffer[4096];
                for (ssize_t n; (n = recv(peer, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
                    counts[1] += static_cast<int>(n);
            }
        }
        _exit(write(m_report[1], counts, sizeof counts) == sizeof counts ? 0 : 1);
    }

    pid_t m_child = -1;
    bool m_ready = false;
    int m_command[2] = {-1, -1};
    int m_report[2] = {-1, -1};
};

// The environment of a session without XDG_RUNTIME_DIR, whose temporary folder is
// shared with other users as /tmp is.
QProcessEnvironment withoutRuntimeDir(const QTemporaryDir& sharedTemp) {
    chmod(sharedTemp.path().toLocal8Bit().constData(), 01777);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("TMPDIR"), sharedTemp.path());
    return environment;
}

// The first instance in this process, its windows made but not yet taking hand-overs.
class UnservedFirstInstanceTest : public ::testing::Test {
protected:
    UnservedFirstInstanceTest()
        : dm({std::string(VELLORAN_BIN_DIR) + "/", dir.filePath("v.ini").toStdString(), {}}),
          editor(dm, prompter, {}) {
        EXPECT_EQ(instance.claim(), SingleInstance::Role::First);
        QObject::connect(&instance, &SingleInstance::commandLineReceived, &editor,
                         &TfEditor::receiveCommandLine);
        QObject::connect(&instance, &SingleInstance::activationRequested, &editor,
                         &TfEditor::bringToFront);
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    Tdm1 dm;
    TfEditor editor;
    SingleInstance instance;
};

class FirstInstanceTest : public UnservedFirstInstanceTest {
protected:
    FirstInstanceTest() { instance.serve(); }
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
    // Opening follows the acknowledgement at once, before any other event is served.
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

TEST_F(UnservedFirstInstanceTest, AStartBehindAFirstStillStartingGivesUpAndIsForgotten) {
    const QString early = dir.filePath("early.htm");
    writeBytes(early, "x");
    const Ended second = runToEnd({early});
    EXPECT_EQ(second.status, 1);
    EXPECT_TRUE(second.errors.contains("The running Velloran does not answer."))
        << second.errors.toStdString();

    // Once it serves, the abandoned hand-over is dropped and the next one is taken.
    instance.serve();
    const QString later = dir.filePath("later.htm");
    writeBytes(later, "y");
    EXPECT_EQ(runSecondInstance({later}), 0);
    ASSERT_EQ(editor.documentTabCount(), 1);
    EXPECT_EQ(editor.CurrentEntry()->FileName, later.toStdString());
}

TEST(SingleInstance, AStartBehindAStoppedFirstInstanceEndsWithAMessage) {
    QProcess first;
    const QString socket = SingleInstance::DefaultServerPath();
    ASSERT_TRUE(startFirst(first, socket));
    const auto pid = static_cast<pid_t>(first.processId());
    ::kill(pid, SIGSTOP);
    QTemporaryDir dir;
    const QString page = dir.filePath("a.htm");
    writeBytes(page, "x");
    const Ended second = runToEnd({page});
    ::kill(pid, SIGCONT);
    EXPECT_EQ(second.status, 1); // ended by itself, not by the test's safety net
    EXPECT_TRUE(second.errors.contains("The running Velloran does not answer."))
        << second.errors.toStdString();
    // It did not take the first one's place: the first, running again, takes the next.
    EXPECT_EQ(runSecondInstance({page}), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    stop(first);
}

TEST(SingleInstance, ASocketLeftByAKilledInstanceIsTakenOver) {
    const QString socket = SingleInstance::DefaultServerPath();
    QProcess crashed;
    ASSERT_TRUE(startFirst(crashed, socket));
    ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
    crashed.waitForFinished();
    ASSERT_TRUE(QFileInfo::exists(socket)); // left behind

    QProcess next;
    ASSERT_TRUE(startFirst(next, socket));
    // A third start is only acknowledged by a running first instance.
    QTemporaryDir dir;
    const QString page = dir.filePath("a.htm");
    writeBytes(page, "x");
    EXPECT_EQ(runSecondInstance({page}), 0);
    EXPECT_EQ(next.state(), QProcess::Running);
    stop(next);
}

TEST(SingleInstance, ASocketOfAnotherUserIsNeverSpokenTo) {
    if (geteuid() != 0)
        GTEST_SKIP() << "acting as a second user needs root";
    const QString socket = SingleInstance::DefaultServerPath();
    ForeignListener foreign({}, {socket.toStdString()}, true);
    ASSERT_TRUE(foreign.ready());
    SingleInstance instance;
    EXPECT_EQ(instance.claim(), SingleInstance::Role::First);
    EXPECT_TRUE(instance.warning().contains(QStringLiteral("another user")))
        << instance.warning().toStdString();
    // Connected to learn whose it is, and told nothing.
    EXPECT_EQ(foreign.reached(), std::make_pair(1, 0));
    instance.serve();
    EXPECT_EQ(runSecondInstance({}), 0);
}

TEST(SingleInstance, WithoutARuntimeDirTheSocketStaysOutOfOtherUsersReach) {
    if (geteuid() != 0)
        GTEST_SKIP() << "acting as a second user needs root";
    QTemporaryDir shared;
    const QProcessEnvironment environment = withoutRuntimeDir(shared);
    const std::string temp = shared.path().toStdString();
    const std::string name = "tfeditor-" + std::to_string(getuid());
    // The other user was first to make the folder a default would pick, and listens
    // there and straight in the temporary folder.
    ForeignListener foreign({temp + "/runtime-root"},
                            {temp + "/" + name, temp + "/runtime-root/" + name});
    ASSERT_TRUE(foreign.ready());

    QProcess first;
    const QString own = shared.filePath(QStringLiteral("velloran-%1/").arg(getuid())) +
                        QString::fromStdString(name);
    ASSERT_TRUE(startFirst(first, own, environment));
    QTemporaryDir pages;
    const QString page = pages.filePath("a.htm");
    writeBytes(page, "x");
    EXPECT_EQ(runToEnd({page}, environment).status, 0);
    EXPECT_EQ(foreign.reached(), std::make_pair(0, 0));
    stop(first);
}

TEST(SingleInstance, WithoutAPrivateFolderAStartRunsOnItsOwn) {
    if (geteuid() != 0)
        GTEST_SKIP() << "acting as a second user needs root";
    QTemporaryDir shared;
    const QProcessEnvironment environment = withoutRuntimeDir(shared);
    const std::string folder =
        shared.path().toStdString() + "/velloran-" + std::to_string(getuid());
    ForeignListener foreign({folder}, {folder + "/tfeditor-" + std::to_string(getuid())});
    ASSERT_TRUE(foreign.ready());

    QProcess lone;
    lone.setProcessEnvironment(environment);
    lone.start(kProgram, {});
    QByteArray errors;
    EXPECT_TRUE(waitFor(
        [&] {
            errors += lone.readAllStandardError();
            return errors.contains("runs on its own") || lone.state() == QProcess::NotRunning;
        },
        60000))
        << errors.toStdString();
    EXPECT_TRUE(errors.contains("belongs to another user")) << errors.toStdString();
    EXPECT_EQ(lone.state(), QProcess::Running); // its window is up, without hand-overs
    EXPECT_EQ(foreign.reached(), std::make_pair(0, 0));
    stop(lone);
}
