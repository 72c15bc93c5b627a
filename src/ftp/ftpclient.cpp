// The protocol steps of each operation, the negative-reply rules and the bookkeeping of the
// one data connection a transfer lives on, opened by the server (PORT) or by us (EPSV, PASV).
#include "ftp/ftpclient.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velloran {

namespace {

using Clock = std::chrono::steady_clock;

// How long a late closing reply of a broken-off transfer is waited for before the next
// command goes out anyway.
constexpr auto kPendingReplyWait = std::chrono::seconds(5);
constexpr auto kDrainAfterCancel = std::chrono::milliseconds(950);

bool Within(std::uint32_t code, std::uint32_t low, std::uint32_t high) {
    return code >= low && code <= high;
}

std::int64_t ReadableFileSize(const std::string& name) {
    const int file = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    const bool ok = file >= 0 && ::fstat(file, &info) == 0;
    const int error = errno;
    if (file >= 0)
        ::close(file);
    if (!ok)
        throw FileError("Cannot read \"" + name + "\": " + std::strerror(error));
    return info.st_size;
}

std::string WithoutFolder(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

TCmdType CommandTypeOf(const std::string& commandLine) {
    const auto blank = commandLine.find(' ');
    const std::string word =
        (blank == std::string::npos ? commandLine : commandLine.substr(0, blank)) + ' ';
    if (word == "CWD ")
        return TCmdType::ChangeDir;
    if (word == "DELE ")
        return TCmdType::DeleteFile;
    if (word == "MKD ")
        return TCmdType::MakeDir;
    if (word == "RMD ")
        return TCmdType::RemoveDir;
    return commandLine == "PWD" ? TCmdType::PrintDir : TCmdType::Other;
}

TFtpClient::TFtpClient() {
    Port = 21;
}

TFtpClient::~TFtpClient() {
    m_dataSocket.reset();
    SetCanceled(true);
    if (!Connected())
        return;
    // Saying goodbye must not hold the program up for long.
    ReplyTimeOut = ReplyTimeOut > 0 ? std::min(ReplyTimeOut, 5000) : 5000;
    try {
        Disconnect();
    } catch (const std::exception&) {
        // The connection is closed either way.
    }
}

// ---- replies

std::string TFtpClient::Transaction(const std::string& command) {
    std::string first = TAsyncSocket::Transaction(command);
    ReadReplyRest(first);
    return first;
}

void TFtpClient::ReadReplyRest(std::string line,
                               const std::function<void(const std::string&)>& eachLine) {
    MultiLineReply reply;
    while (reply.continuesAfter(line)) {
        line = ReadLine();
        StatusMessage(1, std::string(WithoutLineEnd(line)));
        if (eachLine)
            eachLine(line);
    }
}

void TFtpClient::CheckReply(std::uint32_t low, bool checkUnsupported, TCmdType type) {
    const auto code = ReplyCode();
    if (!Within(code, low, 599))
        return;
    if (checkUnsupported && OnUnSupportedFunction && Within(code, 500, 502))
        OnUnSupportedFunction(type);
    if (!OnFailure)
        throw FTPException(LastReply());
    bool handled = false;
    OnFailure(handled, type);
    if (!handled)
        throw FTPException(LastReply());
}

void TFtpClient::Succeeded(TCmdType type) {
    if (OnSuccess)
        OnSuccess(type);
}

// ---- login and logout

void TFtpClient::Connect() {
    SetCanceled(false);
    if (Connected())
        return;
    m_finalReplyPending = false;
    m_epsvRefused = false;
    TAsyncSocket::Connect();
    try {
        Login();
    } catch (...) {
        try {
            Disconnect();
        } catch (const std::exception&) {
            // The login's own error is the one to report.
        }
        StatusMessage(1, "Disconnected");
        throw;
    }
}

void TFtpClient::Login() {
    std::string greeting = ReadLine();
    StatusMessage(1, std::string(WithoutLineEnd(greeting)));
    ReadReplyRest(greeting);
    // A server that refuses the session says so in its greeting; that reason beats the
    // closed connection USER would run into.
    if (Within(ReplyCodeOf(greeting), 400, 599))
        throw FTPException(greeting);
    if (UseTls)
        SecureControlConnection();
    if (UserID.empty() || Password.empty())
        StatusMessage(1, "USER " + UserID);
    Transaction(Proxy.empty() ? "USER " + UserID : "USER " + UserID + "@" + Host);
    if (Within(ReplyCode(), 401, 599))
        throw FTPException(LastReply());
    if (ReplyCode() == 331) {
        StatusMessage(1, "PASS ");
        Transaction("PASS " + Password);
        if (Within(ReplyCode(), 301, 599))
            throw FTPException(LastReply());
    }
    if (UseTls)
        ProtectDataConnections();
    if (OnConnect)
        OnConnect(*this);
}

void TFtpClient::SecureControlConnection() {
    m_tlsContext = std::make_unique<TlsContext>();
    if (!CaFile.empty())
        m_tlsContext->SetCaFile(CaFile);
    m_identity = TlsIdentity{};
    StatusMessage(1, "AUTH TLS");
    Transaction("AUTH TLS");
    if (ReplyCode() != 234)
        throw FTPException("The server does not offer an encrypted connection (its answer to "
                           "AUTH TLS: " +
                           std::string(WithoutLineEnd(LastReply())) +
                           "). Nothing was sent in clear text; the connection is closed.");
    StartTls(*m_tlsContext, Host);
    JudgeIdentity();
    StatusMessage(1, "TLS connection established");
}

void TFtpClient::JudgeIdentity() {
    m_identity = Tls()->Identity();
    switch (DecideTrust(m_identity, TrustedFingerprint)) {
    case TrustDecision::Accept:
        return;
    case TrustDecision::RefuseChanged:
        throw ETlsError(ChangedIdentityText(m_identity, TrustedFingerprint));
    case TrustDecision::Ask:
        break;
    }
    if (!OnUnknownIdentity || !OnUnknownIdentity(m_identity))
        throw ETlsError("The identity of " + m_identity.host + " is not trusted (" +
                        m_identity.problem + "); the connection is refused.");
    TrustedFingerprint = m_identity.fingerprint;
}

void TFtpClient::ProtectDataConnections() {
    StatusMessage(1, "PBSZ 0");
    Transaction("PBSZ 0");
    if (!Within(ReplyCode(), 200, 299))
        throw FTPException(LastReply());
    StatusMessage(1, "PROT P");
    Transaction("PROT P");
    if (!Within(ReplyCode(), 200, 299))
        throw FTPException("The server will not encrypt data connections (its answer to PROT "
                           "P: " +
                           std::string(WithoutLineEnd(LastReply())) + ").");
}

void TFtpClient::SecureDataConnection() {
    m_lastDataResumed = false;
    if (!UseTls || Interrupted())
        return;
    m_dataSocket->StartTls(*m_tlsContext, Host);
    const TlsLink& link = *m_dataSocket->Tls();
    m_lastDataResumed = link.Resumed();
    // Whoever answers the data connection must be the server the control connection trusts.
    const TlsIdentity shown = link.Identity();
    if (!shown.fingerprint.empty() && !SameFingerprint(shown.fingerprint, m_identity.fingerprint))
        throw ETlsError("The data connection showed a certificate other than the server's (" +
                        shown.fingerprint + "); the transfer is refused.");
}

void TFtpClient::ThrowIfTlsBroke() const {
    if (m_dataSocket && !m_dataSocket->TlsFailure().empty())
        throw ETlsError("The data connection broke: " + m_dataSocket->TlsFailure());
}

void TFtpClient::Disconnect() {
    SetCanceled(false);
    if (!Connected())
        return;
    StatusMessage(1, "QUIT");
    try {
        DrainPendingReply();
        DiscardWaitingInput();
        Transaction("QUIT");
        if (Within(ReplyCode(), 301, 599))
            throw FTPException(LastReply());
    } catch (...) {
        TAsyncSocket::Disconnect();
        throw;
    }
    TAsyncSocket::Disconnect();
}

void TFtpClient::Abort() {
    if (m_dataSocket)
        m_dataSocket->Cancel();
    else
        Cancel();
}

// ---- commands

void TFtpClient::PrepareCommand() {
    SetCanceled(false);
    // Between operations nobody may have watched the socket. One turn reads whatever came
    // meanwhile until the socket would block or the server's close turns up, so a server
    // that said "421" and closed an idle session is noticed here, however its reply and its
    // close arrived, and the user is asked to connect instead of meeting a dead socket.
    ProcessNotifications(0);
    CheckConnected();
    DrainPendingReply();
    DiscardWaitingInput();
    // The late input just taken may have ended with the close.
    CheckConnected();
}

void TFtpClient::SendCommand(const std::string& commandLine) {
    const TCmdType type = CommandTypeOf(commandLine);
    PrepareCommand();
    StatusMessage(1, commandLine);
    Transaction(commandLine);
    CheckReply(400, true, type);
    Succeeded(type);
}

void TFtpClient::ChangeDirectory(const std::string& directory) {
    SendCommand("CWD " + directory);
}

void TFtpClient::MakeDirectory(const std::string& name) {
    SendCommand("MKD " + name);
}

void TFtpClient::RemoveDirectory(const std::string& name) {
    SendCommand("RMD " + name);
}

void TFtpClient::DeleteFile(const std::string& name) {
    SendCommand("DELE " + name);
}

std::string TFtpClient::CurrentDirectory() {
    SendCommand("PWD");
    return QuotedDirectory(LastReply());
}

void TFtpClient::SetTransferType(int mode) {
    static const char* const kCommands[] = {"TYPE A", "TYPE I", "TYPE L 8"};
    if (mode >= 1 && mode <= 3)
        SendCommand(kCommands[mode - 1]);
}

void TFtpClient::RenameFile(const std::string& oldName, const std::string& newName) {
    PrepareCommand();
    StatusMessage(1, "RNFR " + oldName);
    Transaction("RNFR " + oldName);
    CheckReply(352, false, TCmdType::Rename);
    StatusMessage(1, "RNTO " + newName);
    Transaction("RNTO " + newName);
    CheckReply(301, true, TCmdType::Rename);
    Succeeded(TCmdType::Rename);
}

// ---- transfers

void TFtpClient::OpenDataConnection(TCmdType type, const std::function<void()>& beforePort) {
    PrepareCommand();
    m_dataSocket = std::make_unique<TAsyncSocket>();
    m_dataSocket->TimeOut = TimeOut;
    m_dataSocket->ReplyTimeOut = ReplyTimeOut;
    if (beforePort)
        beforePort();
    m_passiveTransfer = Passive;
    if (m_passiveTransfer)
        ConnectPassive(type);
    else
        SendPort(type);
}

void TFtpClient::SendPort(TCmdType type) {
    m_dataSocket->Port = 0;
    m_dataSocket->Listen(true);
    std::string argument = LocalAddressText();
    std::replace(argument.begin(), argument.end(), '.', ',');
    argument += m_dataSocket->LocalPortText();
    StatusMessage(1, "PORT " + argument);
    Transaction("PORT " + argument);
    CheckReply(301, false, type);
}

std::uint16_t TFtpClient::PassivePort(TCmdType type) {
    if (!m_epsvRefused) {
        StatusMessage(1, "EPSV");
        Transaction("EPSV");
        // A server that does not know EPSV refuses it for good; a passing trouble such as
        // 421 is a failure like any other.
        if (!Within(ReplyCode(), 500, 599)) {
            CheckReply(301, false, type);
            if (ReplyCode() == 229) {
                if (const auto port = ExtendedPassivePortOf(LastReply()))
                    return *port;
            }
            throw FTPException("No data port in the reply to EPSV: " +
                               std::string(WithoutLineEnd(LastReply())));
        }
        m_epsvRefused = true;
    }
    StatusMessage(1, "PASV");
    Transaction("PASV");
    CheckReply(301, false, type);
    if (ReplyCode() == 227) {
        if (const auto target = PassiveTargetOf(LastReply()))
            return target->port;
    }
    throw FTPException("No data port in the reply to PASV: " +
                       std::string(WithoutLineEnd(LastReply())));
}

void TFtpClient::ConnectPassive(TCmdType type) {
    const std::uint16_t port = PassivePort(type);
    // The address a PASV reply names may be private to the server's network, or someone
    // else's altogether: the data goes where the control connection goes.
    const std::string server = PeerAddressText();
    m_dataSocket->Host = server;
    m_dataSocket->Port = port;
    // Bounded like the wait for an active connection, whatever the log-in allows itself.
    m_dataSocket->TimeOut = ReplyTimeOut > 0 ? ReplyTimeOut : TimeOut;
    // An abort while the reply above came reached the data socket, and connecting would
    // clear it.
    if (m_dataSocket->Canceled())
        throw ESockError("Connection Canceled");
    try {
        m_dataSocket->Connect();
    } catch (const ESockError& error) {
        if (m_dataSocket->Canceled())
            throw;
        const int reason = m_dataSocket->TimedOut() ? 0 : m_dataSocket->LastErrorNo();
        throw ESockError("Cannot open the data connection to " + server + ":" +
                         std::to_string(port) + ": " +
                         (reason != 0 ? std::string(std::strerror(reason)) : error.what()));
    }
}

void TFtpClient::StartTransfer(const std::string& command, TCmdType type, bool checkUnsupported) {
    StatusMessage(1, command);
    if (type == TCmdType::Download)
        TAsyncSocket::Transaction(command);
    else
        Transaction(command);
    CheckReply(301, checkUnsupported, type);
    // Only a preliminary reply promises a closing one after the data.
    m_finalReplyPending = Within(ReplyCode(), 100, 199);
}

void TFtpClient::AcceptDataConnection() {
    // A passive connection is open before the command goes out; an abort meanwhile is
    // noticed by the transfer itself.
    if (m_passiveTransfer)
        return;
    const int accepted = m_dataSocket->Accept();
    // Active mode lets anyone who guesses the port connect; only the server may.
    const std::string from = m_dataSocket->RemoteAddressText();
    const std::string server = PeerAddressText();
    if (from != server) {
        ::close(accepted);
        throw ESockError("Data connection from " + from + " refused: the server is " + server);
    }
    m_dataSocket->AdoptSocket(accepted);
}

void TFtpClient::EndTransfer(std::int64_t bytes, bool reportBytes) {
    if (OnTransactionStop)
        OnTransactionStop(*this);
    m_dataSocket->CloseSocket();
    TotalBytes = bytes;
    if (reportBytes)
        StatusMessage(1, "Received " + std::to_string(TotalBytes) + " Bytes");
}

void TFtpClient::ReadFinalReply(TCmdType type) {
    if (!m_finalReplyPending || Interrupted())
        return;
    std::string line = ReadLine();
    m_finalReplyPending = false;
    SetReply(line);
    if (Interrupted())
        return;
    ReadReplyRest(line);
    // A transfer the server ends with a refusal (a full disk, a broken connection) has
    // failed, whatever moved before.
    CheckReply(400, false, type);
}

void TFtpClient::DrainPendingReply() {
    if (!m_finalReplyPending)
        return;
    m_finalReplyPending = false;
    const auto deadline = Clock::now() + kPendingReplyWait;
    while (!InboundBuffer().hasLine() && Connected() && Clock::now() < deadline)
        WaitTurn();
    if (!InboundBuffer().hasLine())
        return;
    std::string line = ReadLine();
    StatusMessage(1, std::string(WithoutLineEnd(line)));
    ReadReplyRest(line);
}

void TFtpClient::DrainAfterCancel() {
    SetCanceled(false);
    const auto start = Clock::now();
    while (InboundBuffer().empty() && Connected() && Clock::now() - start < kDrainAfterCancel)
        WaitTurn();
    const std::string taken = ReadCount(0);
    if (!taken.empty())
        StatusMessage(1, std::string(WithoutLineEnd(taken)));
}

bool TFtpClient::Interrupted() const noexcept {
    return Canceled() || TimedOut();
}

void TFtpClient::ListDirectory() {
    DataSocketScope scope(*this);
    OpenDataConnection(TCmdType::List);
    StartTransfer("LIST", TCmdType::List, true);
    TotalBytes = SizeFromReply(LastReply());
    if (OnTransactionStart)
        OnTransactionStart(*this);
    AcceptDataConnection();
    SecureDataConnection();
    if (!Interrupted()) {
        while (auto line = m_dataSocket->ReadLineOrEnd()) {
            if (OnListItem)
                OnListItem(std::string(WithoutLineEnd(*line)));
        }
    }
    ThrowIfTlsBroke();
    EndTransfer(m_dataSocket->BytesArrived(), true);
    ReadFinalReply(TCmdType::List);
    scope.release();
    Succeeded(TCmdType::List);
}

void TFtpClient::DownloadFile(const std::string& remoteName, const std::string& localName) {
    DataSocketScope scope(*this);
    OpenDataConnection(TCmdType::Download);
    if (OnPacketRecvd)
        m_dataSocket->OnPacketRecvd = OnPacketRecvd;
    TotalBytes = 0;
    StartTransfer("RETR " + remoteName, TCmdType::Download, false);
    TotalBytes = SizeFromReply(LastReply());
    ReadReplyRest(LastReply(), [this](const std::string& line) {
        if (TotalBytes == 0)
            TotalBytes = SizeFromReply(line);
    });
    AcceptDataConnection();
    SecureDataConnection();
    if (OnTransactionStart)
        OnTransactionStart(*this);
    if (!Interrupted())
        m_dataSocket->CaptureFile(localName.empty() ? remoteName : localName);
    ThrowIfTlsBroke();
    EndTransfer(m_dataSocket->ReceivedBytes(), true);
    ReadFinalReply(TCmdType::Download);
    scope.release();
    Succeeded(TCmdType::Download);
    if (Canceled())
        DrainAfterCancel();
}

void TFtpClient::UploadFile(const std::string& localName, const std::string& remoteName) {
    DataSocketScope scope(*this);
    OpenDataConnection(TCmdType::Upload, [&] { TotalBytes = ReadableFileSize(localName); });
    if (OnPacketSent)
        m_dataSocket->OnPacketSent = OnPacketSent;
    const std::string target = remoteName.empty() ? WithoutFolder(localName) : remoteName;
    StartTransfer("STOR " + target, TCmdType::Upload, true);
    AcceptDataConnection();
    SecureDataConnection();
    if (OnTransactionStart)
        OnTransactionStart(*this);
    if (!Interrupted())
        m_dataSocket->SendFile(localName);
    // The server learns that the file is complete from the close notification, and only a
    // peer that has closed has read everything.
    if (UseTls && !Interrupted())
        m_dataSocket->TlsClose(true);
    // Without linger the kernel delivers what is still queued instead of resetting.
    m_dataSocket->SetLinger(false);
    EndTransfer(TotalBytes, false);
    ReadFinalReply(TCmdType::Upload);
    scope.release();
    Succeeded(TCmdType::Upload);
}

std::int64_t TFtpClient::ReceivedBytes() const noexcept {
    return m_dataSocket ? m_dataSocket->ReceivedBytes() : 0;
}

std::int64_t TFtpClient::SentBytes() const noexcept {
    return m_dataSocket ? m_dataSocket->SentBytes() : 0;
}

} // namespace velloran
