// The SFTP client: an SSH session on a worker thread of its own, behind calls that look
// blocking like the FTP client's. While a call runs, the calling thread delivers the
// worker's progress and status lines and lets the user interface process its events, so the
// window stays responsive and its Abort button works.
#pragma once

#include "ftp/listparser.h"
#include "platform/errors.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velloran {

class EventPump;

class ESftpError : public VelloranError {
public:
    using VelloranError::VelloranError;
};

// No SSH server could be reached at the address.
class ESftpUnreachable : public ESftpError {
public:
    using ESftpError::ESftpError;
};

// The key an SSH server showed, and what ~/.ssh/known_hosts says of it.
struct SshHostKey {
    enum class Known { Yes, Unknown, Changed };
    std::string host;
    int port = 22;
    std::string keyType;
    // "SHA256:" and the base64 digest, as OpenSSH prints it; case matters.
    std::string fingerprint;
    Known known = Known::Unknown;
};

enum class HostKeyDecision { Accept, Ask, RefuseChanged };
// known_hosts decides first: a key it holds is trusted, a key other than the one it holds is
// refused. A host it does not know is trusted when the profile pins this fingerprint, refused
// when the profile pins another, asked about otherwise.
[[nodiscard]] HostKeyDecision DecideHostKeyTrust(const SshHostKey& key,
                                                 const std::string& pinnedFingerprint);
[[nodiscard]] std::string UnknownHostKeyQuestion(const SshHostKey& key);

// A listing entry from SFTP attributes, in the columns a listing line gives: the size in
// decimal, the date as "Mmm dd hh:mm" within half a year of `now` and "Mmm dd  yyyy" beyond,
// the type and permissions as "drwxr-xr-x". Directories and links show as folders.
enum class SftpEntryType { File, Directory, Link, Other };
[[nodiscard]] RemoteListItem SftpListItem(const std::string& name, SftpEntryType type,
                                          std::uint32_t permissions, std::uint64_t size,
                                          std::time_t modified, std::time_t now);

class TSftpClient {
public:
    using ProgressEvent = std::function<void(std::int64_t done, std::int64_t total)>;

    TSftpClient();
    ~TSftpClient();
    TSftpClient(const TSftpClient&) = delete;
    TSftpClient& operator=(const TSftpClient&) = delete;

    // The user interface's event processing, run while calls wait.
    static void SetEventPump(EventPump* pump) noexcept;

    std::string Host;
    int Port = 22;
    std::string UserID;
    // Tried after the keys of a running ssh-agent and of the SSH folder; empty: keys only.
    std::string Password;
    // The fingerprint the profile trusts for a host known_hosts does not know; set to the
    // new one when the user trusts it, for the window to store.
    std::string TrustedFingerprint;
    // Empty: ~/.ssh/known_hosts, the ~/.ssh folder and the agent of SSH_AUTH_SOCK.
    std::string KnownHostsFile;
    std::string SshDir;
    std::string AgentSocket;
    // Seconds the connection set-up may take; 0: the library's default.
    long TimeOut = 0;

    // Asked once about a host key nobody vouches for; true trusts it. Without a handler such
    // a host is refused. A changed key is refused without asking.
    std::function<bool(const SshHostKey&)> OnUnknownIdentity;
    std::function<void(const std::string&)> OnStatus;
    // A transfer's bytes so far and its size; on the calling thread.
    ProgressEvent OnProgress;

    void Connect();
    void Disconnect();
    [[nodiscard]] bool Connected() const noexcept { return m_connected; }
    [[nodiscard]] const SshHostKey& ServerKey() const noexcept { return m_key; }

    // Relative names are taken from the current directory.
    void ChangeDirectory(const std::string& directory);
    [[nodiscard]] std::string CurrentDirectory() const { return m_directory; }
    void MakeDirectory(const std::string& name);
    void RemoveDirectory(const std::string& name);
    void DeleteFile(const std::string& name);
    void RenameFile(const std::string& oldName, const std::string& newName);
    // A rename over an existing `newName`. SFTP version 3, which OpenSSH speaks, renames onto
    // no existing name, and libssh offers no posix-rename: where the plain rename is refused
    // and `newName` exists, it is deleted and the rename made again in the same job, so
    // there is a moment without the file but never one with half of it.
    void ReplaceFile(const std::string& oldName, const std::string& newName);
    // `showHidden` keeps names that begin with "." as the FTP listing does.
    [[nodiscard]] std::vector<RemoteListItem> ListDirectory(bool showHidden);
    // The file arrives under a temporary name beside `localName` and takes its name only when
    // complete, so a failed or aborted download leaves an existing file as it was.
    void DownloadFile(const std::string& remoteName, const std::string& localName);
    void UploadFile(const std::string& localName, const std::string& remoteName);
    // From any thread: the running transfer stops at its next block with EAbortError.
    void Abort() noexcept;

private:
    struct Session;

    // Runs `job` on the worker and waits, delivering progress and status, until it is done;
    // rethrows what it threw.
    void Run(const std::function<void()>& job);
    void WorkerLoop();
    void Deliver();
    void Status(std::string line);
    void Progress(std::int64_t done, std::int64_t total);
    [[nodiscard]] std::string RemotePath(const std::string& name) const;
    void CheckConnected() const;

    std::unique_ptr<Session> m_session;
    SshHostKey m_key;
    std::string m_directory;
    bool m_connected = false;
    bool m_running = false;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    std::function<void()> m_job;
    bool m_jobDone = true;
    bool m_stop = false;
    std::exception_ptr m_error;
    std::vector<std::string> m_statusLines;
    std::int64_t m_done = 0;
    std::int64_t m_total = 0;
    bool m_progressChanged = false;
    std::atomic<bool> m_abort{false};
    std::thread m_worker;
};

} // namespace velloran
