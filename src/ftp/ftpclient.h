// The FTP client: login (directly or through a proxy), commands, and listings, downloads and
// uploads over active or passive data connections, each call returning when its exchange is
// over.
#pragma once

#include "ftp/asyncsocket.h"

#include <cstdint>
#include <memory>
#include <string>

namespace velloran {

// A negative reply, the message being the reply line as the server sent it; or a passive
// reply without a usable port, the message saying so and quoting the reply.
class FTPException : public VelloranError {
public:
    using VelloranError::VelloranError;
};

enum class TCmdType : std::uint8_t {
    ChangeDir = 0,
    MakeDir = 1,
    DeleteFile = 2,
    RemoveDir = 3,
    List = 4,
    Rename = 5,
    Download = 8,
    Upload = 9,
    Other = 14,
    PrintDir = 15,
};

// An e-mail-style address, as anonymous servers ask for.
inline constexpr const char* DefaultAnonymousPassword = "webmaster@velloran.invalid";

// The kind of operation a command line is, from its first word.
[[nodiscard]] TCmdType CommandTypeOf(const std::string& commandLine);

class TFtpClient : public TAsyncSocket {
public:
    using FailureEvent = std::function<void(bool& handled, TCmdType)>;
    using TypeEvent = std::function<void(TCmdType)>;

    TFtpClient();
    ~TFtpClient() override;

    std::string UserID;
    std::string Password;
    // Data connections through EPSV/PASV to the control connection's peer, not PORT.
    bool Passive = false;
    // Explicit TLS: AUTH TLS before the login, then PBSZ 0 and PROT P, so the control and
    // every data connection are encrypted. A server that refuses ends the connection; there
    // is no quiet fall-back to clear text.
    bool UseTls = false;
    // The SHA-256 fingerprint the profile trusts for a server whose certificate the CA store
    // does not vouch for (empty: none). When the user trusts a new identity it becomes that
    // identity's, for the window to store in the profile.
    std::string TrustedFingerprint;
    // A file of extra certificate authorities; empty: the system's store alone.
    std::string CaFile;
    // Asked once about an identity neither the CA store nor the pinned fingerprint vouches
    // for; true trusts it. Without a handler such a server is refused. A pinned fingerprint
    // that no longer matches is refused without asking.
    std::function<bool(const TlsIdentity&)> OnUnknownIdentity;

    NotifyEvent OnTransactionStart;
    NotifyEvent OnTransactionStop;
    std::function<void(const std::string& listing)> OnListItem;
    TypeEvent OnSuccess;
    FailureEvent OnFailure;
    TypeEvent OnUnSupportedFunction;

    void Connect() override;
    void Disconnect() override;
    std::string Transaction(const std::string& command) override;
    // Cancels the running transfer's data connection; with no transfer running, the wait
    // for a reply on the control connection.
    void Abort() override;

    void ChangeDirectory(const std::string& directory);
    void MakeDirectory(const std::string& name);
    void RemoveDirectory(const std::string& name);
    void DeleteFile(const std::string& name);
    void RenameFile(const std::string& oldName, const std::string& newName);
    [[nodiscard]] std::string CurrentDirectory();
    // 1 ASCII, 2 image, 3 local 8-bit; other values send nothing.
    void SetTransferType(int mode);
    void SendCommand(const std::string& commandLine);
    void ListDirectory();
    void DownloadFile(const std::string& remoteName, const std::string& localName);
    void UploadFile(const std::string& localName, const std::string& remoteName);

    // The running transfer's counters; 0 between transfers.
    [[nodiscard]] std::int64_t ReceivedBytes() const noexcept;
    [[nodiscard]] std::int64_t SentBytes() const noexcept;
    [[nodiscard]] const TAsyncSocket* DataSocket() const noexcept { return m_dataSocket.get(); }
    // The identity the server showed at the last TLS log-in.
    [[nodiscard]] const TlsIdentity& ServerIdentity() const noexcept { return m_identity; }
    // Whether the last data connection resumed the control connection's TLS session.
    [[nodiscard]] bool LastDataResumed() const noexcept { return m_lastDataResumed; }

protected:
    void SocketConnected() override {}

private:
    // Frees the data connection when a transfer ends, however it ends.
    struct DataSocketScope {
        TFtpClient& client;
        ~DataSocketScope() { release(); }
        void release() noexcept { client.m_dataSocket.reset(); }
    };

    void ReadReplyRest(std::string line,
                       const std::function<void(const std::string&)>& eachLine = {});
    void Login();
    void SecureControlConnection();
    void JudgeIdentity();
    void ProtectDataConnections();
    // Starts TLS on the data connection once the server has announced the transfer.
    void SecureDataConnection();
    void ThrowIfTlsBroke() const;
    // Handles a reply whose code lies between `low` and 599 as negative.
    void CheckReply(std::uint32_t low, bool checkUnsupported, TCmdType type);
    void Succeeded(TCmdType type);
    // What every command does first: clear the cancel flag, make sure of the connection and
    // drop late replies, so a stale line is never taken for the coming answer.
    void PrepareCommand();
    void OpenDataConnection(TCmdType type, const std::function<void()>& beforePort = {});
    void SendPort(TCmdType type);
    // Asks for a passive port (EPSV, or PASV where EPSV is refused) and connects to it.
    void ConnectPassive(TCmdType type);
    [[nodiscard]] std::uint16_t PassivePort(TCmdType type);
    void StartTransfer(const std::string& command, TCmdType type, bool checkUnsupported);
    void AcceptDataConnection();
    void EndTransfer(std::int64_t bytes, bool reportBytes);
    void ReadFinalReply(TCmdType type);
    void DrainPendingReply();
    void DrainAfterCancel();
    [[nodiscard]] bool Interrupted() const noexcept;

    std::unique_ptr<TAsyncSocket> m_dataSocket;
    std::unique_ptr<TlsContext> m_tlsContext;
    TlsIdentity m_identity;
    bool m_lastDataResumed = false;
    // A transfer was broken off after the server announced it, so its closing reply is
    // still on its way and must not be taken for the answer to the next command.
    bool m_finalReplyPending = false;
    // The server refused EPSV in this session, so passive transfers go straight to PASV.
    bool m_epsvRefused = false;
    // The mode the running transfer began in, whatever Passive says meanwhile.
    bool m_passiveTransfer = false;
};

} // namespace velloran
