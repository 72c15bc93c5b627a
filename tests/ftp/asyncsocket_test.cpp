// The socket layer against a plain peer socket on loopback: lines and counts, connection
// set-up and its failures, time-outs and cancelling, a closing or silent peer, captures.
#include "ftp/asyncsocket.h"
#include "tempdir.h"
#include "turnhook.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace velloran;

namespace {

// A listening socket on 127.0.0.1 whose accepted end the test writes to and reads from.
struct Peer {
    int listener = -1;
    int connection = -1;
    int port = 0;
    explicit Peer(int backlog = 4) {
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener, backlog) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("peer socket");
        port = ntohs(address.sin_port);
    }
    ~Peer() {
        if (connection >= 0)
            ::close(connection);
        ::close(listener);
    }
    void accept() { connection = ::accept(listener, nullptr, nullptr); }
    void send(const std::string& bytes) const {
        ASSERT_EQ(::send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    std::string receive(std::size_t count) const {
        std::string bytes(count, '\0');
        std::size_t got = 0;
        while (got < count) {
            const ssize_t n = ::recv(connection, bytes.data() + got, count - got, 0);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }
    // Closes with a reset instead of an orderly end.
    void reset() {
        const linger option{1, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &option, sizeof option);
        ::close(connection);
        connection = -1;
    }
};

struct Connection {
    Peer peer;
    TAsyncSocket socket;
    std::vector<std::string> errors;
    int disconnects = 0;
    Connection() {
        socket.Host = "127.0.0.1";
        socket.Port = peer.port;
        socket.OnError = [this](TAsyncSocket&, int number, const std::string& text) {
            errors.push_back(std::to_string(number) + " " + text);
        };
        socket.OnDisconnect = [this](TAsyncSocket&) { ++disconnects; };
        socket.Connect();
        peer.accept();
    }
};

// The handshakes waiting in a listener's accept queue, and how many the queue holds; no
// descriptor becomes ready as a handshake joins it, so tests look again until it has.
tcp_info ListenerInfo(int listener) {
    tcp_info info{};
    socklen_t size = sizeof info;
    ::getsockopt(listener, IPPROTO_TCP, TCP_INFO, &info, &size);
    return info;
}
std::size_t AcceptQueued(int listener) {
    return ListenerInfo(listener).tcpi_unacked;
}
bool AcceptQueueFull(int listener) {
    const tcp_info info = ListenerInfo(listener);
    return info.tcpi_unacked > info.tcpi_sacked;
}

template <class Error>
std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(AsyncSocket, LinesCountsAndTransactions) {
    Connection c;
    std::vector<std::string> status;
    c.socket.ReportLevel = 1;
    c.socket.OnStatus = [&](TAsyncSocket&, const std::string& text) { status.push_back(text); };

    c.peer.send("one\r\ntwo\r\n");
    EXPECT_EQ(c.socket.ReadLine(), "one\r\n");
    EXPECT_EQ(c.socket.InboundBuffer().view(), "two\r\n");
    EXPECT_EQ(c.socket.ReadCount(0), "two\r\n");
    EXPECT_TRUE(c.socket.InboundBuffer().empty());

    c.peer.send("12345");
    EXPECT_EQ(c.socket.ReadCount(3), "123");
    EXPECT_EQ(c.socket.ReadCount(0), "45");

    c.peer.send("257 \"/\" is current\r\n");
    EXPECT_EQ(c.socket.Transaction("PWD"), "257 \"/\" is current\r\n");
    EXPECT_EQ(c.peer.receive(5), "PWD\r\n");
    EXPECT_EQ(c.socket.ReplyCode(), 257u);
    EXPECT_EQ(status, std::vector<std::string>{"257 \"/\" is current"});

    // A full block is followed by another read at once; finding nothing more is no error.
    c.peer.send(std::string(TAsyncSocket::kBlockSize, 'x'));
    EXPECT_EQ(c.socket.ReadCount(TAsyncSocket::kBlockSize).size(), TAsyncSocket::kBlockSize);
    EXPECT_TRUE(c.errors.empty());
}

TEST(AsyncSocket, ConnectingByAddressOrNameAndItsFailures) {
    Peer peer;
    TAsyncSocket socket;
    int resolved = 0, failed = 0, asked = 0;
    socket.OnHostResolved = [&](TAsyncSocket&) { ++resolved; };
    socket.OnConnectionFailed = [&](TAsyncSocket&) { ++failed; };
    socket.Host = "127.0.0.1";
    socket.Port = peer.port;
    socket.Connect();
    EXPECT_TRUE(socket.Connected());
    EXPECT_EQ(resolved, 0);
    EXPECT_EQ(ErrorOf<ESockError>([&] { socket.Connect(); }), "Already connected");
    socket.Disconnect();
    EXPECT_FALSE(socket.Connected());

    // An unknown name is corrected once by the handler; a second bad name is not asked about.
    socket.Host = "no-such-host.invalid";
    socket.OnInvalidHost = [&](bool& handled) {
        ++asked;
        handled = true;
        socket.Host = asked == 1 ? "localhost" : "still-bad.invalid";
    };
    socket.Connect();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(resolved, 1);
    socket.Disconnect();
    socket.Host = "no-such-host.invalid";
    socket.OnInvalidHost = [&](bool& handled) {
        ++asked;
        handled = true;
    };
    EXPECT_EQ(ErrorOf<ESockError>([&] { socket.Connect(); }), "Null Remote Address");
    EXPECT_EQ(asked, 2);

    // A port nobody listens on; the socket stays usable for the next attempt.
    socket.Host = "127.0.0.1";
    socket.Port = Peer().port; // closed again at once
    EXPECT_EQ(ErrorOf<ESockError>([&] { socket.Connect(); }), "Connection Failed");
    EXPECT_EQ(failed, 1);
    socket.Port = peer.port;
    socket.Connect();
    EXPECT_TRUE(socket.Connected());
}

TEST(AsyncSocket, SilentAddressTimesOutOrIsCancelled) {
    // A listener whose accept queue is full drops further handshakes, so connecting hangs.
    // The queue is filled one handshake at a time, each waited for until the listener holds
    // it, so no filler's handshake can be the one dropped.
    Peer full(0);
    std::vector<std::unique_ptr<TAsyncSocket>> fillers;
    while (fillers.size() < 8 && !AcceptQueueFull(full.listener)) {
        auto& filler = fillers.emplace_back(std::make_unique<TAsyncSocket>());
        filler->Host = "127.0.0.1";
        filler->Port = full.port;
        filler->Connect();
        for (int look = 0; look < 10000 && AcceptQueued(full.listener) < fillers.size(); ++look)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(AcceptQueueFull(full.listener));
    TAsyncSocket probe;
    probe.Host = "127.0.0.1";
    probe.Port = full.port;
    probe.TimeOut = 150;
    int failed = 0;
    probe.OnConnectionFailed = [&](TAsyncSocket&) { ++failed; };
    EXPECT_EQ(ErrorOf<ESockError>([&] { probe.Connect(); }), "Connection Timed Out");

    TurnHook hook;
    hook.onTurn = [&] {
        if (hook.turns == 20)
            probe.Cancel();
    };
    probe.TimeOut = 0;
    EXPECT_EQ(ErrorOf<ESockError>([&] { probe.Connect(); }), "Connection Canceled");
    EXPECT_EQ(failed, 2);
}

TEST(AsyncSocket, ClosingResetAndSilentPeers) {
    {
        Connection c;
        c.peer.send("last words\r\nno line end");
        ::shutdown(c.peer.connection, SHUT_WR);
        EXPECT_EQ(c.socket.ReadLine(), "last words\r\n");
        EXPECT_EQ(c.socket.ReadLine(), "no line end");
        EXPECT_EQ(ErrorOf<ESockError>([&] { c.socket.ReadLine(); }), "Connection closed by peer");
        EXPECT_FALSE(c.socket.Connected());
        EXPECT_EQ(c.disconnects, 1);
    }
    {
        // The reset is reported once, as it arrives; a line written afterwards fails. Writing
        // before the reset is known would race its arrival.
        Connection c;
        c.peer.reset();
        for (int turn = 0; turn < 100 && c.disconnects == 0; ++turn)
            TAsyncSocket::ProcessNotifications(100);
        EXPECT_EQ(c.disconnects, 1);
        EXPECT_FALSE(c.socket.Connected());
        EXPECT_EQ(c.errors.size(), 1u);
        EXPECT_EQ(ErrorOf<ESockError>([&] {
                      c.socket.WriteLine("NOOP");
                  }).rfind("Connection lost while sending: ", 0),
                  0u);
    }
    {
        Connection c;
        c.socket.ReplyTimeOut = 200;
        EXPECT_EQ(ErrorOf<ESockError>([&] { c.socket.ReadLine(); }),
                  "Timed out: nothing arrived for 200 ms");
        EXPECT_FALSE(c.socket.Connected());
    }
    {
        Connection c;
        c.peer.send(std::string(TAsyncSocket::kMaxLineLength + 10, 'a'));
        EXPECT_EQ(ErrorOf<ESockError>([&] { c.socket.ReadLine(); }),
                  "Line longer than 65536 bytes received");
    }
}

TEST(AsyncSocket, CaptureAndSendFiles) {
    TempDir dir;
    Connection c;
    int packets = 0;
    c.socket.OnPacketRecvd = [&](TAsyncSocket&) { ++packets; };
    const std::string body(100000, 'b');
    c.peer.send("early" + body);
    c.socket.ReadCount(5); // "early" is taken; what else arrived goes into the file first
    ::shutdown(c.peer.connection, SHUT_WR);
    c.socket.CaptureFile(dir.file("whole"));
    EXPECT_EQ(std::filesystem::file_size(dir.file("whole")), body.size());
    EXPECT_EQ(c.socket.ReceivedBytes(), static_cast<std::int64_t>(body.size()));
    EXPECT_GT(packets, 0);

    // Cancelling keeps what has arrived so far.
    Connection d;
    TurnHook hook;
    d.peer.send(body);
    hook.onTurn = [&] {
        if (d.socket.ReceivedBytes() > 0 && !d.socket.Canceled())
            d.socket.Cancel();
    };
    EXPECT_EQ(ErrorOf<EAbortError>([&] { d.socket.CaptureFile(dir.file("part")); }),
              "Socket send aborted");
    EXPECT_GT(std::filesystem::file_size(dir.file("part")), 0u);
    EXPECT_FALSE(d.socket.Canceled());
    hook.onTurn = nullptr;

    // Sending a file, an empty one included, and a file that is not there.
    {
        std::ofstream(dir.file("empty"));
        std::ofstream(dir.file("data")) << body;
    }
    d.socket.SendFile(dir.file("empty"));
    d.socket.SendFile(dir.file("data"));
    EXPECT_EQ(d.peer.receive(body.size()), body);
    EXPECT_EQ(d.socket.SentBytes(), static_cast<std::int64_t>(body.size()));
    EXPECT_THROW(d.socket.SendFile(dir.file("missing")), FileError);
}
