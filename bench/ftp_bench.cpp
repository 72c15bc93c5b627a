// How fast the FTP client moves files against real local servers, measured beside curl in
// the same data connection mode (active PORT, or passive EPSV).
// VELLORAN_FTP_BENCH_MIB sets the big file's size (default 4) and VELLORAN_FTP_BENCH_FILES the
// number of small uploads (default 20); the defaults keep a smoke run to a few seconds.
#include "ftp/ftpclient.h"
#include "ftp/ftpservers.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using velloran::testing::PyFtpServer;
using velloran::testing::VsFtpServer;

constexpr const char* kCurl = "/usr/bin/curl";
constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kSmallFileBytes = 4 * 1024;

enum class ServerKind { PyFtpd, VsFtpd };
enum class Direction { Upload, Download };
enum class Mode { Active, Passive };

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A bad value is refused rather than quietly replaced, so a real measurement never runs
// at smoke size by mistake.
std::optional<int> envCount(const char* name, int fallback, int limit) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > limit)
        return std::nullopt;
    return static_cast<int>(value);
}

// The folder served ("root", with the writable "pub" inside) and the client's own files.
class BenchDir {
public:
    BenchDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base && *base ? base : "/tmp") + "/velloran-ftpbench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create " + pattern + ": " + std::strerror(errno));
        m_path = pattern;
        fs::create_directories(pub());
        fs::create_directories(local());
    }
    ~BenchDir() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    BenchDir(const BenchDir&) = delete;
    BenchDir& operator=(const BenchDir&) = delete;

    fs::path root() const { return m_path / "root"; }
    fs::path pub() const { return root() / "pub"; }
    fs::path local() const { return m_path / "local"; }

private:
    fs::path m_path;
};

// Bytes that no layer between the two ends could shrink, written a mebibyte at a time.
void writeFile(const fs::path& path, std::size_t bytes) {
    std::string block(std::min(bytes, kMiB), '\0');
    std::uint64_t seed = 0x9E3779B97F4A7C15ULL;
    for (char& byte : block) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        byte = static_cast<char>(seed);
    }
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0)
        throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(errno));
    for (std::size_t done = 0; done < bytes;) {
        const std::size_t chunk = std::min(block.size(), bytes - done);
        std::memcpy(block.data(), &done, sizeof done < chunk ? sizeof done : chunk);
        const ssize_t written = ::write(file, block.data(), chunk);
        if (written <= 0) {
            ::close(file);
            throw std::runtime_error("cannot write " + path.string());
        }
        done += static_cast<std::size_t>(written);
    }
    ::close(file);
}

// Only characters that need no escaping stay as they are in a URL's user and password.
std::string urlEscaped(const std::string& text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string escaped;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            escaped += static_cast<char>(c);
        } else {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 15];
        }
    }
    return escaped;
}

// One server of either kind on 127.0.0.1 and the login it takes.
class BenchServer {
public:
    static std::string unavailable(ServerKind kind) {
        if (::access(kCurl, X_OK) != 0)
            return std::string(kCurl) + " is not installed";
        if (kind == ServerKind::PyFtpd)
            return PyFtpServer::available() ? "" : "pyftpdlib is not available";
        return VsFtpServer::available() ? "" : "vsftpd is not available (or not running as root)";
    }

    // Files already in `dir.pub()` are served; vsftpd wants them there before it starts.
    BenchServer(ServerKind kind, const BenchDir& dir) {
        if (kind == ServerKind::PyFtpd) {
            m_pyftpd = std::make_unique<PyFtpServer>(dir.root());
            m_port = m_pyftpd->port();
            m_user = m_pyftpd->user();
            m_password = m_pyftpd->password();
        } else {
            m_vsftpd = std::make_unique<VsFtpServer>(dir.root());
            m_port = m_vsftpd->port();
            m_user = "anonymous";
            m_password = velloran::DefaultAnonymousPassword;
        }
    }

    // A client logged in and standing in "pub", ready for binary transfers.
    std::unique_ptr<velloran::TFtpClient> loggedInClient(Mode mode) const {
        auto client = std::make_unique<velloran::TFtpClient>();
        client->Passive = mode == Mode::Passive;
        client->Host = "127.0.0.1";
        client->Port = m_port;
        client->UserID = m_user;
        client->Password = m_password;
        client->Connect();
        client->ChangeDirectory("pub");
        client->SetTransferType(2);
        return client;
    }

    int port() const { return m_port; }
    const std::string& user() const { return m_user; }
    const std::string& password() const { return m_password; }

    std::string url(const std::string& name) const {
        return "ftp://" + urlEscaped(m_user) + ":" + urlEscaped(m_password) +
               "@127.0.0.1:" + std::to_string(m_port) + "/pub/" + name;
    }

private:
    std::unique_ptr<PyFtpServer> m_pyftpd;
    std::unique_ptr<VsFtpServer> m_vsftpd;
    int m_port = 0;
    std::string m_user;
    std::string m_password;
};

// The mode the client uses: plain PORT when active, EPSV (curl's default) when passive; -q
// keeps a user's .curlrc out and --noproxy keeps a proxy from the environment out of the
// comparison.
std::vector<std::string> curlCommand(Mode mode) {
    std::vector<std::string> args{kCurl, "-q", "-sS", "--noproxy", "*"};
    if (mode == Mode::Active)
        args.insert(args.end(), {"--disable-eprt", "-P", "127.0.0.1"});
    else
        args.insert(args.end(), {"--ftp-pasv"});
    return args;
}

// Runs curl to its end and returns how long the whole process took. The client is timed
// after its login, curl with its start-up and login (about 20 ms here): that is what using
// it for one transfer costs. A failure is an error, since a failed transfer would look fast.
double runCurl(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = -1;
    const int spawnError = ::posix_spawn(&pid, kCurl, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0)
        throw std::runtime_error(std::string("cannot start curl: ") + std::strerror(spawnError));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("cannot wait for curl");
    }
    const double elapsed = millisecondsSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("curl failed: " +
                                 (WIFEXITED(status)
                                      ? "exit status " + std::to_string(WEXITSTATUS(status))
                                      : "killed by signal " + std::to_string(WTERMSIG(status))));
    return elapsed;
}

// Sockets waiting out TIME_WAIT on this machine. Tens of thousands of them make every new
// data connection's port search slow, for curl as much as for the client, so small-file
// figures only compare with runs that started from a similar count.
double timeWaitSockets() {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    double count = 0;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        if (fields >> slot >> local >> remote >> state && state == "06")
            ++count;
    }
    return count;
}

void expectSize(const fs::path& path, std::uintmax_t bytes) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size != bytes)
        throw std::runtime_error(path.string() + " holds " +
                                 (error ? error.message() : std::to_string(size) + " bytes") +
                                 ", not " + std::to_string(bytes));
}

void removeQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

// One timed transfer each way of measuring, with the names the files take on both sides.
struct BigTransfer {
    Direction direction;
    const BenchDir& dir;
    const BenchServer& server;
    velloran::TFtpClient& client;
    std::size_t bytes;
    Mode mode;

    fs::path source() const {
        return (direction == Direction::Upload ? dir.local() : dir.pub()) / "source.bin";
    }
    fs::path target(const char* who) const {
        const std::string name = std::string(who) + ".bin";
        return direction == Direction::Upload ? dir.pub() / name : dir.local() / name;
    }

    double ours() const {
        const auto start = Clock::now();
        if (direction == Direction::Upload)
            client.UploadFile(source(), "ours.bin");
        else
            client.DownloadFile("source.bin", target("ours"));
        return millisecondsSince(start);
    }

    double curl() const {
        std::vector<std::string> args = curlCommand(mode);
        if (direction == Direction::Upload)
            args.insert(args.end(), {"-T", source(), server.url("curl.bin")});
        else
            args.insert(args.end(), {"-o", target("curl"), server.url("source.bin")});
        return runCurl(args);
    }

    // Untimed: the first round checks both copies, every round leaves none behind.
    void settle(bool check) const {
        if (check) {
            expectSize(target("ours"), bytes);
            expectSize(target("curl"), bytes);
        }
        removeQuietly(target("ours"));
        removeQuietly(target("curl"));
    }
};

void reportComparison(benchmark::State& state, double oursMs, double curlMs, double bytesEach) {
    const auto rounds = static_cast<double>(state.iterations());
    if (rounds == 0 || oursMs <= 0 || curlMs <= 0)
        return;
    state.counters["ours_ms"] = oursMs / rounds;
    state.counters["curl_ms"] = curlMs / rounds;
    state.counters["ratio"] = oursMs / curlMs;
    if (bytesEach > 0) {
        state.counters["ours_MBps"] = bytesEach * rounds / 1e6 / (oursMs / 1000);
        state.counters["curl_MBps"] = bytesEach * rounds / 1e6 / (curlMs / 1000);
    }
}

void BM_BigFile(benchmark::State& state, ServerKind kind, Direction direction, Mode mode) {
    const std::string missing = BenchServer::unavailable(kind);
    const auto mib = envCount("VELLORAN_FTP_BENCH_MIB", 4, 65536);
    if (!missing.empty() || !mib) {
        state.SkipWithError(
            (mib ? missing : "VELLORAN_FTP_BENCH_MIB must be a whole number from 1 to 65536")
                .c_str());
        return;
    }
    const std::size_t bytes = static_cast<std::size_t>(*mib) * kMiB;
    try {
        BenchDir dir;
        writeFile((direction == Direction::Upload ? dir.local() : dir.pub()) / "source.bin", bytes);
        const BenchServer server(kind, dir);
        const auto client = server.loggedInClient(mode);
        const BigTransfer transfer{direction, dir, server, *client, bytes, mode};
        double oursTotal = 0;
        double curlTotal = 0;
        bool first = true;
        bool oursFirst = true;
        for (auto _ : state) {
            // Alternating who goes first keeps any warm-up from favouring one side.
            double ours = 0;
            if (oursFirst) {
                ours = transfer.ours();
                curlTotal += transfer.curl();
            } else {
                curlTotal += transfer.curl();
                ours = transfer.ours();
            }
            state.SetIterationTime(ours / 1000);
            oursTotal += ours;
            transfer.settle(first);
            oursFirst = !oursFirst;
            first = false;
        }
        client->Disconnect();
        reportComparison(state, oursTotal, curlTotal, static_cast<double>(bytes));
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

// Many small files in one session: the cost per file is the commands and the data
// connection, not the bytes.
struct SmallFiles {
    const BenchDir& dir;
    const BenchServer& server;
    int count;
    Mode mode;

    static std::string name(const char* who, int index) {
        return std::string(who) + "-" + std::to_string(index) + ".htm";
    }
    fs::path localFile(int index) const { return dir.local() / name("page", index); }

    double ours(velloran::TFtpClient& client) const {
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i)
            client.UploadFile(localFile(i), name("ours", i));
        return millisecondsSince(start);
    }

    // One curl process for all the files, so it too logs in once and reuses the session.
    double curl() const {
        std::vector<std::string> args = curlCommand(mode);
        for (int i = 0; i < count; ++i)
            args.insert(args.end(), {"-T", localFile(i), server.url(name("curl", i))});
        return runCurl(args);
    }

    void settle(bool check) const {
        for (int i = 0; i < count; ++i) {
            for (const char* who : {"ours", "curl"}) {
                if (check)
                    expectSize(dir.pub() / name(who, i), kSmallFileBytes);
                removeQuietly(dir.pub() / name(who, i));
            }
        }
    }
};

void BM_SmallUploads(benchmark::State& state, ServerKind kind, Mode mode) {
    const std::string missing = BenchServer::unavailable(kind);
    const auto files = envCount("VELLORAN_FTP_BENCH_FILES", 20, 100000);
    if (!missing.empty() || !files) {
        state.SkipWithError(
            (files ? missing : "VELLORAN_FTP_BENCH_FILES must be a whole number from 1 to 100000")
                .c_str());
        return;
    }
    try {
        BenchDir dir;
        for (int i = 0; i < *files; ++i)
            writeFile(dir.local() / SmallFiles::name("page", i), kSmallFileBytes);
        const BenchServer server(kind, dir);
        const SmallFiles batch{dir, server, *files, mode};
        const auto client = server.loggedInClient(mode);
        state.counters["timewait"] = timeWaitSockets();
        double oursTotal = 0;
        double curlTotal = 0;
        bool first = true;
        for (auto _ : state) {
            const double ours = batch.ours(*client);
            curlTotal += batch.curl();
            state.SetIterationTime(ours / 1000);
            oursTotal += ours;
            batch.settle(first);
            first = false;
        }
        client->Disconnect();
        reportComparison(state, oursTotal, curlTotal, 0);
        const auto perRound = static_cast<double>(state.iterations()) * *files;
        state.counters["ms_per_file"] = oursTotal / perRound;
        state.counters["curl_ms_per_file"] = curlTotal / perRound;
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

} // namespace

#include "ftpwindow_bench.inc"

#define VELLORAN_BIG_FILE(name, kind, direction, mode)                                             \
    BENCHMARK_CAPTURE(BM_BigFile, name, kind, direction, mode)                                     \
        ->UseManualTime()                                                                          \
        ->Unit(benchmark::kMillisecond)
VELLORAN_BIG_FILE(pyftpdlib_upload, ServerKind::PyFtpd, Direction::Upload, Mode::Active);
VELLORAN_BIG_FILE(pyftpdlib_download, ServerKind::PyFtpd, Direction::Download, Mode::Active);
VELLORAN_BIG_FILE(vsftpd_upload, ServerKind::VsFtpd, Direction::Upload, Mode::Active);
VELLORAN_BIG_FILE(vsftpd_download, ServerKind::VsFtpd, Direction::Download, Mode::Active);
VELLORAN_BIG_FILE(pyftpdlib_passive_upload, ServerKind::PyFtpd, Direction::Upload, Mode::Passive);
VELLORAN_BIG_FILE(pyftpdlib_passive_download, ServerKind::PyFtpd, Direction::Download,
                  Mode::Passive);
VELLORAN_BIG_FILE(vsftpd_passive_upload, ServerKind::VsFtpd, Direction::Upload, Mode::Passive);
VELLORAN_BIG_FILE(vsftpd_passive_download, ServerKind::VsFtpd, Direction::Download, Mode::Passive);
// Each round is already a batch of files, and every file leaves a socket in TIME_WAIT for a
// minute; a few rounds keep that pile from growing into what is measured.
#define VELLORAN_SMALL_FILES(name, kind, mode)                                                     \
    BENCHMARK_CAPTURE(BM_SmallUploads, name, kind, mode)                                           \
        ->UseManualTime()                                                                          \
        ->Iterations(3)                                                                            \
        ->Unit(benchmark::kMillisecond)
VELLORAN_SMALL_FILES(pyftpdlib, ServerKind::PyFtpd, Mode::Active);
VELLORAN_SMALL_FILES(vsftpd, ServerKind::VsFtpd, Mode::Active);
VELLORAN_SMALL_FILES(pyftpdlib_passive, ServerKind::PyFtpd, Mode::Passive);
VELLORAN_SMALL_FILES(vsftpd_passive, ServerKind::VsFtpd, Mode::Passive);

BENCHMARK_MAIN();
