// Starts and stops real FTP servers without leaving processes, descriptors or folders behind.
#include "ftp/ftpservers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velloran::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr auto kStopLimit = std::chrono::seconds(2);

struct Fd {
    int fd = -1;
    explicit Fd(int value) : fd(value) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    void reset() {
        if (fd >= 0) {
            ::close(fd);
        }
        fd = -1;
    }
};

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

fs::path makeTempDir(const std::string& prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        fail("cannot create a temporary folder " + pattern);
    }
    return pattern;
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    return all.size() > 4000 ? "..." + all.substr(all.size() - 4000) : all;
}

// Runs in the forked child, so only async-signal-safe calls. The child becomes a subreaper that
// stays until every process the server forked has been reaped, because this machine's init leaves
// orphans as zombies; whichever of them dies, the death of the test process ends them both.
[[noreturn]] void superviseServer(char* const* argv, pid_t parent, int out, int err) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(1);
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    ::sigaction(SIGTERM, &action, nullptr);
    const pid_t server = ::fork();
    if (server == 0) {
        action.sa_handler = SIG_DFL;
        ::sigaction(SIGTERM, &action, nullptr);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::close_range(3, ~0U, 0);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    ::close_range(0, ~0U, 0);
    while (::waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
    }
    ::_exit(0);
}

// Returns the supervisor's PID.
pid_t spawnServer(const std::vector<std::string>& args, int out, int err) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        fail("fork failed");
    }
    if (pid == 0) {
        superviseServer(argv.data(), parent, out, err);
    }
    return pid;
}

bool exitedWithin(pid_t pid, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    do {
        const pid_t done = ::waitpid(pid, nullptr, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (Clock::now() < deadline);
    return false;
}

// vsftpd's sessions start sessions of their own, so neither a process group nor a session ID
// reaches them all: walk the process tree instead.
std::vector<pid_t> descendants(pid_t ancestor) {
    std::multimap<pid_t, pid_t> children;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        const pid_t pid = std::atoi(entry.path().filename().c_str());
        if (pid > 0 && std::getline(stat, line) && line.rfind(')') != std::string::npos) {
            std::istringstream rest(line.substr(line.rfind(')') + 1));
            std::string state;
            pid_t parent = 0;
            rest >> state >> parent;
            children.emplace(parent, pid);
        }
    }
    std::vector<pid_t> found;
    std::vector<pid_t> pending{ancestor};
    while (!pending.empty()) {
        const pid_t parent = pending.back();
        pending.pop_back();
        for (auto [it, end] = children.equal_range(parent); it != end; ++it) {
            found.push_back(it->second);
            pending.push_back(it->second);
        }
    }
    return found;
}

// The supervisor ignores SIGTERM and leaves once it has reaped everything below it.
void stopServer(pid_t& supervisor) {
    if (supervisor <= 0) {
        return;
    }
    for (const int signal : {SIGTERM, SIGKILL}) {
        for (const pid_t pid : descendants(supervisor)) {
            ::kill(pid, signal);
        }
        if (exitedWithin(supervisor, kStopLimit)) {
            supervisor = -1;
            return;
        }
    }
    ::kill(supervisor, SIGKILL);
    ::waitpid(supervisor, nullptr, 0);
    supervisor = -1;
}

void removeDir(const fs::path& dir) {
    std::error_code ignored;
    if (!dir.empty()) {
        fs::remove_all(dir, ignored);
    }
}

// The line arrives once the server has bound its socket; an early end of file means it died.
std::string readFirstLine(int fd) {
    const auto deadline = Clock::now() + kStartLimit;
    std::string line;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd entry{fd, POLLIN, 0};
        if (left <= 0 || (::poll(&entry, 1, static_cast<int>(left)) < 0 && errno != EINTR)) {
            return line;
        }
        char c = 0;
        const ssize_t n = entry.revents != 0 ? ::read(fd, &c, 1) : -1;
        if (n == 0 || c == '\n') {
            return line;
        }
        if (n == 1) {
            line += c;
        }
    }
}

constexpr const char* kPyFtpdScript = R"(import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
root, user, password = sys.argv[1:4]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
if len(sys.argv) > 5:
    from pyftpdlib.handlers import TLS_FTPHandler
    class Handler(TLS_FTPHandler):
        pass
    Handler.certfile = sys.argv[4]
    Handler.keyfile = sys.argv[5]
    Handler.tls_control_required = True
    Handler.tls_data_required = True
else:
    class Handler(FTPHandler):
        pass
Handler.authorizer = authorizer
Handler.auth_failed_timeout = 0
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.address[1], flush=True)
server.serve_forever()
)";

int freePort() {
    Fd sock(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (sock.fd < 0 || ::bind(sock.fd, reinterpret_cast<sockaddr*>(&addr), size) != 0 ||
        ::getsockname(sock.fd, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
        fail("cannot find a free port");
    }
    return ntohs(addr.sin_port);
}

bool accepts(int port) {
    Fd sock(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return ::connect(sock.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

// Never follows a link, so nothing outside `root` changes owner.
void handToFtpUser(const fs::path& root) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwnam_r("ftp", &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr) {
        throw std::runtime_error("vsftpd needs the system user ftp, which does not exist");
    }
    if (::chown(root.c_str(), 0, 0) != 0 || ::chmod(root.c_str(), 0755) != 0) {
        fail("cannot prepare " + root.string());
    }
    for (const fs::directory_entry& item : fs::recursive_directory_iterator(root)) {
        if (::lchown(item.path().c_str(), entry.pw_uid, entry.pw_gid) != 0) {
            fail("cannot hand " + item.path().string() + " to the ftp user");
        }
    }
}

std::string vsftpdConfig(const fs::path& root, const fs::path& dir, int port,
                         const TestCertificate* tls) {
    std::ostringstream conf;
    conf << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << port
         << "\nbackground=NO\nseccomp_sandbox=NO\n"
         << "anonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\nanon_upload_enable=YES\n"
         << "anon_mkdir_write_enable=YES\nanon_other_write_enable=YES\n"
         << "anon_world_readable_only=NO\nanon_root=" << root.string()
         << "\nno_anon_password=YES\nallow_writeable_chroot=YES\nport_enable=YES\npasv_enable=YES\n"
         << "connect_from_port_20=NO\nanon_umask=022\nsecure_chroot_dir=/var/run/vsftpd/empty\n"
         << "xferlog_enable=YES\nvsftpd_log_file=" << (dir / "vsftpd.log").string() << "\n";
    if (tls != nullptr) {
        conf << "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
             << "force_anon_data_ssl=YES\nrequire_ssl_reuse=YES\nssl_ciphers=HIGH\n"
             << "rsa_cert_file=" << tls->certFile() << "\nrsa_private_key_file=" << tls->keyFile()
             << "\n";
    }
    return conf.str();
}

} // namespace

bool TestCertificate::available() {
    static const bool found = ::access("/usr/bin/openssl", X_OK) == 0;
    return found;
}

TestCertificate::TestCertificate() : m_dir(makeTempDir("velloran-cert-")) {
    const std::string dir = m_dir.string();
    const std::string make =
        "/usr/bin/openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost"
        " -addext subjectAltName=DNS:localhost,IP:127.0.0.1 -keyout '" +
        dir + "/key.pem' -out '" + dir + "/cert.pem' >'" + dir + "/openssl.log' 2>&1";
    const std::string print = "/usr/bin/openssl x509 -noout -fingerprint -sha256 -in '" + dir +
                              "/cert.pem' >'" + dir + "/fingerprint' 2>>'" + dir + "/openssl.log'";
    if (std::system(make.c_str()) != 0 || std::system(print.c_str()) != 0) {
        const std::string log = fileText(m_dir / "openssl.log");
        removeDir(m_dir);
        throw std::runtime_error("openssl could not make a certificate: " + log);
    }
    // The certificate must stay readable once vsftpd has dropped its rights.
    ::chmod(m_dir.c_str(), 0755);
    ::chmod((m_dir / "cert.pem").c_str(), 0644);
    const std::string line = fileText(m_dir / "fingerprint");
    const auto equals = line.find('=');
    m_fingerprint = equals == std::string::npos ? "" : line.substr(equals + 1);
    while (!m_fingerprint.empty() && (m_fingerprint.back() == '\n' || m_fingerprint.back() == '\r'))
        m_fingerprint.pop_back();
}

TestCertificate::~TestCertificate() {
    removeDir(m_dir);
}

bool PyFtpServer::tlsAvailable() {
    static const bool found =
        available() && std::system("/usr/bin/python3 -I -c 'import OpenSSL' >/dev/null 2>&1") == 0;
    return found;
}

bool PyFtpServer::available() {
    static const bool found =
        std::system("/usr/bin/python3 -I -c 'import pyftpdlib' >/dev/null 2>&1") == 0;
    return found;
}

ServerProcess::ServerProcess(const std::string& folderPrefix) : m_dir(makeTempDir(folderPrefix)) {
}

ServerProcess::~ServerProcess() {
    stopServer(m_supervisor);
    removeDir(m_dir);
}

PyFtpServer::PyFtpServer(const fs::path& root, std::string user, std::string password,
                         const TestCertificate* tls)
    : ServerProcess("velloran-pyftpd-"), m_user(std::move(user)), m_password(std::move(password)) {
    start(root, tls);
}

void PyFtpServer::start(const fs::path& root, const TestCertificate* tls) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        fail("cannot create a pipe");
    }
    Fd readEnd(ends[0]);
    Fd writeEnd(ends[1]);
    const fs::path logPath = m_dir / "server.log";
    Fd log(::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (log.fd < 0) {
        fail("cannot create " + logPath.string());
    }
    std::vector<std::string> args{"/usr/bin/python3", "-I",   "-c",      kPyFtpdScript,
                                  fs::absolute(root), m_user, m_password};
    if (tls != nullptr) {
        args.push_back(tls->certFile());
        args.push_back(tls->keyFile());
    }
    m_supervisor = spawnServer(args, writeEnd.fd, log.fd);
    writeEnd.reset();
    const std::string line = readFirstLine(readEnd.fd);
    m_port = std::atoi(line.c_str());
    if (m_port <= 0 || m_port > 65535) {
        stopServer(m_supervisor);
        throw std::runtime_error("pyftpdlib did not come up within 10 s (its port line was \"" +
                                 line + "\"); its output:\n" + fileText(logPath));
    }
}

bool VsFtpServer::available() {
    return ::access("/usr/sbin/vsftpd", X_OK) == 0 && ::geteuid() == 0;
}

VsFtpServer::VsFtpServer(const fs::path& root, const TestCertificate* tls)
    : ServerProcess("velloran-vsftpd-") {
    start(root, tls);
}

void VsFtpServer::start(const fs::path& root, const TestCertificate* tls) {
    if (!fs::is_directory(root) || fs::canonical(root) == fs::canonical(root).root_path()) {
        throw std::runtime_error("vsftpd needs a folder of its own to serve, not " + root.string());
    }
    const fs::path served = fs::canonical(root);
    handToFtpUser(served);
    fs::create_directories("/var/run/vsftpd/empty");
    m_port = freePort();
    const fs::path confPath = m_dir / "vsftpd.conf";
    std::ofstream(confPath) << vsftpdConfig(served, m_dir, m_port, tls);
    const fs::path outPath = m_dir / "vsftpd.out";
    Fd out(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (out.fd < 0) {
        fail("cannot create " + outPath.string());
    }
    m_supervisor = spawnServer({"/usr/sbin/vsftpd", confPath}, out.fd, out.fd);
    const auto deadline = Clock::now() + kStartLimit;
    while (!accepts(m_port)) {
        const bool died = ::waitpid(m_supervisor, nullptr, WNOHANG) == m_supervisor;
        if (died || Clock::now() > deadline) {
            if (died) {
                m_supervisor = -1;
            }
            const std::string what =
                died ? "exited while starting" : "did not accept connections within 10 s";
            throw std::runtime_error("vsftpd on 127.0.0.1:" + std::to_string(m_port) + " " + what +
                                     "; its output:\n" + fileText(outPath) + "\nits log:\n" +
                                     fileText(m_dir / "vsftpd.log"));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

namespace {

void run(const std::string& command, const fs::path& log) {
    if (std::system((command + " >>'" + log.string() + "' 2>&1").c_str()) != 0) {
        throw std::runtime_error("\"" + command + "\" failed: " + fileText(log));
    }
}

std::string firstWordAfter(const std::string& text, std::size_t from) {
    const auto start = text.find_first_not_of(' ', from);
    const auto end = text.find_first_of(" \n", start);
    return start == std::string::npos ? "" : text.substr(start, end - start);
}

} // namespace

bool SshServer::available() {
    return ::access("/usr/sbin/sshd", X_OK) == 0 && ::access("/usr/bin/ssh-keygen", X_OK) == 0 &&
           ::geteuid() == 0;
}

SshServer::SshServer() : ServerProcess("velloran-sshd-") {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found) {
        throw std::runtime_error("the user running the tests has no name");
    }
    m_user = entry.pw_name;
    const fs::path log = m_dir / "keygen.log";
    const std::string dir = m_dir.string();
    fs::create_directory(m_dir / "client");
    run("/usr/bin/ssh-keygen -q -t ed25519 -N '' -C host -f '" + dir + "/host_key'", log);
    run("/usr/bin/ssh-keygen -q -t ed25519 -N '' -C client -f '" + dir + "/client/id_ed25519'",
        log);
    fs::copy_file(m_dir / "client" / "id_ed25519.pub", m_dir / "authorized_keys");
    run("(/usr/bin/ssh-keygen -l -E sha256 -f '" + dir + "/host_key.pub' >'" + dir + "/fp')", log);
    const std::string printed = fileText(m_dir / "fp");
    m_fingerprint = firstWordAfter(printed, printed.find(' '));
    // sshd insists on its privilege separation folder.
    fs::create_directories("/run/sshd");
    m_port = freePort();
    std::ofstream(m_dir / "sshd_config")
        << "Port " << m_port << "\nListenAddress 127.0.0.1\nHostKey " << dir << "/host_key\n"
        << "PidFile " << dir << "/sshd.pid\nAuthorizedKeysFile " << dir << "/authorized_keys\n"
        << "StrictModes no\nUsePAM no\nPermitRootLogin prohibit-password\n"
        << "PasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
        << "Subsystem sftp internal-sftp\nLogLevel ERROR\n";
    const fs::path outPath = m_dir / "sshd.out";
    Fd out(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    m_supervisor =
        spawnServer({"/usr/sbin/sshd", "-D", "-e", "-f", dir + "/sshd_config"}, out.fd, out.fd);
    const auto deadline = Clock::now() + kStartLimit;
    while (!accepts(m_port)) {
        if (::waitpid(m_supervisor, nullptr, WNOHANG) == m_supervisor || Clock::now() > deadline) {
            stopServer(m_supervisor);
            throw std::runtime_error("sshd on 127.0.0.1:" + std::to_string(m_port) +
                                     " did not start; its output:\n" + fileText(outPath));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string SshServer::knownHostsLine() const {
    const std::string key = fileText(m_dir / "host_key.pub");
    const auto comment = key.rfind(' ');
    return "[127.0.0.1]:" + std::to_string(m_port) + " " + key.substr(0, comment);
}

SshAgent::SshAgent(const std::string& keyFile) : ServerProcess("velloran-agent-") {
    const fs::path outPath = m_dir / "agent.out";
    Fd out(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    m_supervisor = spawnServer({"/usr/bin/ssh-agent", "-D", "-a", socket()}, out.fd, out.fd);
    const auto deadline = Clock::now() + kStartLimit;
    while (!fs::exists(socket())) {
        if (Clock::now() > deadline) {
            stopServer(m_supervisor);
            throw std::runtime_error("ssh-agent did not start: " + fileText(outPath));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run("SSH_AUTH_SOCK='" + socket() + "' /usr/bin/ssh-add -q '" + keyFile + "'",
        m_dir / "add.log");
}

} // namespace velloran::testing
