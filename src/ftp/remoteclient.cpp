// The protocol clients behind the one interface the window and publishing use.
#include "ftp/remoteclient.h"

#include "ftp/ftpclient.h"
#include "ftp/sftpclient.h"
#include "ftp/tlslink.h"

namespace velloran {

std::unique_ptr<RemoteClient> MakeRemoteClient(TransferProtocol protocol) {
    switch (protocol) {
    case TransferProtocol::Sftp:
        return std::make_unique<SftpRemoteClient>();
    case TransferProtocol::Ftps:
        return std::make_unique<FtpRemoteClient>(true);
    case TransferProtocol::Ftp:
        break;
    }
    return std::make_unique<FtpRemoteClient>(false);
}

// ---- FTP and FTPS

FtpRemoteClient::FtpRemoteClient(bool tls) : m_client(std::make_unique<TFtpClient>()) {
    TFtpClient& c = *m_client;
    c.UseTls = tls;
    c.ReportLevel = 2;
    c.OnConnect = [this](TAsyncSocket&) {
        if (OnConnect)
            OnConnect();
    };
    c.OnDisconnect = [this](TAsyncSocket&) {
        if (OnDisconnect)
            OnDisconnect();
    };
    c.OnConnectionFailed = [this](TAsyncSocket&) {
        if (OnConnectionFailed)
            OnConnectionFailed();
    };
    c.OnInvalidHost = [this](bool& handled) {
        if (OnInvalidHost)
            OnInvalidHost(handled);
    };
    c.OnConnectionRequired = [this](bool& handled) {
        if (OnConnectionRequired)
            OnConnectionRequired(handled);
    };
    c.OnStatus = [this](TAsyncSocket&, const std::string& text) {
        if (OnStatus)
            OnStatus(text);
    };
    c.OnPacketRecvd = [this](TAsyncSocket&) {
        if (OnProgress)
            OnProgress(m_client->ReceivedBytes(), m_client->TotalBytes);
    };
    c.OnPacketSent = [this](TAsyncSocket&) {
        if (OnProgress)
            OnProgress(m_client->SentBytes(), m_client->TotalBytes);
    };
    c.OnUnknownIdentity = [this](const TlsIdentity& identity) {
        return OnUnknownIdentity && OnUnknownIdentity(UnknownIdentityQuestion(identity));
    };
}

FtpRemoteClient::~FtpRemoteClient() {
    // The goodbye to the server tells no one.
    TFtpClient& c = *m_client;
    c.OnConnect = nullptr;
    c.OnDisconnect = nullptr;
    c.OnStatus = nullptr;
    c.OnPacketRecvd = nullptr;
    c.OnPacketSent = nullptr;
    c.OnConnectionRequired = nullptr;
}

TransferProtocol FtpRemoteClient::Protocol() const noexcept {
    return m_client->UseTls ? TransferProtocol::Ftps : TransferProtocol::Ftp;
}

void FtpRemoteClient::Connect() {
    TFtpClient& c = *m_client;
    c.Host = Host;
    c.Port = Port;
    c.UserID = UserID;
    c.Password = Password;
    c.Passive = Passive;
    c.Proxy = Proxy;
    c.ProxyPort = ProxyPort;
    c.TimeOut = TimeOut;
    if (TimeOut > 0)
        c.ReplyTimeOut = TimeOut;
    c.TrustedFingerprint = TrustedFingerprint;
    m_type = 0;
    c.Connect();
    TrustedFingerprint = c.TrustedFingerprint;
}

void FtpRemoteClient::Disconnect() {
    m_client->Disconnect();
}

bool FtpRemoteClient::Connected() const noexcept {
    return m_client->Connected();
}

void FtpRemoteClient::Abort() {
    m_client->Abort();
}

void FtpRemoteClient::UseType(int type) {
    // A session made anew on demand starts in the server's default type.
    if (!m_client->Connected())
        m_type = 0;
    if (m_type == type)
        return;
    m_client->SetTransferType(type);
    m_type = type;
}

void FtpRemoteClient::ChangeDirectory(const std::string& directory) {
    m_client->ChangeDirectory(directory);
}

std::string FtpRemoteClient::CurrentDirectory() {
    return m_client->CurrentDirectory();
}

void FtpRemoteClient::MakeDirectory(const std::string& name) {
    m_client->MakeDirectory(name);
}

void FtpRemoteClient::RemoveDirectory(const std::string& name) {
    m_client->RemoveDirectory(name);
}

void FtpRemoteClient::DeleteFile(const std::string& name) {
    m_client->DeleteFile(name);
}

void FtpRemoteClient::RenameFile(const std::string& oldName, const std::string& newName) {
    m_client->RenameFile(oldName, newName);
}

void FtpRemoteClient::ReplaceFile(const std::string& oldName, const std::string& newName) {
    m_client->RenameFile(oldName, newName);
}

std::vector<RemoteListItem> FtpRemoteClient::ListDirectory(bool showHidden) {
    UseType(1);
    std::vector<RemoteListItem> items;
    m_client->OnListItem = [&](const std::string& line) {
        ParsedListLine parsed = ParseListLine(line, showHidden);
        if (parsed.logged && OnListLine)
            OnListLine(line);
        // Shorter lines have no fields to find; a line without a name is nothing to show.
        if (line.size() > 10 && parsed.item && !parsed.item->caption.empty())
            items.push_back(std::move(*parsed.item));
    };
    struct Unhook {
        TFtpClient& client;
        ~Unhook() { client.OnListItem = nullptr; }
    } unhook{*m_client};
    m_client->ListDirectory();
    return items;
}

void FtpRemoteClient::DownloadFile(const std::string& remoteName, const std::string& localName) {
    UseType(2);
    m_download = true;
    m_client->DownloadFile(remoteName, localName);
}

void FtpRemoteClient::UploadFile(const std::string& localName, const std::string& remoteName) {
    UseType(2);
    m_download = false;
    m_client->UploadFile(localName, remoteName);
}

std::int64_t FtpRemoteClient::TransferredBytes() const noexcept {
    return m_download ? m_client->ReceivedBytes() : m_client->SentBytes();
}

// ---- SFTP

SftpRemoteClient::SftpRemoteClient() : m_client(std::make_unique<TSftpClient>()) {
    Port = DefaultPort(TransferProtocol::Sftp);
    TSftpClient& c = *m_client;
    c.OnStatus = [this](const std::string& line) {
        if (OnStatus)
            OnStatus(line);
    };
    c.OnProgress = [this](std::int64_t done, std::int64_t total) {
        m_transferred = done;
        if (OnProgress)
            OnProgress(done, total);
    };
    c.OnUnknownIdentity = [this](const SshHostKey& key) {
        return OnUnknownIdentity && OnUnknownIdentity(UnknownHostKeyQuestion(key));
    };
}

SftpRemoteClient::~SftpRemoteClient() {
    m_client->OnStatus = nullptr;
    m_client->OnProgress = nullptr;
}

TransferProtocol SftpRemoteClient::Protocol() const noexcept {
    return TransferProtocol::Sftp;
}

void SftpRemoteClient::Connect() {
    TSftpClient& c = *m_client;
    c.Host = Host;
    c.Port = Port;
    c.UserID = UserID;
    c.Password = Password;
    c.TrustedFingerprint = TrustedFingerprint;
    c.SshDir = Ssh.sshDir;
    c.KnownHostsFile = Ssh.knownHostsFile;
    c.AgentSocket = Ssh.agentSocket;
    c.TimeOut = TimeOut > 0 ? (TimeOut + 999) / 1000 : 0;
    try {
        c.Connect();
    } catch (const ESftpUnreachable&) {
        if (OnConnectionFailed)
            OnConnectionFailed();
        throw;
    }
    TrustedFingerprint = c.TrustedFingerprint;
    if (OnConnect)
        OnConnect();
}

void SftpRemoteClient::Disconnect() {
    if (!m_client->Connected())
        return;
    m_client->Disconnect();
    if (OnDisconnect)
        OnDisconnect();
}

bool SftpRemoteClient::Connected() const noexcept {
    return m_client->Connected();
}

void SftpRemoteClient::Abort() {
    m_client->Abort();
}

void SftpRemoteClient::RequireConnection() {
    if (m_client->Connected())
        return;
    bool handled = false;
    if (OnConnectionRequired)
        OnConnectionRequired(handled);
    if (!handled || !m_client->Connected())
        throw VelloranError("Not Connected");
}

// The log shows each command as the SFTP session runs it, as it shows FTP's.
void SftpRemoteClient::ChangeDirectory(const std::string& directory) {
    RequireConnection();
    if (OnStatus)
        OnStatus("cd " + directory);
    m_client->ChangeDirectory(directory);
}

std::string SftpRemoteClient::CurrentDirectory() {
    RequireConnection();
    return m_client->CurrentDirectory();
}

void SftpRemoteClient::MakeDirectory(const std::string& name) {
    RequireConnection();
    if (OnStatus)
        OnStatus("mkdir " + name);
    m_client->MakeDirectory(name);
}

void SftpRemoteClient::RemoveDirectory(const std::string& name) {
    RequireConnection();
    if (OnStatus)
        OnStatus("rmdir " + name);
    m_client->RemoveDirectory(name);
}

void SftpRemoteClient::DeleteFile(const std::string& name) {
    RequireConnection();
    if (OnStatus)
        OnStatus("rm " + name);
    m_client->DeleteFile(name);
}

void SftpRemoteClient::RenameFile(const std::string& oldName, const std::string& newName) {
    RequireConnection();
    if (OnStatus)
        OnStatus("rename " + oldName + " " + newName);
    m_client->RenameFile(oldName, newName);
}

void SftpRemoteClient::ReplaceFile(const std::string& oldName, const std::string& newName) {
    RequireConnection();
    if (OnStatus)
        OnStatus("rename " + oldName + " " + newName);
    m_client->ReplaceFile(oldName, newName);
}

std::vector<RemoteListItem> SftpRemoteClient::ListDirectory(bool showHidden) {
    RequireConnection();
    if (OnStatus)
        OnStatus("ls " + m_client->CurrentDirectory());
    std::vector<RemoteListItem> items = m_client->ListDirectory(showHidden);
    // The window has its own way up, and "." is no place to go.
    std::erase_if(items, [](const RemoteListItem& item) {
        return item.caption == "." || item.caption == "..";
    });
    return items;
}

void SftpRemoteClient::DownloadFile(const std::string& remoteName, const std::string& localName) {
    RequireConnection();
    if (OnStatus)
        OnStatus("get " + remoteName);
    m_transferred = 0;
    struct Reset {
        std::int64_t& bytes;
        ~Reset() { bytes = 0; }
    } reset{m_transferred};
    m_client->DownloadFile(remoteName, localName);
}

void SftpRemoteClient::UploadFile(const std::string& localName, const std::string& remoteName) {
    RequireConnection();
    if (OnStatus)
        OnStatus("put " + localName + " " + remoteName);
    m_transferred = 0;
    struct Reset {
        std::int64_t& bytes;
        ~Reset() { bytes = 0; }
    } reset{m_transferred};
    m_client->UploadFile(localName, remoteName);
}

std::int64_t SftpRemoteClient::TransferredBytes() const noexcept {
    return m_transferred;
}

} // namespace velloran
