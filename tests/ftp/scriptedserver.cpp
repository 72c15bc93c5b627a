// Plays a script on one thread; every wait also watches a wake pipe so destruction never blocks.
#include "ftp/scriptedserver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace velloran::testing {
namespace {

constexpr auto kStepLimit = std::chrono::seconds(10);
constexpr const char* kClosed = "the client closed the control connection";

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
    }
    fd = -1;
}

std::string visible(std::string text) {
    for (std::size_t at = 0; (at = text.find_first_of("\r\n", at)) != std::string::npos;) {
        text.replace(at, 1, text[at] == '\r' ? "\\r" : "\\n");
    }
    return text.size() > 80 ? text.substr(0, 80) + "..." : text;
}

// "PORT h1,h2,h3,h4,p1,p2" to an address and port; false when the command is malformed.
bool parsePort(const std::string& command, sockaddr_in& addr) {
    unsigned v[6];
    char extra = 0;
    if (std::sscanf(command.c_str() + 5, "%u,%u,%u,%u,%u,%u%c", &v[0], &v[1], &v[2], &v[3], &v[4],
                    &v[5], &extra) != 6) {
        return false;
    }
    for (unsigned value : v) {
        if (value > 255) {
            return false;
        }
    }
    addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(v[0] << 24 | v[1] << 16 | v[2] << 8 | v[3]);
    addr.sin_port = htons(static_cast<uint16_t>(v[4] << 8 | v[5]));
    return true;
}

} // namespace

ScriptedFtpServer::ScriptedFtpServer() {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), size) != 0 ||
        ::listen(m_listen, 4) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &size) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0 || ::pipe2(m_release, O_CLOEXEC) != 0) {
        const std::string error = systemError("cannot listen on 127.0.0.1");
        closeFd(m_listen);
        throw std::runtime_error(error);
    }
    m_port = ntohs(addr.sin_port);
}

ScriptedFtpServer::~ScriptedFtpServer() {
    if (m_thread.joinable()) {
        [[maybe_unused]] const ssize_t written = ::write(m_wake[1], "x", 1);
        m_thread.join();
    }
    for (int* fd : {&m_data, &m_passive, &m_control, &m_listen, &m_wake[0], &m_wake[1],
                    &m_release[0], &m_release[1]}) {
        closeFd(*fd);
    }
}

ScriptedFtpServer& ScriptedFtpServer::add(Kind kind, std::string text) {
    if (m_thread.joinable()) {
        throw std::logic_error("script steps must be added before start()");
    }
    m_steps.push_back({kind, std::move(text)});
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::reply(std::string text) {
    return add(Kind::Reply, std::move(text));
}
ScriptedFtpServer& ScriptedFtpServer::expect(std::string line) {
    return add(Kind::Expect, std::move(line));
}
ScriptedFtpServer& ScriptedFtpServer::expectAny() {
    return add(Kind::ExpectAny);
}
ScriptedFtpServer& ScriptedFtpServer::openData(std::string fromAddress) {
    return add(Kind::OpenData, std::move(fromAddress));
}
ScriptedFtpServer& ScriptedFtpServer::replyPassive(std::string text) {
    return add(Kind::ReplyPassive, std::move(text));
}
ScriptedFtpServer& ScriptedFtpServer::acceptData() {
    return add(Kind::AcceptData);
}
ScriptedFtpServer& ScriptedFtpServer::sendData(std::string bytes) {
    return add(Kind::SendData, std::move(bytes));
}
ScriptedFtpServer& ScriptedFtpServer::receiveData() {
    return add(Kind::ReceiveData);
}
ScriptedFtpServer& ScriptedFtpServer::closeData() {
    return add(Kind::CloseData);
}
ScriptedFtpServer& ScriptedFtpServer::waitForClose() {
    return add(Kind::WaitForClose);
}
ScriptedFtpServer& ScriptedFtpServer::closeControl() {
    return add(Kind::CloseControl);
}
ScriptedFtpServer& ScriptedFtpServer::hold() {
    return add(Kind::Hold);
}

void ScriptedFtpServer::start() {
    if (m_thread.joinable()) {
        throw std::logic_error("the script is already running");
    }
    m_thread = std::thread([this] { run(); });
}

void ScriptedFtpServer::release() {
    [[maybe_unused]] const ssize_t written = ::write(m_release[1], "x", 1);
}

std::string ScriptedFtpServer::finish(std::chrono::milliseconds limit) {
    if (!m_thread.joinable()) {
        return "the script was never started";
    }
    std::unique_lock lock(m_mutex);
    if (!m_ended.wait_for(lock, limit, [this] { return m_done; })) {
        return "script still running at step " + std::to_string(m_step + 1);
    }
    return m_error;
}

std::vector<std::string> ScriptedFtpServer::commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

std::string ScriptedFtpServer::dataReceived() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::string ScriptedFtpServer::dataPeer() const {
    std::lock_guard lock(m_mutex);
    return m_dataPeer;
}

void ScriptedFtpServer::run() {
    static const char* const names[] = {
        "reply",    "expect",      "expectAny", "openData",     "replyPassive", "acceptData",
        "sendData", "receiveData", "closeData", "waitForClose", "closeControl", "hold"};
    std::string error = acceptControl(std::chrono::steady_clock::now() + kStepLimit);
    for (std::size_t i = 0; error.empty() && i < m_steps.size(); ++i) {
        {
            std::lock_guard lock(m_mutex);
            m_step = i;
        }
        const Step& step = m_steps[i];
        error = runStep(step, std::chrono::steady_clock::now() + kStepLimit);
        if (!error.empty()) {
            const std::string text = step.text.empty() ? "" : " \"" + visible(step.text) + "\"";
            error = "step " + std::to_string(i + 1) + " (" + names[static_cast<int>(step.kind)] +
                    text + "): " + error;
        }
    }
    if (!error.empty()) {
        closeFd(m_data);
        closeFd(m_passive);
        closeFd(m_control);
    }
    std::lock_guard lock(m_mutex);
    m_error = error;
    m_done = true;
    m_ended.notify_all();
}

std::string ScriptedFtpServer::acceptControl(Deadline deadline) {
    for (;;) {
        if (std::string error = waitFor(m_listen, POLLIN, deadline); !error.empty()) {
            return "waiting for the client to connect: " + error;
        }
        m_control = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (m_control >= 0) {
            return "";
        }
        if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED) {
            return systemError("accept failed");
        }
    }
}

std::string ScriptedFtpServer::runStep(const Step& step, Deadline deadline) {
    std::string line;
    switch (step.kind) {
    case Kind::Reply:
        return writeAll(m_control, step.text, deadline);
    case Kind::Expect:
    case Kind::ExpectAny:
        if (std::string error = readLine(deadline, line); !error.empty()) {
            return error;
        }
        return step.kind == Kind::ExpectAny || line == step.text ? "" : "got \"" + line + "\"";
    case Kind::OpenData:
        return connectData(step.text, deadline);
    case Kind::ReplyPassive: {
        std::string text = step.text;
        if (std::string error = listenData(text); !error.empty()) {
            return error;
        }
        return writeAll(m_control, text, deadline);
    }
    case Kind::AcceptData:
        return acceptPassive(deadline);
    case Kind::SendData:
        return writeAll(m_data, step.text, deadline);
    case Kind::ReceiveData:
        return receiveAll(deadline);
    case Kind::CloseData:
        closeFd(m_data);
        return "";
    case Kind::WaitForClose:
        for (;;) {
            if (std::string error = readLine(deadline, line); !error.empty()) {
                return error == kClosed ? "" : error;
            }
        }
    case Kind::CloseControl:
        return closeAcknowledged(deadline);
    case Kind::Hold: {
        if (std::string error = waitFor(m_release[0], POLLIN, deadline); !error.empty()) {
            return error;
        }
        char token = 0;
        return ::read(m_release[0], &token, 1) == 1 ? "" : systemError("reading the release");
    }
    }
    return "unknown step";
}

std::string ScriptedFtpServer::waitFor(int fd, short events, Deadline deadline) const {
    if (fd < 0) {
        return "the connection is not open";
    }
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            return "timed out after 10 s";
        }
        pollfd fds[2] = {{fd, events, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            return systemError("poll failed");
        }
        if (ready > 0) {
            return fds[1].revents != 0 ? "the server was stopped" : "";
        }
    }
}

std::string ScriptedFtpServer::readLine(Deadline deadline, std::string& line) {
    for (;;) {
        if (const std::size_t end = m_pending.find('\n'); end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            std::lock_guard lock(m_mutex);
            m_commands.push_back(line);
            return "";
        }
        if (std::string error = waitFor(m_control, POLLIN, deadline); !error.empty()) {
            return error;
        }
        char buffer[4096];
        const ssize_t got = ::recv(m_control, buffer, sizeof buffer, 0);
        if (got == 0 || (got < 0 && errno == ECONNRESET)) {
            return kClosed;
        }
        if (got < 0 && errno != EAGAIN && errno != EINTR) {
            return systemError("reading a command failed");
        }
        m_pending.append(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
    }
}

std::string ScriptedFtpServer::writeAll(int fd, const std::string& bytes, Deadline deadline) {
    for (std::size_t done = 0; done < bytes.size();) {
        if (std::string error = waitFor(fd, POLLOUT, deadline); !error.empty()) {
            return error;
        }
        const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno != EAGAIN && errno != EINTR) {
            return systemError("sending failed");
        }
        done += sent > 0 ? static_cast<std::size_t>(sent) : 0;
    }
    return "";
}

std::string ScriptedFtpServer::receiveAll(Deadline deadline) {
    for (;;) {
        if (std::string error = waitFor(m_data, POLLIN, deadline); !error.empty()) {
            return error;
        }
        char buffer[65536];
        const ssize_t got = ::recv(m_data, buffer, sizeof buffer, 0);
        if (got == 0) {
            return "";
        }
        if (got < 0 && errno != EAGAIN && errno != EINTR) {
            return systemError("reading data failed");
        }
        std::lock_guard lock(m_mutex);
        m_received.append(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
    }
}

// The client's system acknowledges the end of the connection as it queues it for reading, so
// once the acknowledgement is here the client can find the end without waiting.
std::string ScriptedFtpServer::closeAcknowledged(Deadline deadline) {
    if (m_control < 0) {
        return "the connection is not open";
    }
    ::shutdown(m_control, SHUT_WR);
    for (;;) {
        tcp_info info{};
        socklen_t size = sizeof info;
        if (::getsockopt(m_control, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) {
            const std::string error = systemError("cannot read the connection's state");
            closeFd(m_control);
            return error;
        }
        if (info.tcpi_state == TCP_FIN_WAIT2 || info.tcpi_state == TCP_TIME_WAIT ||
            info.tcpi_state == TCP_CLOSE) {
            closeFd(m_control);
            return "";
        }
        // No descriptor becomes ready when an acknowledgement comes, so look again shortly.
        if (std::chrono::steady_clock::now() >= deadline) {
            closeFd(m_control);
            return "the client never acknowledged the close";
        }
        pollfd wake{m_wake[0], POLLIN, 0};
        if (::poll(&wake, 1, 1) > 0) {
            closeFd(m_control);
            return "the server was stopped";
        }
    }
}

std::string ScriptedFtpServer::connectData(const std::string& from, Deadline deadline) {
    sockaddr_in target{};
    bool found = false;
    for (const std::string& command : commands()) {
        if (::strncasecmp(command.c_str(), "PORT ", 5) == 0) {
            found = parsePort(command, target);
        }
    }
    if (!found) {
        return "no well-formed PORT command was received last";
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (::inet_pton(AF_INET, from.c_str(), &local.sin_addr) != 1) {
        return "not an IPv4 address";
    }
    closeFd(m_data);
    m_data = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_data < 0 || ::bind(m_data, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        return systemError("cannot bind the data connection");
    }
    if (::connect(m_data, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0 &&
        errno != EINPROGRESS) {
        return systemError("cannot connect the data connection");
    }
    if (std::string error = waitFor(m_data, POLLOUT, deadline); !error.empty()) {
        return error;
    }
    int failure = 0;
    socklen_t size = sizeof failure;
    ::getsockopt(m_data, SOL_SOCKET, SO_ERROR, &failure, &size);
    errno = failure;
    return failure == 0 ? "" : systemError("cannot connect the data connection");
}

std::string ScriptedFtpServer::listenData(std::string& reply) {
    closeFd(m_passive);
    m_passive = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (m_passive < 0 || ::bind(m_passive, reinterpret_cast<sockaddr*>(&addr), size) != 0 ||
        ::listen(m_passive, 4) != 0 ||
        ::getsockname(m_passive, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
        return systemError("cannot listen for a data connection");
    }
    const int port = ntohs(addr.sin_port);
    const std::pair<const char*, int> fields[] = {
        {"{port}", port}, {"{p1}", port / 256}, {"{p2}", port % 256}};
    for (const auto& [name, value] : fields) {
        for (std::size_t at = 0; (at = reply.find(name, at)) != std::string::npos;) {
            reply.replace(at, std::strlen(name), std::to_string(value));
        }
    }
    return "";
}

std::string ScriptedFtpServer::acceptPassive(Deadline deadline) {
    for (;;) {
        if (std::string error = waitFor(m_passive, POLLIN, deadline); !error.empty()) {
            return "waiting for the data connection: " + error;
        }
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        const int accepted = ::accept4(m_passive, reinterpret_cast<sockaddr*>(&peer), &size,
                                       SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (accepted >= 0) {
            closeFd(m_data);
            m_data = accepted;
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
            std::lock_guard lock(m_mutex);
            m_dataPeer = text;
            return "";
        }
        if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED) {
            return systemError("accepting the data connection failed");
        }
    }
}

} // namespace velloran::testing
