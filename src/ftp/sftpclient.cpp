// libssh behind the SFTP client. The session is touched by the worker thread alone, as the
// library requires; the calling thread only hands over jobs and collects what they report.
#include "ftp/sftpclient.h"

#include "ftp/asyncsocket.h"
#include "platform/eventpump.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <libssh/libssh.h>
#include <libssh/sftp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velloran {

namespace {

EventPump* g_sftpPump = nullptr;

// Blocks a transfer moves between looks at the abort flag: small enough that Abort takes
// effect at once on any working line, large enough not to slow a fast one.
constexpr std::size_t kBlock = 32 * 1024;
// Read requests a download keeps on their way, so the line never waits for a round trip.
constexpr int kReadsInFlight = 16;

std::string SftpErrorText(sftp_session sftp, ssh_session ssh) {
    switch (sftp ? sftp_get_error(sftp) : SSH_FX_OK) {
    case SSH_FX_EOF:
        return "end of file";
    case SSH_FX_NO_SUCH_FILE:
    case SSH_FX_NO_SUCH_PATH:
        return "no such file or directory";
    case SSH_FX_PERMISSION_DENIED:
        return "permission denied";
    case SSH_FX_FILE_ALREADY_EXISTS:
        return "it already exists";
    case SSH_FX_OP_UNSUPPORTED:
        return "the server does not support this";
    case SSH_FX_NO_CONNECTION:
    case SSH_FX_CONNECTION_LOST:
        return "the connection is lost";
    case SSH_FX_FAILURE:
        return "the server refused";
    default:
        break;
    }
    const char* text = ssh ? ssh_get_error(ssh) : nullptr;
    return text && *text ? text : "unknown error";
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

// ---- pure parts

HostKeyDecision DecideHostKeyTrust(const SshHostKey& key, const std::string& pinnedFingerprint) {
    switch (key.known) {
    case SshHostKey::Known::Yes:
        return HostKeyDecision::Accept;
    case SshHostKey::Known::Changed:
        return HostKeyDecision::RefuseChanged;
    case SshHostKey::Known::Unknown:
        break;
    }
    if (pinnedFingerprint.empty())
        return HostKeyDecision::Ask;
    return pinnedFingerprint == key.fingerprint ? HostKeyDecision::Accept
                                                : HostKeyDecision::RefuseChanged;
}

std::string UnknownHostKeyQuestion(const SshHostKey& key) {
    return "The server's identity is not known (its key is not in known_hosts): " + key.host + ":" +
           std::to_string(key.port) + "\r\n\r\n" + key.keyType +
           " key, SHA-256 fingerprint: " + key.fingerprint + "\r\n\r\nTrust it?";
}

RemoteListItem SftpListItem(const std::string& name, SftpEntryType type, std::uint32_t permissions,
                            std::uint64_t size, std::time_t modified, std::time_t now) {
    RemoteListItem item;
    item.caption = name;
    item.imageIndex = type == SftpEntryType::Directory || type == SftpEntryType::Link ? 0 : 1;
    item.size = std::to_string(size);
    std::string mode = type == SftpEntryType::Directory ? "d"
                       : type == SftpEntryType::Link    ? "l"
                                                        : "-";
    const char* const letters = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit)
        mode += (permissions & (0400u >> bit)) ? letters[bit] : '-';
    item.attributes = mode;
    std::tm parts{};
    ::gmtime_r(&modified, &parts);
    char date[32];
    const bool recent = modified <= now + 3600 && now - modified < 183 * 24 * 3600;
    if (recent)
        std::snprintf(date, sizeof date, "%s %2d %02d:%02d", kMonths[parts.tm_mon % 12],
                      parts.tm_mday, parts.tm_hour, parts.tm_min);
    else
        std::snprintf(date, sizeof date, "%s %2d  %4d", kMonths[parts.tm_mon % 12], parts.tm_mday,
                      parts.tm_year + 1900);
    item.date = date;
    return item;
}

// ---- session

struct TSftpClient::Session {
    ssh_session ssh = nullptr;
    sftp_session sftp = nullptr;

    ~Session() { Close(); }
    void Close() noexcept {
        if (sftp)
            sftp_free(sftp);
        sftp = nullptr;
        if (ssh) {
            if (ssh_is_connected(ssh))
                ssh_disconnect(ssh);
            ssh_free(ssh);
        }
        ssh = nullptr;
    }
    [[noreturn]] void Fail(const std::string& what) const {
        throw ESftpError(what + ": " + SftpErrorText(sftp, ssh));
    }
};

TSftpClient::TSftpClient() : m_worker([this] { WorkerLoop(); }) {
}

TSftpClient::~TSftpClient() {
    m_abort = true;
    if (m_connected && !m_running) {
        try {
            Disconnect();
        } catch (const std::exception&) {
            // The session is freed either way.
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void TSftpClient::SetEventPump(EventPump* pump) noexcept {
    g_sftpPump = pump;
}

// ---- the worker and the wait

void TSftpClient::WorkerLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_jobDone; });
        if (m_stop && m_jobDone)
            break;
        const std::function<void()> job = std::move(m_job);
        lock.unlock();
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        m_error = error;
        m_jobDone = true;
        m_finished.notify_all();
    }
    // The session belongs to this thread to the end.
    lock.unlock();
    m_session.reset();
}

void TSftpClient::Run(const std::function<void()>& job) {
    if (m_running)
        throw ESftpError("Busy: another operation is running");
    m_running = true;
    struct Done {
        bool& running;
        ~Done() { running = false; }
    } done{m_running};
    {
        std::lock_guard lock(m_mutex);
        m_job = job;
        m_jobDone = false;
        m_error = nullptr;
    }
    m_wake.notify_all();
    for (;;) {
        bool finished = false;
        {
            std::unique_lock lock(m_mutex);
            finished = m_finished.wait_for(lock, std::chrono::milliseconds(2),
                                           [this] { return m_jobDone; });
        }
        Deliver();
        if (finished)
            break;
        if (g_sftpPump)
            g_sftpPump->processPendingEvents();
    }
    std::exception_ptr error;
    {
        std::lock_guard lock(m_mutex);
        error = std::exchange(m_error, nullptr);
    }
    if (error)
        std::rethrow_exception(error);
}

void TSftpClient::Deliver() {
    std::vector<std::string> lines;
    std::int64_t done = 0;
    std::int64_t total = 0;
    bool progress = false;
    {
        std::lock_guard lock(m_mutex);
        lines.swap(m_statusLines);
        progress = std::exchange(m_progressChanged, false);
        done = m_done;
        total = m_total;
    }
    for (const std::string& line : lines) {
        if (OnStatus)
            OnStatus(line);
    }
    if (progress && OnProgress)
        OnProgress(done, total);
}

void TSftpClient::Status(std::string line) {
    std::lock_guard lock(m_mutex);
    m_statusLines.push_back(std::move(line));
}

void TSftpClient::Progress(std::int64_t done, std::int64_t total) {
    std::lock_guard lock(m_mutex);
    m_done = done;
    m_total = total;
    m_progressChanged = true;
}

void TSftpClient::Abort() noexcept {
    m_abort = true;
}

// ---- connecting

void TSftpClient::Connect() {
    if (m_connected)
        return;
    m_abort = false;
    m_key = SshHostKey{};
    m_key.host = Host;
    m_key.port = Port;
    // The first half ends at the host key, which the user may have to judge here, on the
    // calling thread.
    Run([this] {
        m_session = std::make_unique<Session>();
        Session& s = *m_session;
        s.ssh = ssh_new();
        if (s.ssh == nullptr)
            throw ESftpError("Cannot set up an SSH session");
        const unsigned port = static_cast<unsigned>(Port);
        ssh_options_set(s.ssh, SSH_OPTIONS_HOST, Host.c_str());
        ssh_options_set(s.ssh, SSH_OPTIONS_PORT, &port);
        if (!UserID.empty())
            ssh_options_set(s.ssh, SSH_OPTIONS_USER, UserID.c_str());
        if (!SshDir.empty())
            ssh_options_set(s.ssh, SSH_OPTIONS_SSH_DIR, SshDir.c_str());
        if (!KnownHostsFile.empty())
            ssh_options_set(s.ssh, SSH_OPTIONS_KNOWNHOSTS, KnownHostsFile.c_str());
        if (!AgentSocket.empty())
            ssh_options_set(s.ssh, SSH_OPTIONS_IDENTITY_AGENT, AgentSocket.c_str());
        if (TimeOut > 0)
            ssh_options_set(s.ssh, SSH_OPTIONS_TIMEOUT, &TimeOut);
        // Every write waits for its status reply; with Nagle's delay each would wait for the
        // peer's delayed acknowledgement as well.
        const int noDelay = 1;
        ssh_options_set(s.ssh, SSH_OPTIONS_NODELAY, &noDelay);
        Status("Connecting to " + Host + ":" + std::to_string(Port));
        if (ssh_connect(s.ssh) != SSH_OK)
            throw ESftpUnreachable("Cannot connect to " + Host + ": " +
                                   SftpErrorText(nullptr, s.ssh));
        ssh_key key = nullptr;
        if (ssh_get_server_publickey(s.ssh, &key) != SSH_OK)
            s.Fail("The server showed no host key");
        unsigned char* hash = nullptr;
        std::size_t length = 0;
        const int hashed = ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length);
        m_key.keyType = ssh_key_type_to_char(ssh_key_type(key));
        ssh_key_free(key);
        if (hashed != 0)
            s.Fail("Cannot read the host key");
        char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
        ssh_clean_pubkey_hash(&hash);
        m_key.fingerprint = text ? text : "";
        ssh_string_free_char(text);
        switch (ssh_session_is_known_server(s.ssh)) {
        case SSH_KNOWN_HOSTS_OK:
            m_key.known = SshHostKey::Known::Yes;
            break;
        case SSH_KNOWN_HOSTS_CHANGED:
        case SSH_KNOWN_HOSTS_OTHER:
            m_key.known = SshHostKey::Known::Changed;
            break;
        default:
            m_key.known = SshHostKey::Known::Unknown;
            break;
        }
    });
    try {
        switch (DecideHostKeyTrust(m_key, TrustedFingerprint)) {
        case HostKeyDecision::Accept:
            break;
        case HostKeyDecision::RefuseChanged:
            throw ESftpError("Warning: the identity of " + Host +
                             " has changed since it was trusted. Someone may be listening in. "
                             "Its host key's fingerprint is now " +
                             m_key.fingerprint + ". The connection is refused.");
        case HostKeyDecision::Ask:
            if (!OnUnknownIdentity || !OnUnknownIdentity(m_key))
                throw ESftpError("The identity of " + Host +
                                 " is not trusted; the connection is refused.");
            TrustedFingerprint = m_key.fingerprint;
            break;
        }
        Run([this] {
            Session& s = *m_session;
            int result = ssh_userauth_none(s.ssh, nullptr);
            const int methods = ssh_userauth_list(s.ssh, nullptr);
            if (result != SSH_AUTH_SUCCESS && (methods & SSH_AUTH_METHOD_PUBLICKEY))
                result = ssh_userauth_publickey_auto(s.ssh, nullptr, nullptr);
            if (result != SSH_AUTH_SUCCESS && (methods & SSH_AUTH_METHOD_PASSWORD) &&
                !Password.empty())
                result = ssh_userauth_password(s.ssh, nullptr, Password.c_str());
            if (result != SSH_AUTH_SUCCESS)
                throw ESftpError("The server refused the log-in of " + UserID +
                                 (Password.empty() ? " with the keys at hand"
                                                   : " with the keys at hand and the password"));
            Status("Logged in as " + UserID);
            s.sftp = sftp_new(s.ssh);
            if (s.sftp == nullptr || sftp_init(s.sftp) != SSH_OK)
                s.Fail("The server offers no SFTP");
            char* home = sftp_canonicalize_path(s.sftp, ".");
            if (home == nullptr)
                s.Fail("Cannot find the home directory");
            m_directory = home;
            ssh_string_free_char(home);
        });
    } catch (...) {
        Run([this] { m_session.reset(); });
        throw;
    }
    m_connected = true;
}

void TSftpClient::Disconnect() {
    if (!m_connected)
        return;
    m_connected = false;
    Run([this] {
        m_session.reset();
        Status("Disconnected");
    });
}

void TSftpClient::CheckConnected() const {
    if (!m_connected)
        throw VelloranError("Not Connected");
}

std::string TSftpClient::RemotePath(const std::string& name) const {
    if (name.starts_with('/'))
        return name;
    return m_directory == "/" ? "/" + name : m_directory + "/" + name;
}

// ---- commands

void TSftpClient::ChangeDirectory(const std::string& directory) {
    CheckConnected();
    const std::string path = RemotePath(directory);
    std::string resolved;
    Run([&] {
        Session& s = *m_session;
        char* canonical = sftp_canonicalize_path(s.sftp, path.c_str());
        if (canonical == nullptr)
            s.Fail("Cannot change to " + directory);
        resolved = canonical;
        ssh_string_free_char(canonical);
        sftp_attributes attributes = sftp_stat(s.sftp, resolved.c_str());
        if (attributes == nullptr)
            s.Fail("Cannot change to " + directory);
        const bool folder = attributes->type == SSH_FILEXFER_TYPE_DIRECTORY;
        sftp_attributes_free(attributes);
        if (!folder)
            throw ESftpError("Cannot change to " + directory + ": it is not a directory");
    });
    m_directory = resolved;
}

void TSftpClient::MakeDirectory(const std::string& name) {
    CheckConnected();
    const std::string path = RemotePath(name);
    Run([&] {
        if (sftp_mkdir(m_session->sftp, path.c_str(), 0755) != 0)
            m_session->Fail("Cannot make the directory " + name);
    });
}

void TSftpClient::RemoveDirectory(const std::string& name) {
    CheckConnected();
    const std::string path = RemotePath(name);
    Run([&] {
        if (sftp_rmdir(m_session->sftp, path.c_str()) != 0)
            m_session->Fail("Cannot remove the directory " + name);
    });
}

void TSftpClient::DeleteFile(const std::string& name) {
    CheckConnected();
    const std::string path = RemotePath(name);
    Run([&] {
        if (sftp_unlink(m_session->sftp, path.c_str()) != 0)
            m_session->Fail("Cannot delete " + name);
    });
}

void TSftpClient::RenameFile(const std::string& oldName, const std::string& newName) {
    CheckConnected();
    const std::string from = RemotePath(oldName);
    const std::string to = RemotePath(newName);
    Run([&] {
        if (sftp_rename(m_session->sftp, from.c_str(), to.c_str()) != 0)
            m_session->Fail("Cannot rename " + oldName + " to " + newName);
    });
}

void TSftpClient::ReplaceFile(const std::string& oldName, const std::string& newName) {
    CheckConnected();
    const std::string from = RemotePath(oldName);
    const std::string to = RemotePath(newName);
    Run([&] {
        Session& s = *m_session;
        if (sftp_rename(s.sftp, from.c_str(), to.c_str()) == 0)
            return;
        const std::string refusal = SftpErrorText(s.sftp, s.ssh);
        sftp_attributes there = sftp_lstat(s.sftp, to.c_str());
        if (there == nullptr)
            throw ESftpError("Cannot rename " + oldName + " to " + newName + ": " + refusal);
        const bool folder = there->type == SSH_FILEXFER_TYPE_DIRECTORY;
        sftp_attributes_free(there);
        if (folder)
            throw ESftpError("Cannot rename " + oldName + " to " + newName +
                             ": a directory of that name is in the way");
        if (sftp_unlink(s.sftp, to.c_str()) != 0)
            s.Fail("Cannot replace " + newName);
        if (sftp_rename(s.sftp, from.c_str(), to.c_str()) != 0)
            s.Fail("Cannot rename " + oldName + " to " + newName);
        Status("Replaced " + newName);
    });
}

std::vector<RemoteListItem> TSftpClient::ListDirectory(bool showHidden) {
    CheckConnected();
    std::vector<RemoteListItem> items;
    Run([&] {
        Session& s = *m_session;
        sftp_dir dir = sftp_opendir(s.sftp, m_directory.c_str());
        if (dir == nullptr)
            s.Fail("Cannot list " + m_directory);
        const std::time_t now = std::time(nullptr);
        while (sftp_attributes entry = sftp_readdir(s.sftp, dir)) {
            const std::string name = entry->name ? entry->name : "";
            if (!name.empty() && (showHidden || name[0] != '.')) {
                SftpEntryType type = SftpEntryType::Other;
                if (entry->type == SSH_FILEXFER_TYPE_REGULAR)
                    type = SftpEntryType::File;
                else if (entry->type == SSH_FILEXFER_TYPE_DIRECTORY)
                    type = SftpEntryType::Directory;
                else if (entry->type == SSH_FILEXFER_TYPE_SYMLINK)
                    type = SftpEntryType::Link;
                items.push_back(SftpListItem(name, type, entry->permissions, entry->size,
                                             static_cast<std::time_t>(entry->mtime), now));
            }
            sftp_attributes_free(entry);
        }
        const bool complete = sftp_dir_eof(dir) == 1;
        sftp_closedir(dir);
        if (!complete)
            s.Fail("The listing of " + m_directory + " broke off");
    });
    return items;
}

void TSftpClient::DownloadFile(const std::string& remoteName, const std::string& localName) {
    CheckConnected();
    m_abort = false;
    const std::string path = RemotePath(remoteName);
    const std::string target = localName.empty() ? remoteName : localName;
    const std::string partial = target + ".part";
    Run([&] {
        Session& s = *m_session;
        sftp_file file = sftp_open(s.sftp, path.c_str(), O_RDONLY, 0);
        if (file == nullptr)
            s.Fail("Cannot download " + remoteName);
        struct Closer {
            sftp_file file;
            int local = -1;
            const std::string& partial;
            bool keep = false;
            ~Closer() {
                sftp_close(file);
                if (local >= 0)
                    ::close(local);
                if (!keep)
                    ::unlink(partial.c_str());
            }
        } closer{file, -1, partial};
        sftp_attributes attributes = sftp_fstat(file);
        const std::int64_t total = attributes ? static_cast<std::int64_t>(attributes->size) : 0;
        if (attributes)
            sftp_attributes_free(attributes);
        closer.local = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (closer.local < 0)
            throw FileError("Cannot create \"" + partial + "\": " + std::strerror(errno));
        Progress(0, total);
        // A window of read requests on their way; each answer is written as it comes and
        // the next request goes out at once.
        std::vector<int> requests(kReadsInFlight, -1);
        std::size_t next = 0;
        bool ended = false;
        const auto ask = [&](std::size_t slot) {
            const int id = sftp_async_read_begin(file, kBlock);
            if (id < 0)
                s.Fail("Cannot download " + remoteName);
            requests[slot] = id;
        };
        for (std::size_t i = 0; i < requests.size(); ++i)
            ask(i);
        std::vector<char> block(kBlock);
        std::int64_t done = 0;
        const auto keep = [&](int got) {
            for (std::size_t written = 0; written < static_cast<std::size_t>(got);) {
                const ssize_t n = ::write(closer.local, block.data() + written, got - written);
                if (n < 0 && errno != EINTR)
                    throw FileError("Cannot write \"" + partial + "\": " + std::strerror(errno));
                if (n > 0)
                    written += static_cast<std::size_t>(n);
            }
            done += got;
            Progress(done, total);
        };
        // A short answer before the end leaves the requests behind it at offsets that no
        // longer follow on; the rest then comes one read at a time.
        bool shortAnswer = false;
        while (!ended && !shortAnswer) {
            if (m_abort)
                throw EAbortError("Transfer aborted");
            const int got =
                sftp_async_read(file, block.data(), kBlock, static_cast<uint32_t>(requests[next]));
            requests[next] = -1;
            if (got < 0)
                s.Fail("The download of " + remoteName + " broke off");
            if (got == 0) {
                ended = true;
                break;
            }
            keep(got);
            if (static_cast<std::size_t>(got) < kBlock && done < total) {
                shortAnswer = true;
                break;
            }
            ask(next);
            next = (next + 1) % requests.size();
        }
        // The requests still out must be answered before the handle goes, or their answers
        // would meet later requests.
        for (std::size_t i = 0; i < requests.size(); ++i) {
            if (requests[i] >= 0 && !ended)
                (void)sftp_async_read(file, block.data(), kBlock,
                                      static_cast<uint32_t>(requests[i]));
        }
        if (shortAnswer) {
            sftp_seek64(file, static_cast<uint64_t>(done));
            for (;;) {
                if (m_abort)
                    throw EAbortError("Transfer aborted");
                const ssize_t got = sftp_read(file, block.data(), kBlock);
                if (got < 0)
                    s.Fail("The download of " + remoteName + " broke off");
                if (got == 0)
                    break;
                keep(static_cast<int>(got));
            }
        }
        if (::close(std::exchange(closer.local, -1)) != 0)
            throw FileError("Cannot write \"" + partial + "\": " + std::strerror(errno));
        if (::rename(partial.c_str(), target.c_str()) != 0)
            throw FileError("Cannot create \"" + target + "\": " + std::strerror(errno));
        closer.keep = true;
        Status("Received " + std::to_string(done) + " Bytes");
    });
}

void TSftpClient::UploadFile(const std::string& localName, const std::string& remoteName) {
    CheckConnected();
    m_abort = false;
    const auto slash = localName.rfind('/');
    const std::string name = !remoteName.empty()          ? remoteName
                             : slash == std::string::npos ? localName
                                                          : localName.substr(slash + 1);
    const std::string path = RemotePath(name);
    Run([&] {
        Session& s = *m_session;
        const int local = ::open(localName.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (local < 0 || ::fstat(local, &info) != 0) {
            const int error = errno;
            if (local >= 0)
                ::close(local);
            throw FileError("Cannot read \"" + localName + "\": " + std::strerror(error));
        }
        sftp_file file = sftp_open(s.sftp, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        struct Closer {
            sftp_file file;
            int local;
            ~Closer() {
                if (file)
                    sftp_close(file);
                ::close(local);
            }
        } closer{file, local};
        if (file == nullptr)
            s.Fail("Cannot upload " + name);
        const std::int64_t total = info.st_size;
        Progress(0, total);
        std::vector<char> block(kBlock);
        std::int64_t done = 0;
        for (;;) {
            if (m_abort)
                throw EAbortError("Transfer aborted");
            const ssize_t got = ::read(local, block.data(), block.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw FileError("Cannot read \"" + localName + "\": " + std::strerror(errno));
            if (got == 0)
                break;
            for (ssize_t put = 0; put < got;) {
                const ssize_t n = sftp_write(file, block.data() + put, got - put);
                if (n <= 0)
                    s.Fail("The upload of " + name + " broke off");
                put += n;
            }
            done += got;
            Progress(done, total);
        }
        // A server that could not store the end says so when the handle closes.
        closer.file = nullptr;
        if (sftp_close(file) != 0)
            s.Fail("The upload of " + name + " was not completed");
        Status("Sent " + std::to_string(done) + " Bytes");
    });
}

} // namespace velloran
