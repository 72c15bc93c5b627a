// How fast files move over FTPS (vsftpd with TLS, passive) and SFTP (sshd) on loopback, beside
// curl doing the same in the same run (--ssl-reqd, sftp://). VELLORAN_SECURE_BENCH_MIB sets the
// file's size (default 16; the real measurement uses 256).
#include "ftp/ftpclient.h"
#include "ftp/ftpservers.h"
#include "ftp/sftpclient.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
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
using Clock = std::chrono::steady_clock;
using velloran::testing::SshServer;
using velloran::testing::TestCertificate;
using velloran::testing::VsFtpServer;

constexpr const char* kCurl = "/usr/bin/curl";

std::size_t benchBytes() {
    const char* text = std::getenv("VELLORAN_SECURE_BENCH_MIB");
    const long mib = text && *text ? std::strtol(text, nullptr, 10) : 16;
    if (mib < 1 || mib > 4096)
        throw std::runtime_error("VELLORAN_SECURE_BENCH_MIB must be 1 to 4096");
    return static_cast<std::size_t>(mib) << 20;
}

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void writeFile(const fs::path& path, std::size_t bytes) {
    std::string block(1 << 20, '\0');
    std::uint64_t seed = 0x9E3779B97F4A7C15ULL;
    for (char& byte : block) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        byte = static_cast<char>(seed);
    }
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (std::size_t done = 0; file >= 0 && done < bytes; done += block.size())
        if (::write(file, block.data(), std::min(block.size(), bytes - done)) <= 0)
            break;
    if (file < 0 || ::close(file) != 0 || fs::file_size(path) != bytes)
        throw std::runtime_error("cannot write " + path.string());
}

double runCurl(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, kCurl, nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start curl");
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double ms = since(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("curl failed: exit " + std::to_string(WEXITSTATUS(status)));
    return ms;
}

struct Folder {
    fs::path path;
    Folder() {
        std::string pattern = "/tmp/velloran-securebench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

void report(benchmark::State& state, double ours, double curl, std::size_t bytes, int rounds) {
    state.counters["ours_ms"] = ours / rounds;
    state.counters["curl_ms"] = curl / rounds;
    state.counters["ratio"] = ours / curl;
    state.counters["ours_MBps"] = static_cast<double>(bytes) * rounds / 1e6 / (ours / 1000);
    state.counters["curl_MBps"] = static_cast<double>(bytes) * rounds / 1e6 / (curl / 1000);
}

void BM_Ftps(benchmark::State& state) {
    const bool upload = state.range(0) == 0;
    if (!VsFtpServer::available() || !TestCertificate::available() || ::access(kCurl, X_OK)) {
        state.SkipWithError("vsftpd (as root), openssl or curl is not available");
        return;
    }
    const std::size_t bytes = benchBytes();
    Folder folder;
    fs::create_directories(folder.path / "root" / "pub");
    fs::create_directories(folder.path / "local");
    writeFile(folder.path / "root" / "pub" / "source.bin", bytes);
    const fs::path local = folder.path / "local" / "source.bin";
    writeFile(local, bytes);
    TestCertificate certificate;
    VsFtpServer server(folder.path / "root", &certificate);
    velloran::TFtpClient client;
    client.Host = "127.0.0.1";
    client.Port = server.port();
    client.UseTls = true;
    client.Passive = true;
    client.CaFile = certificate.certFile();
    client.UserID = "anonymous";
    client.Password = velloran::DefaultAnonymousPassword;
    client.Connect();
    client.ChangeDirectory("pub");
    client.SetTransferType(2);
    const std::string url =
        "ftp://anonymous:x@127.0.0.1:" + std::to_string(server.port()) + "/pub/";
    std::vector<std::string> curl{kCurl, "-q",         "-sS",      "--noproxy",
                                  "*",   "--ssl-reqd", "--cacert", certificate.certFile()};
    if (upload)
        curl.insert(curl.end(), {"-T", local.string(), url + "curl.bin"});
    else
        curl.insert(curl.end(),
                    {"-o", (folder.path / "local" / "curl.bin").string(), url + "source.bin"});
    double ours = 0, theirs = 0;
    int rounds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (upload)
            client.UploadFile(local.string(), "ours.bin");
        else
            client.DownloadFile("source.bin", (folder.path / "local" / "ours.bin").string());
        ours += since(start);
        theirs += runCurl(curl);
        ++rounds;
    }
    client.Disconnect();
    report(state, ours, theirs, bytes, rounds);
}

void BM_Sftp(benchmark::State& state) {
    const bool upload = state.range(0) == 0;
    if (!SshServer::available() || ::access(kCurl, X_OK)) {
        state.SkipWithError("sshd (as root) or curl is not available");
        return;
    }
    const std::size_t bytes = benchBytes();
    Folder folder;
    const fs::path local = folder.path / "source.bin";
    const fs::path remote = folder.path / "remote";
    fs::create_directories(remote);
    writeFile(local, bytes);
    writeFile(remote / "source.bin", bytes);
    SshServer server;
    velloran::TSftpClient client;
    client.Host = "127.0.0.1";
    client.Port = server.port();
    client.UserID = server.user();
    client.SshDir = server.clientSshDir();
    client.TrustedFingerprint = server.hostKeyFingerprint();
    client.KnownHostsFile = (folder.path / "known_hosts").string();
    client.Connect();
    client.ChangeDirectory(remote.string());
    const std::string url =
        "sftp://127.0.0.1:" + std::to_string(server.port()) + remote.string() + "/";
    std::vector<std::string> curl{kCurl,      "-q",
                                  "-sS",      "--insecure",
                                  "--key",    server.clientKeyFile(),
                                  "--pubkey", server.clientKeyFile() + ".pub",
                                  "-u",       server.user() + ":"};
    if (upload)
        curl.insert(curl.end(), {"-T", local.string(), url + "curl.bin"});
    else
        curl.insert(curl.end(), {"-o", (folder.path / "curl.bin").string(), url + "source.bin"});
    double ours = 0, theirs = 0;
    int rounds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (upload)
            client.UploadFile(local.string(), "ours.bin");
        else
            client.DownloadFile("source.bin", (folder.path / "ours.bin").string());
        ours += since(start);
        theirs += runCurl(curl);
        ++rounds;
    }
    client.Disconnect();
    report(state, ours, theirs, bytes, rounds);
}

BENCHMARK(BM_Ftps)
    ->ArgName("download")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sftp)
    ->ArgName("download")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
