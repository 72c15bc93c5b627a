// An in-process FTP peer that plays a fixed script, for replies real servers never send.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velloran::testing {

// Steps are added before start() and run in order on the first accepted control connection. Each
// blocking step gives up after 10 s, so a broken client fails the test instead of hanging it; a
// failed step closes the connections. After the last step the connections stay open until the
// server is destroyed.
class ScriptedFtpServer {
public:
    ScriptedFtpServer();
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    int port() const { return m_port; }

    // Written verbatim: the caller supplies the "\r\n".
    ScriptedFtpServer& reply(std::string text);
    // Reads one command line and compares it without its line end; a mismatch ends the script.
    ScriptedFtpServer& expect(std::string line);
    ScriptedFtpServer& expectAny();
    // Connects to the last PORT address received, from `fromAddress` (127.0.0.2 is a foreign peer).
    ScriptedFtpServer& openData(std::string fromAddress = "127.0.0.1");
    // Listens for a data connection on 127.0.0.1 and replies `text` with "{port}", "{p1}" and
    // "{p2}" standing for the listening port, whole and as PASV's two numbers.
    ScriptedFtpServer& replyPassive(std::string text);
    // Takes the connection to the last replyPassive() port; see dataPeer().
    ScriptedFtpServer& acceptData();
    ScriptedFtpServer& sendData(std::string bytes);
    // Reads until the client closes the data connection; see dataReceived().
    ScriptedFtpServer& receiveData();
    ScriptedFtpServer& closeData();
    // Records lines until the client closes the control connection.
    ScriptedFtpServer& waitForClose();
    // Ends the session and goes on only once the client's system has acknowledged the end, so
    // that the client's next look at its socket finds the connection closed.
    ScriptedFtpServer& closeControl();
    // Waits for release(), so a test can let its client reach a state before the next step.
    ScriptedFtpServer& hold();

    void start();
    // Lets the script go on past its next hold().
    void release();
    // "" when every step ran, else the first failure, or "script still running at step N".
    std::string finish(std::chrono::milliseconds limit = std::chrono::seconds(10));
    std::vector<std::string> commands() const;
    std::string dataReceived() const;
    // The address the last accepted data connection came from.
    std::string dataPeer() const;

private:
    enum class Kind {
        Reply,
        Expect,
        ExpectAny,
        OpenData,
        ReplyPassive,
        AcceptData,
        SendData,
        ReceiveData,
        CloseData,
        WaitForClose,
        CloseControl,
        Hold
    };
    struct Step {
        Kind kind;
        std::string text;
    };
    using Deadline = std::chrono::steady_clock::time_point;

    ScriptedFtpServer& add(Kind kind, std::string text = {});
    void run();
    std::string acceptControl(Deadline deadline);
    std::string runStep(const Step& step, Deadline deadline);
    std::string waitFor(int fd, short events, Deadline deadline) const;
    std::string readLine(Deadline deadline, std::string& line);
    std::string writeAll(int fd, const std::string& bytes, Deadline deadline);
    std::string receiveAll(Deadline deadline);
    std::string connectData(const std::string& from, Deadline deadline);
    std::string closeAcknowledged(Deadline deadline);
    std::string listenData(std::string& reply);
    std::string acceptPassive(Deadline deadline);

    std::vector<Step> m_steps;
    int m_listen = -1;
    int m_control = -1;
    int m_data = -1;
    int m_passive = -1;
    int m_wake[2] = {-1, -1};
    int m_release[2] = {-1, -1};
    int m_port = 0;
    std::string m_pending;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_done = false;
    std::size_t m_step = 0;
    std::string m_error;
    std::vector<std::string> m_commands;
    std::string m_received;
    std::string m_dataPeer;
};

} // namespace velloran::testing
