// Non-blocking POSIX sockets behind calls that look blocking. Level-triggered poll() stands
// in for the event notifications: what is readable is read until the socket would block or the
// peer has closed, and what is pending is written, a full block followed at once by the next.
#include "ftp/asyncsocket.h"

#include "platform/eventpump.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace velloran {

namespace {

using Clock = std::chrono::steady_clock;

// Blocks a handler moves before the wait lets the user interface in again: 1 MiB.
constexpr int kBlocksPerTurn = 64;
// Received blocks are gathered into writes of this size: the file system, not the network,
// is the slow side of a download on a fast line.
constexpr std::size_t kCaptureFlush = 128 * 1024;

EventPump* g_pump = nullptr;

// The sockets of one thread: every wait polls all of them, as one message loop would.
std::vector<TAsyncSocket*>& Sockets() {
    thread_local std::vector<TAsyncSocket*> sockets;
    return sockets;
}

bool Alive(const TAsyncSocket* socket) {
    const auto& sockets = Sockets();
    return std::find(sockets.begin(), sockets.end(), socket) != sockets.end();
}

std::string SystemText(int errorNumber) {
    return std::strerror(errorNumber);
}

std::string Dotted(std::uint32_t networkAddress) {
    char text[INET_ADDRSTRLEN] = {};
    in_addr address{};
    address.s_addr = networkAddress;
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

// The local or peer end of a socket; all zero when there is none.
sockaddr_in AddressOf(int socket, int (*query)(int, sockaddr*, socklen_t*)) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (socket < 0 || query(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        address = sockaddr_in{};
    return address;
}

std::string Duration(int milliseconds) {
    if (milliseconds % 1000 != 0)
        return std::to_string(milliseconds) + " ms";
    const int seconds = milliseconds / 1000;
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

} // namespace

// Host lookups cannot be interrupted, so the worker owns its result jointly with the socket
// and simply finishes unobserved when the socket has given up on it.
struct TAsyncSocket::Lookup {
    std::atomic<bool> done{false};
    bool ok = false;
    std::uint32_t address = 0;
};

void TAsyncSocket::Tick(Clock::time_point now) {
    if (m_lookup && !m_lookupDone && m_lookup->done.load()) {
        m_lookupDone = true;
        m_lastOpSucceeded = m_lookup->ok;
    }
    m_timer.Poll(now);
}

// ---- TThreadTimer

void TThreadTimer::SetEnabled(bool enabled) {
    m_enabled = enabled;
    Restart();
}

void TThreadTimer::SetInterval(unsigned milliseconds) {
    m_interval = milliseconds;
    Restart();
}

void TThreadTimer::SetOnTimer(std::function<void()> handler) {
    m_onTimer = std::move(handler);
    Restart();
}

void TThreadTimer::Restart() {
    if (m_enabled && m_interval != 0 && m_onTimer)
        m_due = Clock::now() + std::chrono::milliseconds(m_interval);
    else
        m_due.reset();
}

void TThreadTimer::Poll(Clock::time_point now) {
    if (!m_due || now < *m_due)
        return;
    m_due = now + std::chrono::milliseconds(m_interval);
    m_onTimer();
}

// ---- creation and the notification loop

TAsyncSocket::TAsyncSocket() {
    m_timer.SetEnabled(false);
    m_timer.SetOnTimer([this] { TimerFired(); });
    StatusMessage(8, "Create");
    StatusMessage(8, "Initializing Winsock");
    try {
        CreateSocket(true);
    } catch (const ESockError&) {
        // Reported through OnError already; the caller needs to know the object is unusable.
    }
    if (m_socket < 0)
        throw ESockError("Initializaton of windows sockets failed");
    Sockets().push_back(this);
}

TAsyncSocket::~TAsyncSocket() {
    auto& list = Sockets();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    StatusMessage(8, "Destroy");
    m_canceled = true;
    m_destroying = true;
    if (m_sendFile >= 0)
        ::close(m_sendFile);
    if (m_captureFile >= 0)
        ::close(m_captureFile);
    try {
        CloseSocket();
    } catch (const std::exception&) {
        // The descriptor is gone either way; a destructor has no one to tell.
    }
}

void TAsyncSocket::SetEventPump(EventPump* pump) noexcept {
    g_pump = pump;
}

int TAsyncSocket::SocketUsers() noexcept {
    return static_cast<int>(Sockets().size());
}

void TAsyncSocket::ProcessNotifications(int timeoutMs) {
    std::vector<TAsyncSocket*> owners;
    std::vector<pollfd> fds;
    bool decrypted = false;
    for (TAsyncSocket* socket : Sockets()) {
        const short interest = socket->PollInterest();
        if (interest != 0 && socket->m_socket >= 0) {
            owners.push_back(socket);
            fds.push_back(pollfd{socket->m_socket, interest, 0});
            decrypted = decrypted || socket->TlsInputWaiting();
        }
    }
    // Input the TLS layer holds already decrypted never shows on the socket.
    const int ready = ::poll(fds.data(), fds.size(), decrypted ? 0 : timeoutMs);
    if (ready > 0 || decrypted) {
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents == 0 && Alive(owners[i]) && owners[i]->TlsInputWaiting())
                fds[i].revents = POLLIN;
            if (fds[i].revents != 0 && Alive(owners[i]))
                owners[i]->Notify(fds[i].revents);
        }
    }
    const auto now = Clock::now();
    const std::vector<TAsyncSocket*> all = Sockets();
    for (TAsyncSocket* socket : all) {
        if (Alive(socket))
            socket->Tick(now);
    }
}

void TAsyncSocket::WaitTurn() {
    ProcessNotifications(2);
    if (g_pump)
        g_pump->processPendingEvents();
}

void TAsyncSocket::WaitUntil(const std::function<bool()>& done) {
    while (!done())
        WaitTurn();
}

void TAsyncSocket::CreateSocket(bool withLinger) {
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    m_state = State::Idle;
    m_peerClosed = false;
    m_sendError = 0;
    if (m_socket < 0) {
        std::string text;
        ErrorManager(kWouldBlock, text);
        return;
    }
    if (withLinger)
        SetLinger(true);
}

void TAsyncSocket::CloseHandle() noexcept {
    DropTls();
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
    m_state = State::Idle;
}

short TAsyncSocket::PollInterest() const noexcept {
    switch (m_state) {
    case State::Connecting:
        return POLLOUT;
    case State::Listening:
        return m_acceptReported ? 0 : POLLIN;
    case State::Open: {
        if (m_tlsWait != 0)
            return m_tlsWait;
        short interest = 0;
        if (!m_peerClosed && !m_canceled)
            interest |= POLLIN;
        if ((HasOutbound() || m_tlsReadWantsWrite) && !m_canceled)
            interest |= POLLOUT;
        return interest;
    }
    case State::Idle:
        break;
    }
    return 0;
}

void TAsyncSocket::Notify(short revents) {
    const bool failed = (revents & (POLLERR | POLLHUP)) != 0;
    switch (m_state) {
    case State::Connecting:
        ConnectFinished();
        return;
    case State::Listening:
        m_acceptReported = true;
        m_lastOpSucceeded = (revents & POLLERR) == 0;
        m_lookupDone = m_lookupDone || m_acceptViaLookup;
        m_connected = true;
        return;
    case State::Open:
        if (m_tlsWait != 0) {
            m_tlsReady = true;
            return;
        }
        if ((revents & POLLIN) || failed || ((revents & POLLOUT) && m_tlsReadWantsWrite))
            ReceiveHandler();
        if (m_state == State::Open &&
            ((revents & POLLOUT) || failed || ((revents & POLLIN) && m_tlsWriteWantsRead)) &&
            HasOutbound())
            SendHandler();
        return;
    case State::Idle:
        return;
    }
}

void TAsyncSocket::ConnectFinished() {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    m_lastOpSucceeded = error == 0;
    if (error != 0) {
        m_lastErrorNo = error;
        m_state = State::Idle;
        return;
    }
    m_state = State::Open;
    m_connected = true;
    SocketConnected();
}

void TAsyncSocket::SocketConnected() {
    if (OnConnect)
        OnConnect(*this);
}

// ---- receiving and sending

void TAsyncSocket::ReceiveHandler() {
    if (m_canceled || m_inHandler || m_peerClosed)
        return;
    m_inHandler = true;
    StatusMessage(8, "ReadToStream");
    for (int block = 0; block < kBlocksPerTurn && !m_canceled; ++block) {
        if (!ReceiveBlock())
            break;
    }
    m_inHandler = false;
}

bool TAsyncSocket::ReceiveBlock() {
    char block[kBlockSize];
    if (m_tls) {
        std::size_t got = 0;
        const TlsIo result = m_tls->Read(block, sizeof block, got);
        m_tlsReadWantsWrite = result == TlsIo::WantWrite;
        switch (result) {
        case TlsIo::Done:
            ReceivedBytesAppend(block, got);
            return true;
        case TlsIo::WantRead:
        case TlsIo::WantWrite:
            m_lastErrorNo = EWOULDBLOCK;
            return false;
        case TlsIo::Failed:
            m_tlsFailure = m_tls->ErrorText();
            StatusMessage(1, m_tlsFailure);
            [[fallthrough]];
        case TlsIo::Closed:
            PeerClosed();
            return false;
        }
    }
    const ssize_t received = ::recv(m_socket, block, sizeof block, 0);
    if (received > 0) {
        // A short block does not mean nothing follows: a reply and the peer's close often
        // wait together, and only the next read finds the close. Stopping here would leave
        // the connection looking open until some later turn.
        ReceivedBytesAppend(block, static_cast<std::size_t>(received));
        return true;
    }
    if (received == 0) {
        PeerClosed();
    } else if (errno == EINTR) {
        return true;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
        // Nothing more yet; an empty read is no error worth reporting.
        m_lastErrorNo = errno;
    } else {
        ReportSocketError(errno);
        PeerClosed();
    }
    return false;
}

void TAsyncSocket::ReceivedBytesAppend(const char* bytes, std::size_t count) {
    m_bytesArrived += static_cast<std::int64_t>(count);
    if (m_captureFile >= 0) {
        m_captureBuffer.append(bytes, count);
        if (m_captureBuffer.size() >= kCaptureFlush)
            FlushCapture();
    } else {
        m_inbound.append(bytes, count);
    }
    if (m_countBytes) {
        m_receivedBytes += static_cast<std::int64_t>(count);
        if (OnPacketRecvd)
            OnPacketRecvd(*this);
    }
}

void TAsyncSocket::FlushCapture() noexcept {
    for (std::size_t done = 0; done < m_captureBuffer.size() && m_captureError == 0;) {
        const ssize_t written =
            ::write(m_captureFile, m_captureBuffer.data() + done, m_captureBuffer.size() - done);
        if (written < 0 && errno != EINTR)
            m_captureError = errno;
        else if (written > 0)
            done += static_cast<std::size_t>(written);
    }
    m_captureBuffer.clear();
}

void TAsyncSocket::PeerClosed() {
    m_peerClosed = true;
    m_connected = false;
    if (OnDisconnect)
        OnDisconnect(*this);
}

bool TAsyncSocket::HasOutbound() const noexcept {
    if (m_sendError != 0)
        return false;
    if (m_fileMode)
        return m_sendFile >= 0 && m_sentBytes < m_sendFileSize;
    return !m_outbound.empty();
}

void TAsyncSocket::SendHandler() {
    if (m_inHandler)
        return;
    m_inHandler = true;
    StatusMessage(8, "WriteFromStream");
    for (int block = 0; block < kBlocksPerTurn && !m_canceled; ++block) {
        if (!HasOutbound()) {
            m_sendDone = m_sendError == 0;
            break;
        }
        if (!SendBlock())
            break;
    }
    m_inHandler = false;
}

bool TAsyncSocket::SendBlock() {
    char fileBlock[kBlockSize];
    std::string_view data;
    if (m_fileMode) {
        const auto want = std::min<std::int64_t>(kBlockSize, m_sendFileSize - m_sentBytes);
        const ssize_t got = ::pread(m_sendFile, fileBlock, static_cast<std::size_t>(want),
                                    static_cast<off_t>(m_sentBytes));
        if (got <= 0) {
            m_sendError = got < 0 ? errno : EIO;
            return false;
        }
        data = std::string_view(fileBlock, static_cast<std::size_t>(got));
    } else {
        data = m_outbound.view().substr(0, kBlockSize);
    }
    ssize_t sent = 0;
    if (m_tls) {
        std::size_t put = 0;
        const TlsIo result = m_tls->Write(data.data(), data.size(), put);
        m_tlsWriteWantsRead = result == TlsIo::WantRead;
        if (result == TlsIo::Done) {
            sent = static_cast<ssize_t>(put);
            // A record goes out whole or not at all; what the layer took counts as sent.
            data = data.substr(0, put);
        } else if (result == TlsIo::Failed || result == TlsIo::Closed) {
            m_tlsFailure = m_tls->ErrorText();
            m_sendError = EPROTO;
            return false;
        } else {
            m_lastErrorNo = EWOULDBLOCK;
            return false;
        }
    } else {
        sent = ::send(m_socket, data.data(), data.size(), MSG_NOSIGNAL);
    }
    if (sent < 0) {
        m_lastErrorNo = errno;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            m_sendError = errno;
        return false;
    }
    if (!m_fileMode)
        (void)m_outbound.take(static_cast<std::size_t>(sent));
    m_sentBytes += sent;
    if (!HasOutbound())
        m_sendDone = true;
    if (m_countBytes && OnPacketSent)
        OnPacketSent(*this);
    return static_cast<std::size_t>(sent) == data.size();
}

void TAsyncSocket::ReportSocketError(int errorNumber) {
    m_lastErrorNo = errorNumber;
    std::string text;
    ErrorText(errorNumber, text);
    if (OnError)
        OnError(*this, errorNumber, text);
}

// ---- time-out timer

void TAsyncSocket::StartTimer() {
    StatusMessage(8, "Timer On");
    m_timedOut = false;
    m_timer.SetInterval(static_cast<unsigned>(std::max(TimeOut, 0)));
    m_timer.SetEnabled(true);
}

void TAsyncSocket::StopTimer() {
    StatusMessage(8, "Timer Off");
    m_timer.SetEnabled(false);
}

void TAsyncSocket::TimerFired() {
    StopTimer();
    m_timedOut = true;
    Abort();
    StatusMessage(8, "Timer Triggered");
}

// ---- connecting

void TAsyncSocket::ResolveHost() {
    StatusMessage(8, "Resolve Host");
    const std::string name = Proxy.empty() ? Host : Proxy;
    in_addr dotted{};
    if (::inet_pton(AF_INET, name.c_str(), &dotted) == 1) {
        m_remoteAddress = dotted.s_addr;
        return;
    }
    m_remoteAddress = 0;
    StartTimer();
    m_lookupDone = false;
    m_lookup = std::make_shared<Lookup>();
    std::thread([lookup = m_lookup, name] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* result = nullptr;
        if (::getaddrinfo(name.c_str(), nullptr, &hints, &result) == 0 && result) {
            lookup->address = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
            lookup->ok = true;
        }
        if (result)
            ::freeaddrinfo(result);
        lookup->done.store(true);
    }).detach();
    do
        WaitTurn();
    while (!m_lookupDone && !m_timedOut && !m_canceled);
    StopTimer();
    const auto lookup = std::move(m_lookup);
    if (m_timedOut)
        throw ESockError("Host Lookup Timed Out");
    if (m_canceled)
        throw ESockError("Host Lookup Canceled");
    if (!m_lastOpSucceeded)
        throw ESockError("Host Lookup Failed");
    m_remoteAddress = lookup->address;
    if (OnHostResolved)
        OnHostResolved(*this);
}

void TAsyncSocket::Connect() {
    m_canceled = false;
    if (m_connected)
        throw ESockError("Already connected");
    for (int attempts = 0;; ++attempts) {
        m_remoteAddress = 0;
        try {
            ResolveHost();
        } catch (const ESockError& error) {
            const std::string_view text = error.what();
            if (text == "Host Lookup Timed Out" || text == "Host Lookup Canceled")
                throw;
        }
        if (m_remoteAddress != 0)
            break;
        bool handled = false;
        if (attempts == 0 && OnInvalidHost)
            OnInvalidHost(handled);
        if (!handled)
            throw ESockError("Null Remote Address");
    }
    StatusMessage(8, "Connecting");
    // A new connection starts from a fresh socket and empty buffers, whatever the last
    // one left behind.
    CloseHandle();
    CreateSocket(true);
    m_inbound.clear();
    m_outbound.clear();
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = m_remoteAddress;
    target.sin_port = htons(static_cast<std::uint16_t>(Proxy.empty() ? Port : ProxyPort));
    m_lastOpSucceeded = true;
    m_state = State::Connecting;
    if (::connect(m_socket, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0 &&
        errno != EINPROGRESS) {
        m_lastErrorNo = errno;
        m_lastOpSucceeded = false;
        m_state = State::Idle;
    }
    StartTimer();
    do
        WaitTurn();
    while (!m_connected && !m_timedOut && !m_canceled && m_lastOpSucceeded);
    StopTimer();
    if (m_connected && !m_timedOut && !m_canceled)
        return;
    CloseHandle();
    CreateSocket(true);
    m_connected = false;
    if (OnConnectionFailed)
        OnConnectionFailed(*this);
    if (m_timedOut)
        throw ESockError("Connection Timed Out");
    if (m_canceled)
        throw ESockError("Connection Canceled");
    throw ESockError("Connection Failed");
}

void TAsyncSocket::CheckConnected() {
    for (int attempts = 0; !m_connected; ++attempts) {
        bool handled = false;
        if (attempts == 0 && OnConnectionRequired)
            OnConnectionRequired(handled);
        if (!handled)
            throw VelloranError("Not Connected");
    }
}

void TAsyncSocket::Cancel() {
    StatusMessage(8, "Canceling");
    m_canceled = true;
    WaitTurn();
}

void TAsyncSocket::Disconnect() {
    StatusMessage(8, "Disconnecting");
    CloseSocket();
}

void TAsyncSocket::CloseSocket() {
    StatusMessage(4, "Request Close Socket");
    m_connected = false;
    if (m_socket < 0)
        return;
    // One disconnect per connection: the peer's close has reported it already, and a
    // socket that never carried a connection has nothing to report.
    const bool report = m_state == State::Open && !m_peerClosed;
    // A close notification tells the peer that nothing was cut off, so a broken-off transfer
    // must not send one.
    if (m_tls && m_tls->HandshakeDone() && m_tlsWait == 0 && !m_canceled && !m_destroying) {
        (void)m_tls->Shutdown();
        // An abortive close could discard the notification still queued.
        SetLinger(false);
    }
    DropTls();
    const int result = ::close(m_socket);
    const int closeError = errno;
    m_socket = -1;
    m_state = State::Idle;
    if (result != 0) {
        errno = closeError;
        std::string text;
        ErrorManager(kWouldBlock, text);
        return;
    }
    if (report && OnDisconnect)
        OnDisconnect(*this);
    if (!m_destroying)
        CreateSocket(false);
}

// ---- lines, counts and files

void TAsyncSocket::ThrowIfStalled(Clock::time_point lastProgress, const char* what) {
    if (ReplyTimeOut <= 0 || Clock::now() - lastProgress < std::chrono::milliseconds(ReplyTimeOut))
        return;
    CloseSocket();
    throw ESockError(std::string("Timed out: ") + what + " for " + Duration(ReplyTimeOut));
}

void TAsyncSocket::WriteLine(const std::string& text) {
    if (m_canceled)
        return;
    StatusMessage(8, "Writeln");
    m_outbound.append(text);
    m_outbound.append("\r\n");
    m_sendDone = false;
    WaitForOutbound();
}

void TAsyncSocket::WaitForOutbound() {
    auto lastProgress = Clock::now();
    auto sent = m_sentBytes;
    SendHandler();
    while (!m_sendDone && m_sendError == 0 && !(m_fileMode && m_canceled)) {
        if (m_state != State::Open) {
            m_sendError = ENOTCONN;
            break;
        }
        WaitTurn();
        if (m_sentBytes != sent) {
            sent = m_sentBytes;
            lastProgress = Clock::now();
        }
        ThrowIfStalled(lastProgress, "nothing could be sent");
    }
    if (m_sendError == 0)
        return;
    const int error = m_sendError;
    m_outbound.clear();
    CloseSocket();
    throw ESockError("Connection lost while sending: " +
                     (m_tlsFailure.empty() ? SystemText(error) : m_tlsFailure));
}

std::string TAsyncSocket::ReadLine() {
    auto line = ReadLineOrEnd();
    if (!line)
        throw ESockError("Connection closed by peer");
    return *std::move(line);
}

std::optional<std::string> TAsyncSocket::ReadLineOrEnd() {
    StatusMessage(8, "ReadLn");
    auto lastProgress = Clock::now();
    auto arrived = m_bytesArrived;
    for (;;) {
        if (m_canceled)
            throw EAbortError("Socket readln aborted");
        if (auto line = m_inbound.takeLine())
            return line;
        if (m_inbound.size() > kMaxLineLength) {
            m_inbound.clear();
            CloseSocket();
            throw ESockError("Line longer than " + std::to_string(kMaxLineLength) +
                             " bytes received");
        }
        if (m_state != State::Open || m_peerClosed) {
            if (!m_inbound.empty())
                return m_inbound.take(m_inbound.size());
            return std::nullopt;
        }
        WaitTurn();
        if (m_bytesArrived != arrived) {
            arrived = m_bytesArrived;
            lastProgress = Clock::now();
        }
        ThrowIfStalled(lastProgress, "nothing arrived");
    }
}

std::string TAsyncSocket::ReadCount(std::uint16_t count) {
    StatusMessage(8, "Read( " + std::to_string(count) + " )");
    std::size_t wanted = count != 0 ? count : m_inbound.size();
    WaitUntil([&] {
        return (!m_inbound.empty() && m_inbound.size() >= wanted) || m_canceled || m_peerClosed ||
               m_state != State::Open;
    });
    if (m_canceled)
        return {};
    if (wanted == 0)
        wanted = m_inbound.size();
    return m_inbound.take(wanted);
}

std::string TAsyncSocket::Transaction(const std::string& command) {
    StatusMessage(8, "Transaction");
    m_replyCode = 0;
    WriteLine(command);
    SetReply(ReadLine());
    return m_lastReply;
}

void TAsyncSocket::SetReply(std::string line) {
    m_lastReply = std::move(line);
    m_replyCode = 0;
    if (!m_lastReply.empty()) {
        StatusMessage(1, std::string(WithoutLineEnd(m_lastReply)));
        m_replyCode = ReplyCodeOf(m_lastReply);
    }
}

void TAsyncSocket::SendFile(const std::string& fileName) {
    ByteQueue kept = std::exchange(m_outbound, ByteQueue());
    m_countBytes = true;
    m_fileMode = true;
    StatusMessage(8, "SendFile");
    struct Restore {
        TAsyncSocket& socket;
        ByteQueue& kept;
        ~Restore() {
            if (socket.m_sendFile >= 0)
                ::close(socket.m_sendFile);
            socket.m_sendFile = -1;
            socket.m_outbound = std::move(kept);
            socket.m_countBytes = false;
            socket.m_fileMode = false;
        }
    } restore{*this, kept};
    m_sendFile = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (m_sendFile < 0 || ::fstat(m_sendFile, &info) != 0)
        throw FileError("Cannot read \"" + fileName + "\": " + SystemText(errno));
    m_sendDone = false;
    m_sentBytes = 0;
    m_sendFileSize = info.st_size;
    TotalBytes = info.st_size;
    WaitForOutbound();
    if (m_canceled) {
        m_canceled = false;
        throw EAbortError("Socket send aborted");
    }
}

void TAsyncSocket::CaptureFile(const std::string& fileName) {
    ByteQueue early = std::exchange(m_inbound, ByteQueue());
    m_countBytes = true;
    m_fileMode = true;
    StatusMessage(8, "CaptureFile");
    struct Restore {
        TAsyncSocket& socket;
        ~Restore() {
            if (socket.m_captureFile >= 0) {
                socket.FlushCapture();
                ::close(socket.m_captureFile);
            }
            socket.m_captureFile = -1;
            socket.m_countBytes = false;
            socket.m_fileMode = false;
        }
    } restore{*this};
    m_captureFile = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_captureFile < 0)
        throw FileError("Cannot create \"" + fileName + "\": " + SystemText(errno));
    m_captureError = 0;
    m_captureBuffer.reserve(kCaptureFlush + kBlockSize);
    m_receivedBytes = 0;
    // Bytes that came between accepting and capturing belong at the front of the file.
    if (!early.empty())
        ReceivedBytesAppend(early.view().data(), early.size());
    auto lastProgress = Clock::now();
    auto received = m_receivedBytes;
    while (m_connected && !m_canceled && m_captureError == 0) {
        WaitTurn();
        if (m_receivedBytes != received) {
            received = m_receivedBytes;
            lastProgress = Clock::now();
        }
        ThrowIfStalled(lastProgress, "nothing arrived");
    }
    FlushCapture();
    if (m_canceled) {
        m_canceled = false;
        throw EAbortError("Socket send aborted");
    }
    if (m_captureError != 0)
        throw FileError("Cannot write \"" + fileName + "\": " + SystemText(m_captureError));
}

// ---- listening and accepting

void TAsyncSocket::Listen(bool acceptViaLookup) {
    StatusMessage(8, "Listening");
    if (m_state != State::Idle || m_socket < 0) {
        CloseHandle();
        CreateSocket(true);
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(Port));
    m_lookupDone = false;
    m_acceptReported = false;
    m_acceptViaLookup = acceptViaLookup;
    if (::bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(m_socket, 1) != 0)
        throw ESockError("Cannot listen for a connection: " + SystemText(errno));
    m_state = State::Listening;
}

int TAsyncSocket::Accept() {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ReplyTimeOut);
    while (!m_lookupDone && !m_canceled) {
        if (ReplyTimeOut > 0 && Clock::now() >= deadline)
            throw ESockError("Timed out: no connection came within " + Duration(ReplyTimeOut));
        WaitTurn();
    }
    if (m_canceled)
        throw ESockError("Accepting Canceled");
    if (!m_lastOpSucceeded)
        throw ESockError("Error creating Data Connection");
    StatusMessage(4, "Accepting");
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int accepted = ::accept4(m_socket, reinterpret_cast<sockaddr*>(&peer), &length,
                                   SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (accepted < 0)
        throw ESockError("Error creating Data Connection");
    m_remoteAddress = peer.sin_addr.s_addr;
    return accepted;
}

void TAsyncSocket::AdoptSocket(int acceptedSocket) {
    CloseHandle();
    m_socket = acceptedSocket;
    m_state = State::Open;
    m_peerClosed = false;
    m_sendError = 0;
    m_connected = true;
}

// ---- TLS

void TAsyncSocket::StartTls(TlsContext& context, const std::string& hostName) {
    if (m_state != State::Open)
        throw ESockError("Not Connected");
    if (m_peerClosed) {
        CloseSocket();
        throw ETlsError("TLS handshake failed: the server closed the connection");
    }
    m_inbound.clear();
    m_tlsFailure.clear();
    m_tls = std::make_unique<TlsLink>(context, m_socket, hostName);
    RunTlsStep([this] { return m_tls->Handshake(); }, "the TLS handshake did not finish");
}

void TAsyncSocket::TlsClose(bool waitForPeer) {
    if (!m_tls || m_state != State::Open)
        return;
    if (!m_peerClosed)
        RunTlsStep([this] { return m_tls->Shutdown(); }, "the TLS close was not sent");
    if (!waitForPeer)
        return;
    ::shutdown(m_socket, SHUT_WR);
    auto lastProgress = Clock::now();
    auto arrived = m_bytesArrived;
    while (!m_peerClosed && m_state == State::Open && !m_canceled) {
        WaitTurn();
        if (m_bytesArrived != arrived) {
            arrived = m_bytesArrived;
            lastProgress = Clock::now();
        }
        ThrowIfStalled(lastProgress, "the peer did not close the connection");
    }
}

void TAsyncSocket::RunTlsStep(const std::function<TlsIo()>& step, const char* what) {
    auto lastProgress = Clock::now();
    for (;;) {
        if (m_canceled) {
            m_tlsWait = 0;
            throw EAbortError("TLS canceled");
        }
        const TlsIo result = step();
        if (result == TlsIo::Done) {
            m_tlsWait = 0;
            return;
        }
        if (result == TlsIo::Failed || result == TlsIo::Closed) {
            m_tlsWait = 0;
            m_tlsFailure = m_tls->ErrorText();
            const std::string text = m_tlsFailure;
            CloseSocket();
            throw ETlsError(text);
        }
        m_tlsWait = result == TlsIo::WantRead ? POLLIN : POLLOUT;
        m_tlsReady = false;
        while (!m_tlsReady && !m_canceled && m_state == State::Open) {
            WaitTurn();
            ThrowIfStalled(lastProgress, what);
        }
        if (m_state != State::Open) {
            m_tlsWait = 0;
            throw ESockError("Connection closed during TLS set-up");
        }
        lastProgress = Clock::now();
    }
}

bool TAsyncSocket::TlsInputWaiting() const {
    return m_tls && m_tlsWait == 0 && m_state == State::Open && !m_canceled && !m_peerClosed &&
           m_tls->HandshakeDone() && m_tls->HasPending();
}

void TAsyncSocket::DropTls() noexcept {
    m_tls.reset();
    m_tlsWait = 0;
    m_tlsReady = false;
    m_tlsReadWantsWrite = false;
    m_tlsWriteWantsRead = false;
}

void TAsyncSocket::SetLinger(bool on) {
    const linger option{on ? 1 : 0, 0};
    ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &option, sizeof option);
}

void TAsyncSocket::DiscardWaitingInput() {
    ProcessNotifications(0);
    m_inbound.clear();
}

// ---- errors, status and addresses

void TAsyncSocket::ErrorManager(int ignorable, std::string& text) {
    const int error = errno;
    StatusMessage(16, "Checking Error In Error Manager");
    m_lastErrorNo = error;
    if (error == ignorable)
        return;
    ErrorText(error, text);
    if (OnError)
        OnError(*this, error, text);
    throw ESockError(text);
}

void TAsyncSocket::ErrorText(int errorNumber, std::string& text) {
    if (errorNumber != 0 && text.empty())
        text = "Unknown Error No. " + std::to_string(errorNumber);
    StatusMessage(8, "Looking Up Error Message" + text);
}

void TAsyncSocket::StatusMessage(int level, const std::string& text) {
    if (level > ReportLevel)
        return;
    m_status = text;
    if (OnStatus)
        OnStatus(*this, text);
}

std::string TAsyncSocket::LocalPortText() const {
    const int port = ntohs(AddressOf(m_socket, ::getsockname).sin_port);
    return "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

std::string TAsyncSocket::LocalAddressText() const {
    const sockaddr_in local = AddressOf(m_socket, ::getsockname);
    return local.sin_family == AF_INET ? Dotted(local.sin_addr.s_addr) : std::string();
}

std::string TAsyncSocket::PeerAddressText() const {
    const sockaddr_in peer = AddressOf(m_socket, ::getpeername);
    return peer.sin_family == AF_INET ? Dotted(peer.sin_addr.s_addr) : std::string();
}

std::string TAsyncSocket::RemoteAddressText() const {
    return Dotted(m_remoteAddress);
}

} // namespace velloran
