// One client for every protocol a server profile can speak: the FTP window and publishing
// talk to this and never to the FTP or SFTP client beneath it. Calls return when their
// exchange is over and let the user interface process its events meanwhile.
#pragma once

#include "ftp/listparser.h"
#include "ftp/protocol.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velloran {

class TFtpClient;
class TSftpClient;

// Where SSH finds its files; empty: the user's ~/.ssh folder, its known_hosts and the agent
// of SSH_AUTH_SOCK.
struct SshPlaces {
    std::string sshDir;
    std::string knownHostsFile;
    std::string agentSocket;
};

class RemoteClient {
public:
    virtual ~RemoteClient() = default;
    RemoteClient(const RemoteClient&) = delete;
    RemoteClient& operator=(const RemoteClient&) = delete;

    // ---- settings, read at Connect
    std::string Host;
    int Port = 21;
    std::string UserID;
    std::string Password;
    // ms the connection's set-up may take and, over FTP, each reply; 0: the defaults.
    int TimeOut = 0;
    // FTP and FTPS only: data connections through EPSV/PASV, and the "FTP Proxy" settings.
    bool Passive = true;
    std::string Proxy;
    int ProxyPort = 0;
    SshPlaces Ssh;
    // The fingerprint the profile pins for an identity nobody else vouches for; becomes the
    // new one's when the user trusts it, for the caller to store in the profile.
    std::string TrustedFingerprint;

    // ---- events, all on the calling thread
    // Asked once about an unknown server identity with the question to show (the host and
    // its SHA-256 fingerprint); true trusts it. Without a handler such a server is refused,
    // and a pinned identity that changed is refused without asking.
    std::function<bool(const std::string& question)> OnUnknownIdentity;
    std::function<void(const std::string& line)> OnStatus;
    std::function<void(std::int64_t done, std::int64_t total)> OnProgress;
    std::function<void()> OnConnect;
    std::function<void()> OnDisconnect;
    // The server could not be reached; the call throws after this.
    std::function<void()> OnConnectionFailed;
    std::function<void(bool& handled)> OnInvalidHost;
    // A command found no connection: a handler may connect now and set `handled`, and the
    // command goes on; otherwise it throws "Not Connected".
    std::function<void(bool& handled)> OnConnectionRequired;
    // Each line of a listing as the server sent it, where the protocol gives lines.
    std::function<void(const std::string& line)> OnListLine;

    [[nodiscard]] virtual TransferProtocol Protocol() const noexcept = 0;
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    [[nodiscard]] virtual bool Connected() const noexcept = 0;
    // From the user interface while a call waits: the running transfer or wait ends with
    // EAbortError, within a second.
    virtual void Abort() = 0;

    // Relative names are taken from the current directory.
    virtual void ChangeDirectory(const std::string& directory) = 0;
    [[nodiscard]] virtual std::string CurrentDirectory() = 0;
    virtual void MakeDirectory(const std::string& name) = 0;
    virtual void RemoveDirectory(const std::string& name) = 0;
    virtual void DeleteFile(const std::string& name) = 0;
    virtual void RenameFile(const std::string& oldName, const std::string& newName) = 0;
    // A rename that takes the place of an existing `newName` in one step where the server
    // can; see each protocol for what it does where it cannot.
    virtual void ReplaceFile(const std::string& oldName, const std::string& newName) = 0;
    // The current directory's entries in listing order, in the columns of a long listing;
    // `showHidden` keeps the names that begin with ".".
    [[nodiscard]] virtual std::vector<RemoteListItem> ListDirectory(bool showHidden) = 0;
    virtual void DownloadFile(const std::string& remoteName, const std::string& localName) = 0;
    virtual void UploadFile(const std::string& localName, const std::string& remoteName) = 0;

    // Bytes of the running transfer so far; 0 between transfers.
    [[nodiscard]] virtual std::int64_t TransferredBytes() const noexcept = 0;

protected:
    RemoteClient() = default;
};

// The client for a protocol, FTP and FTPS on TFtpClient, SFTP on TSftpClient.
[[nodiscard]] std::unique_ptr<RemoteClient> MakeRemoteClient(TransferProtocol protocol);

// FTP, with explicit TLS for FTPS.
class FtpRemoteClient : public RemoteClient {
public:
    explicit FtpRemoteClient(bool tls);
    ~FtpRemoteClient() override;

    [[nodiscard]] TransferProtocol Protocol() const noexcept override;
    void Connect() override;
    void Disconnect() override;
    [[nodiscard]] bool Connected() const noexcept override;
    void Abort() override;
    void ChangeDirectory(const std::string& directory) override;
    [[nodiscard]] std::string CurrentDirectory() override;
    void MakeDirectory(const std::string& name) override;
    void RemoveDirectory(const std::string& name) override;
    void DeleteFile(const std::string& name) override;
    void RenameFile(const std::string& oldName, const std::string& newName) override;
    // RNFR and RNTO: most servers rename over an existing file; one that refuses throws
    // FTPException and the caller decides whether to delete first.
    void ReplaceFile(const std::string& oldName, const std::string& newName) override;
    [[nodiscard]] std::vector<RemoteListItem> ListDirectory(bool showHidden) override;
    void DownloadFile(const std::string& remoteName, const std::string& localName) override;
    void UploadFile(const std::string& localName, const std::string& remoteName) override;
    [[nodiscard]] std::int64_t TransferredBytes() const noexcept override;

    [[nodiscard]] TFtpClient& ftp() noexcept { return *m_client; }

private:
    // TYPE A for listings, TYPE I for files, sent only when the session is in the other.
    void UseType(int type);

    std::unique_ptr<TFtpClient> m_client;
    int m_type = 0;
    bool m_download = false;
};

// SFTP: the SSH session runs on a worker thread of its own.
class SftpRemoteClient : public RemoteClient {
public:
    SftpRemoteClient();
    ~SftpRemoteClient() override;

    [[nodiscard]] TransferProtocol Protocol() const noexcept override;
    void Connect() override;
    void Disconnect() override;
    [[nodiscard]] bool Connected() const noexcept override;
    void Abort() override;
    void ChangeDirectory(const std::string& directory) override;
    [[nodiscard]] std::string CurrentDirectory() override;
    void MakeDirectory(const std::string& name) override;
    void RemoveDirectory(const std::string& name) override;
    void DeleteFile(const std::string& name) override;
    void RenameFile(const std::string& oldName, const std::string& newName) override;
    // A rename the server refuses because the target exists (libssh cannot ask for the
    // posix-rename extension) deletes the old file and renames again in the same job: for a
    // moment there is none, but never a half one.
    void ReplaceFile(const std::string& oldName, const std::string& newName) override;
    [[nodiscard]] std::vector<RemoteListItem> ListDirectory(bool showHidden) override;
    void DownloadFile(const std::string& remoteName, const std::string& localName) override;
    void UploadFile(const std::string& localName, const std::string& remoteName) override;
    [[nodiscard]] std::int64_t TransferredBytes() const noexcept override;

    [[nodiscard]] TSftpClient& sftp() noexcept { return *m_client; }

private:
    void RequireConnection();

    std::unique_ptr<TSftpClient> m_client;
    std::int64_t m_transferred = 0;
};

} // namespace velloran
