// How long publishing a project takes when little or nothing changed, and how many FTP
// commands it sends, beside an lftp reverse mirror of the same folder when lftp is
// installed. VELLORAN_PUBLISH_BENCH_FILES sets the big project's size (default 500).
#include "ftp/ftpclient.h"
#include "ftp/ftpservers.h"
#include "ftp/remoteclient.h"
#include "project/projecttree.h"
#include "publish/publisher.h"
#include "publish/remotetarget.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace velloran;

constexpr const char* kLftp = "/usr/bin/lftp";

int bigProjectFiles() {
    const char* text = std::getenv("VELLORAN_PUBLISH_BENCH_FILES");
    const int count = text && *text ? std::atoi(text) : 500;
    return count > 0 ? count : 500;
}

// A site of `count` small pages in three folders, already published once.
class Site {
public:
    explicit Site(int count) {
        std::string pattern = "/tmp/velloran-pubbench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        m_dir = pattern;
        fs::create_directories(m_dir / "server/www");
        fs::create_directories(m_dir / "site/pages/img");
        ProjectFolder& folder = m_tree.addFolder("Site", nullptr);
        for (int i = 0; i < count; ++i) {
            const std::string name = i % 3 == 0   ? "page" + std::to_string(i) + ".htm"
                                     : i % 3 == 1 ? "pages/p" + std::to_string(i) + ".htm"
                                                  : "pages/img/i" + std::to_string(i) + ".png";
            std::ofstream(m_dir / "site" / name) << std::string(2000, 'x') << name;
            TProjectFile entry;
            entry.FileInfo = name;
            m_tree.appendFile(folder, std::move(entry));
        }
        m_server = std::make_unique<testing::PyFtpServer>(m_dir / "server");
        m_state = PublishState::Load(PublishState::FileFor(projectFile()));
        m_state.settings.baseDir = "/www";
        if (!publish().ok())
            throw std::runtime_error("the first publish failed");
    }
    ~Site() {
        m_server.reset();
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    std::string projectFile() const { return (m_dir / "site/site.vpr").string(); }

    // One publish from login to logout; the FTP commands it sent.
    PublishResult publish(std::size_t* commands = nullptr) {
        FtpRemoteClient client(false);
        client.Host = "127.0.0.1";
        client.Port = m_server->port();
        client.UserID = m_server->user();
        client.Password = m_server->password();
        client.Passive = true;
        client.Connect();
        RemotePublishTarget target(client);
        const PublishPlan plan =
            MakePublishPlan(m_tree, projectFile(), m_state,
                            [&](const std::string& dir) { return target.folderSizes(dir); });
        PublishResult result = Publish(plan, m_state, target);
        client.Disconnect();
        if (commands)
            *commands = target.commands() + 4; // USER, PASS, the login's checks, QUIT
        return result;
    }

    void touchOne(int round) { std::ofstream(m_dir / "site/page0.htm") << "changed " << round; }

    bool mirrorWithLftp() {
        const std::string script =
            "set ftp:passive-mode true; open -u " + m_server->user() + "," + m_server->password() +
            " -p " + std::to_string(m_server->port()) + " 127.0.0.1; mirror -R --only-newer " +
            (m_dir / "site").string() + " /www";
        std::vector<std::string> args{kLftp, "-c", script};
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int error = ::posix_spawn(&pid, kLftp, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        return error == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
               WEXITSTATUS(status) == 0;
    }

private:
    fs::path m_dir;
    ProjectTree m_tree;
    std::unique_ptr<testing::PyFtpServer> m_server;
    PublishState m_state;
};

int projectSize(const benchmark::State& state) {
    return state.range(0) == 0 ? 20 : bigProjectFiles();
}

void BM_PublishUnchanged(benchmark::State& state) {
    if (!testing::PyFtpServer::available())
        return state.SkipWithError("pyftpdlib is not available");
    Site site(projectSize(state));
    std::size_t commands = 0;
    for (auto _ : state) {
        if (site.publish(&commands).sent != 0)
            return state.SkipWithError("an unchanged project sent files");
    }
    state.counters["files"] = projectSize(state);
    state.counters["ftp_commands"] = static_cast<double>(commands);
}

void BM_PublishOneChange(benchmark::State& state) {
    if (!testing::PyFtpServer::available())
        return state.SkipWithError("pyftpdlib is not available");
    Site site(projectSize(state));
    std::size_t commands = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        site.touchOne(++round);
        state.ResumeTiming();
        if (site.publish(&commands).sent != 1)
            return state.SkipWithError("one change did not send exactly one file");
    }
    state.counters["files"] = projectSize(state);
    state.counters["ftp_commands"] = static_cast<double>(commands);
}

void BM_LftpMirrorUnchanged(benchmark::State& state) {
    if (!testing::PyFtpServer::available() || ::access(kLftp, X_OK) != 0)
        return state.SkipWithError("pyftpdlib or lftp is not available");
    Site site(projectSize(state));
    if (!site.mirrorWithLftp())
        return state.SkipWithError("lftp failed");
    for (auto _ : state)
        site.mirrorWithLftp();
    state.counters["files"] = projectSize(state);
}

void BM_LftpMirrorOneChange(benchmark::State& state) {
    if (!testing::PyFtpServer::available() || ::access(kLftp, X_OK) != 0)
        return state.SkipWithError("pyftpdlib or lftp is not available");
    Site site(projectSize(state));
    site.mirrorWithLftp();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        site.touchOne(++round);
        state.ResumeTiming();
        site.mirrorWithLftp();
    }
    state.counters["files"] = projectSize(state);
}

} // namespace

// Argument 0 is the 20-file project, 1 the big one.
BENCHMARK(BM_PublishUnchanged)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LftpMirrorUnchanged)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PublishOneChange)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LftpMirrorOneChange)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
