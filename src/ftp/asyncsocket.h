// One IPv4 TCP connection whose calls look blocking: every wait polls the sockets for a few
// milliseconds at a time, runs their notification handlers and lets the user interface
// process its events, so a long transfer keeps the program alive and can be cancelled.
#pragma once

#include "ftp/ftpreply.h"
#include "ftp/tlslink.h"
#include "platform/errors.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace velloran {

class EventPump;

class ESockError : public VelloranError {
public:
    using VelloranError::VelloranError;
};

class EAbortError : public VelloranError {
public:
    using VelloranError::VelloranError;
};

// A periodic timer that fires from inside the socket waits, which are the only places a
// connection time-out has to be noticed.
class TThreadTimer {
public:
    using Clock = std::chrono::steady_clock;

    [[nodiscard]] bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool enabled);
    [[nodiscard]] unsigned Interval() const noexcept { return m_interval; }
    void SetInterval(unsigned milliseconds);
    void SetOnTimer(std::function<void()> handler);
    // Fires the handler once if a period has passed, and starts the next period.
    void Poll(Clock::time_point now);

private:
    void Restart();

    bool m_enabled = true;
    unsigned m_interval = 1000;
    std::function<void()> m_onTimer;
    std::optional<Clock::time_point> m_due;
};

class TAsyncSocket {
public:
    using NotifyEvent = std::function<void(TAsyncSocket&)>;
    using HandlerEvent = std::function<void(bool& handled)>;

    static constexpr std::size_t kBlockSize = 16383;
    static constexpr std::size_t kMaxLineLength = 64 * 1024;
    static constexpr int kWouldBlock = EWOULDBLOCK;

    TAsyncSocket();
    virtual ~TAsyncSocket();
    TAsyncSocket(const TAsyncSocket&) = delete;
    TAsyncSocket& operator=(const TAsyncSocket&) = delete;

    // The user interface's event processing, run once per turn of every wait.
    static void SetEventPump(EventPump* pump) noexcept;
    // One turn of the notification loop for every socket of this thread: waits at most
    // `timeoutMs` for socket events and runs their handlers. The waits call it themselves;
    // an idle user interface may call it to notice a peer's close between operations. A
    // socket with input reads it until it would block or finds the peer's close, so after
    // one turn Connected() says whether a peer that has closed is still there.
    static void ProcessNotifications(int timeoutMs);
    // How many sockets exist on this thread.
    [[nodiscard]] static int SocketUsers() noexcept;

    std::string Host;
    int Port = 0;
    int TimeOut = 0; // ms for host lookup and connection set-up; 0: no limit
    // ms a read, a send or a wait for a connection may go without any progress; 0: no limit
    int ReplyTimeOut = 60000;
    int ReportLevel = 0;
    std::string Proxy;
    int ProxyPort = 0;

    NotifyEvent OnConnect;
    NotifyEvent OnDisconnect;
    HandlerEvent OnInvalidHost;
    NotifyEvent OnHostResolved;
    std::function<void(TAsyncSocket&, const std::string&)> OnStatus;
    NotifyEvent OnConnectionFailed;
    std::function<void(TAsyncSocket&, int errorNumber, const std::string&)> OnError;
    HandlerEvent OnConnectionRequired;
    NotifyEvent OnPacketRecvd;
    NotifyEvent OnPacketSent;

    virtual int Accept();
    virtual void Connect();
    virtual void Disconnect();
    virtual std::string Transaction(const std::string& command);
    virtual void Abort() {}

    void Cancel();
    void CheckConnected();
    void ResolveHost();
    void WriteLine(const std::string& text);
    // Fails with ESockError when the peer has closed and nothing is left.
    std::string ReadLine();
    // The next line, or none once the peer has closed and every byte has been taken; a last
    // line without a line feed is returned as it is.
    std::optional<std::string> ReadLineOrEnd();
    std::string ReadCount(std::uint16_t count);
    void SendFile(const std::string& fileName);
    void CaptureFile(const std::string& fileName);
    void Listen(bool acceptViaLookup);
    void CloseSocket();
    // Makes an accepted connection this object's socket, closing the listening one.
    void AdoptSocket(int acceptedSocket);
    void SetLinger(bool on);
    void ErrorManager(int ignorable, std::string& text);
    void ErrorText(int errorNumber, std::string& text);
    void StatusMessage(int level, const std::string& text);
    [[nodiscard]] std::string LocalPortText() const;
    // The dotted local and peer addresses of the socket; empty when there is none.
    [[nodiscard]] std::string LocalAddressText() const;
    [[nodiscard]] std::string PeerAddressText() const;
    // The address `Accept` stored for the connection it took.
    [[nodiscard]] std::string RemoteAddressText() const;

    [[nodiscard]] bool Connected() const noexcept { return m_connected; }
    [[nodiscard]] bool Canceled() const noexcept { return m_canceled; }
    [[nodiscard]] bool TimedOut() const noexcept { return m_timedOut; }
    [[nodiscard]] bool LastOpSucceeded() const noexcept { return m_lastOpSucceeded; }
    [[nodiscard]] const std::string& LastReply() const noexcept { return m_lastReply; }
    [[nodiscard]] std::uint32_t ReplyCode() const noexcept { return m_replyCode; }
    [[nodiscard]] int LastErrorNo() const noexcept { return m_lastErrorNo; }
    [[nodiscard]] const std::string& Status() const noexcept { return m_status; }
    [[nodiscard]] std::int64_t SentBytes() const noexcept { return m_sentBytes; }
    [[nodiscard]] std::int64_t ReceivedBytes() const noexcept { return m_receivedBytes; }
    // Every byte that arrived on the connection, counted or not.
    [[nodiscard]] std::int64_t BytesArrived() const noexcept { return m_bytesArrived; }
    std::int64_t TotalBytes = 0;
    [[nodiscard]] const ByteQueue& InboundBuffer() const noexcept { return m_inbound; }
    // Takes everything received so far, after one look at the socket, and drops it.
    void DiscardWaitingInput();
    // One turn of a wait: a short poll, the handlers, the user interface's events.
    void WaitTurn();

    // Makes the open connection a TLS one, this side being the client, and returns once the
    // handshake is over; the identity is the caller's to judge. Input that came before is
    // dropped: it was not protected.
    void StartTls(TlsContext& context, const std::string& hostName);
    // Sends the close notification. With `waitForPeer` also ends this side of the connection
    // and waits until the peer has closed, so everything sent has been read.
    void TlsClose(bool waitForPeer);
    [[nodiscard]] const TlsLink* Tls() const noexcept { return m_tls.get(); }
    // Why the TLS layer broke the connection; empty while it has not.
    [[nodiscard]] const std::string& TlsFailure() const noexcept { return m_tlsFailure; }

protected:
    // The socket-level connect notification; a protocol that logs in first overrides it.
    virtual void SocketConnected();
    void SetCanceled(bool canceled) noexcept { m_canceled = canceled; }
    // Makes `line` the last reply, with its code.
    void SetReply(std::string line);

private:
    enum class State { Idle, Connecting, Open, Listening };
    struct Lookup;

    void CreateSocket(bool withLinger);
    void CloseHandle() noexcept;
    short PollInterest() const noexcept;
    void Notify(short revents);
    // Notices a finished host lookup and lets the time-out timer fire.
    void Tick(std::chrono::steady_clock::time_point now);
    void ConnectFinished();
    void ReceiveHandler();
    bool ReceiveBlock();
    void ReceivedBytesAppend(const char* bytes, std::size_t count);
    void FlushCapture() noexcept;
    void SendHandler();
    bool SendBlock();
    [[nodiscard]] bool HasOutbound() const noexcept;
    void PeerClosed();
    void ReportSocketError(int errorNumber);
    void StartTimer();
    void StopTimer();
    void TimerFired();
    void WaitUntil(const std::function<bool()>& done);
    void WaitForOutbound();
    void ThrowIfStalled(std::chrono::steady_clock::time_point lastProgress, const char* what);
    // Repeats a handshake or close step, waiting for the direction it wants, until it is done.
    void RunTlsStep(const std::function<TlsIo()>& step, const char* what);
    [[nodiscard]] bool TlsInputWaiting() const;
    void DropTls() noexcept;

    int m_socket = -1;
    State m_state = State::Idle;
    bool m_peerClosed = false;
    bool m_acceptReported = false;
    bool m_acceptViaLookup = false;
    std::uint32_t m_remoteAddress = 0; // network byte order
    std::shared_ptr<Lookup> m_lookup;
    ByteQueue m_inbound;
    ByteQueue m_outbound;
    int m_sendFile = -1;
    std::int64_t m_sendFileSize = 0;
    int m_captureFile = -1;
    std::string m_captureBuffer;
    int m_captureError = 0;
    int m_sendError = 0;

    bool m_connected = false;
    bool m_canceled = false;
    bool m_timedOut = false;
    bool m_lastOpSucceeded = false;
    bool m_lookupDone = false;
    bool m_sendDone = false;
    bool m_fileMode = false;
    bool m_countBytes = false;
    bool m_inHandler = false;
    bool m_destroying = false;

    std::int64_t m_sentBytes = 0;
    std::int64_t m_receivedBytes = 0;
    std::int64_t m_bytesArrived = 0;
    std::string m_lastReply;
    std::uint32_t m_replyCode = 0;
    int m_lastErrorNo = 0;
    std::string m_status;
    TThreadTimer m_timer;

    std::unique_ptr<TlsLink> m_tls;
    std::string m_tlsFailure;
    short m_tlsWait = 0; // the poll direction a handshake or close step waits for
    bool m_tlsReady = false;
    bool m_tlsReadWantsWrite = false;
    bool m_tlsWriteWantsRead = false;
};

} // namespace velloran
