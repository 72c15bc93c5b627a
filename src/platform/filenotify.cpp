// Folder watches on inotify, the worker thread that waits on them, and the hand-over of
// its notifications to the watcher's owner.
#include "platform/filenotify.h"

#include "platform/eventpump.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velloran {
namespace {

namespace fs = std::filesystem;
using enum TNotificationOption;
using Kinds = std::vector<TNotificationOption>;

constexpr std::uint8_t kChangeKinds = 0x1F;
constexpr int kWaitMilliseconds = 200;
constexpr std::uint32_t kNameChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kContentChanges = IN_MODIFY | IN_CLOSE_WRITE;
constexpr const char* kAllocateError = "Could not allocate notification object";

bool hasKinds(NotificationOptions options) {
    return (options.bits() & kChangeKinds) != 0;
}

std::uint32_t maskFor(NotificationOptions options) {
    std::uint32_t mask = IN_ONLYDIR;
    if (options.contains(fnoFile) || options.contains(fnoFolder)) {
        mask |= kNameChanges;
    }
    if (options.contains(fnoAttr)) {
        mask |= IN_ATTRIB;
    }
    if (options.contains(fnoSize) || options.contains(fnoTime)) {
        mask |= kContentChanges;
    }
    if (options.contains(fnoWatchSubtree)) {
        mask |= IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO; // to follow sub-folders coming and going
    }
    return mask;
}

std::string joinPath(const std::string& folder, const char* name) {
    return folder == "/" ? "/" + std::string(name) : folder + "/" + name;
}

// One inotify instance over a folder and, for fnoWatchSubtree, every folder below it. After
// construction only the worker thread touches it.
class WatchSet {
public:
    WatchSet(const std::string& folder, NotificationOptions options)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), m_options(options),
          m_mask(maskFor(options)) {
        if (m_fd < 0 || !watch(folder)) {
            closeFd();
            throw EFileNotificationError(kAllocateError);
        }
        if (subtree()) {
            watchBelow(folder, nullptr);
        }
    }
    ~WatchSet() { closeFd(); }
    WatchSet(const WatchSet&) = delete;
    WatchSet& operator=(const WatchSet&) = delete;

    [[nodiscard]] int fd() const { return m_fd; }

    // The kinds of the events read at once, each kind once, in the order they first occur,
    // so that a later notification is never handed over before an earlier one.
    Kinds readKinds() {
        Kinds kinds;
        alignas(inotify_event) std::array<char, 16384> buffer;
        const ssize_t length = ::read(m_fd, buffer.data(), buffer.size());
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
            classify(*event, kinds);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        return kinds;
    }

private:
    [[nodiscard]] bool subtree() const { return m_options.contains(fnoWatchSubtree); }

    void closeFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    bool watch(const std::string& folder) {
        const int descriptor = inotify_add_watch(m_fd, folder.c_str(), m_mask);
        if (descriptor < 0) {
            return false;
        }
        m_folders[descriptor] = folder; // a folder moved within the tree keeps its descriptor
        return true;
    }

    // Entries that were already there when a new folder got its watch raised no event of
    // their own, so `found` collects their kinds.
    void watchBelow(const std::string& folder, Kinds* found) {
        std::error_code error;
        const auto options = fs::directory_options::skip_permission_denied;
        for (fs::recursive_directory_iterator it(folder, options, error), end; !error && it != end;
             it.increment(error)) {
            const bool isFolder = !it->is_symlink(error) && it->is_directory(error);
            if (found != nullptr) {
                note(isFolder ? fnoFolder : fnoFile, *found);
            }
            if (isFolder) {
                watch(it->path().string());
            }
        }
    }

    void forget(const std::string& folder) {
        const std::string below = folder + "/";
        std::erase_if(m_folders, [&](const auto& entry) {
            if (entry.second != folder && !entry.second.starts_with(below)) {
                return false;
            }
            inotify_rm_watch(m_fd, entry.first);
            return true;
        });
    }

    void note(TNotificationOption kind, Kinds& kinds) const {
        if (m_options.contains(kind) && std::ranges::find(kinds, kind) == kinds.end()) {
            kinds.push_back(kind);
        }
    }

    void classify(const inotify_event& event, Kinds& kinds) {
        if ((event.mask & IN_Q_OVERFLOW) != 0) { // events were lost: any kind may have changed
            for (TNotificationOption kind : {fnoFile, fnoFolder, fnoSize, fnoTime, fnoAttr}) {
                note(kind, kinds);
            }
            return;
        }
        if ((event.mask & IN_IGNORED) != 0) {
            m_folders.erase(event.wd);
            return;
        }
        const bool isFolder = (event.mask & IN_ISDIR) != 0;
        if ((event.mask & kNameChanges) != 0) {
            note(isFolder ? fnoFolder : fnoFile, kinds);
        }
        if ((event.mask & IN_ATTRIB) != 0) {
            note(fnoAttr, kinds);
        }
        if ((event.mask & kContentChanges) != 0) {
            note(fnoSize, kinds);
            note(fnoTime, kinds);
        }
        if (isFolder && subtree() && event.len > 0) {
            followFolder(event, kinds);
        }
    }

    void followFolder(const inotify_event& event, Kinds& kinds) {
        const auto parent = m_folders.find(event.wd);
        if (parent == m_folders.end()) {
            return;
        }
        const std::string path = joinPath(parent->second, event.name);
        if ((event.mask & (IN_CREATE | IN_MOVED_TO)) != 0) {
            if (watch(path)) {
                watchBelow(path, &kinds);
            }
        } else if ((event.mask & IN_MOVED_FROM) != 0) {
            forget(path);
        }
    }

    int m_fd;
    NotificationOptions m_options;
    std::uint32_t m_mask;
    std::unordered_map<int, std::string> m_folders;
};

} // namespace

// What the watcher and its worker share. The worker holds its own reference, so a worker
// left blocked in a hand-over when the watcher is destroyed still finds it and ends there.
struct TFileNotify::Channel {
    Channel(MainThread& thread, TFileNotify& watcher) : mainThread(thread), owner(&watcher) {}
    ~Channel() {
        if (wakeFd >= 0) {
            ::close(wakeFd);
        }
    }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    void wake() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd, &one, sizeof one);
    }

    void exchange(std::shared_ptr<WatchSet> next) {
        {
            std::lock_guard lock(mutex);
            watches.swap(next);
        }
        wake();
    }

    bool ownedBy(const TFileNotify* watcher) {
        std::lock_guard lock(mutex);
        return owner == watcher;
    }

    static void run(const std::shared_ptr<Channel>& channel) {
        while (true) {
            std::shared_ptr<WatchSet> current;
            {
                std::lock_guard lock(channel->mutex);
                if (channel->stop) {
                    return;
                }
                current = channel->watches;
            }
            for (TNotificationOption kind : channel->wait(current.get())) {
                if (!deliver(channel, current, kind)) {
                    break;
                }
            }
        }
    }

    // Waits at most the bound, so that a stop or a new watch set is noticed in time even
    // without the wake-up.
    Kinds wait(WatchSet* current) const {
        std::array<pollfd, 2> fds{{{wakeFd, POLLIN, 0}, {current ? current->fd() : -1, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), kWaitMilliseconds) <= 0) {
            return {};
        }
        if ((fds[0].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t read = ::read(wakeFd, &count, sizeof count);
        }
        return (fds[1].revents & POLLIN) != 0 ? current->readKinds() : Kinds{};
    }

    // False when the watcher stopped or its watch set was exchanged: the rest is stale.
    static bool deliver(const std::shared_ptr<Channel>& channel,
                        const std::shared_ptr<WatchSet>& current, TNotificationOption kind) {
        bool async = false;
        {
            std::lock_guard lock(channel->mutex);
            if (channel->stop || channel->watches != current) {
                return false;
            }
            async = channel->async;
            channel->handingOver = !async;
        }
        if (async) {
            channel->notifyOwner(current, kind);
        } else {
            channel->mainThread.runBlocking(
                [channel, current, kind] { channel->notifyOwner(current, kind); });
        }
        std::lock_guard lock(channel->mutex);
        channel->handingOver = false;
        return true;
    }

    void notifyOwner(const std::shared_ptr<WatchSet>& current, TNotificationOption kind) {
        TFileNotify* watcher = nullptr;
        {
            std::lock_guard lock(mutex);
            if (owner == nullptr || watches != current) {
                return;
            }
            watcher = owner;
        }
        try {
            watcher->Notify(kind);
        } catch (...) {
            // Nobody is there to hear of a handler's failure; it must not end the worker
            // thread or the user interface's event loop.
        }
    }

    MainThread& mainThread;
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::atomic<bool> async{false};
    std::mutex mutex;
    std::shared_ptr<WatchSet> watches; // the fields below are guarded by `mutex`
    TFileNotify* owner;
    bool stop = false;
    bool handingOver = false;
};

TFileNotify::TFileNotify(MainThread& mainThread)
    : m_channel(std::make_shared<Channel>(mainThread, *this)) {
}

// A worker blocked in a hand-over waits for this very thread (or is this thread), so joining
// it could never return; it is let go instead and finds `stop` once the hand-over is over.
TFileNotify::~TFileNotify() {
    bool blocked = false;
    {
        std::lock_guard lock(m_channel->mutex);
        m_channel->stop = true;
        m_channel->owner = nullptr;
        blocked = m_channel->handingOver || m_worker.get_id() == std::this_thread::get_id();
    }
    m_channel->wake();
    if (!m_worker.joinable()) {
        return;
    }
    if (blocked) {
        m_worker.detach();
    } else {
        m_worker.join();
    }
}

void TFileNotify::setFolder(const std::string& folder) {
    std::string value = folder.empty() ? "/" : folder;
    if (value.size() > 1 && value.back() == '/') {
        value.pop_back();
    }
    if (value == m_folder) {
        return;
    }
    m_folder = std::move(value);
    if (m_worker.joinable()) {
        rebuild();
    }
}

void TFileNotify::setFilename(const std::string& filename) {
    Entry entry;
    if (filename.empty() || !lookUp(filename, entry)) {
        m_filename.clear();
        return;
    }
    m_filename = filename;
    m_snapshot = std::move(entry);
    const std::size_t slash = filename.find_last_of('/');
    setFolder(slash == std::string::npos ? "." : filename.substr(0, slash + 1));
}

void TFileNotify::setOptions(NotificationOptions options) {
    if (options == m_options) {
        return;
    }
    m_options = options;
    if (m_worker.joinable()) {
        rebuild();
    }
}

bool TFileNotify::asyncNotify() const noexcept {
    return m_channel->async;
}

void TFileNotify::setAsyncNotify(bool async) noexcept {
    m_channel->async = async;
}

void TFileNotify::Loaded() {
    if (m_worker.joinable()) {
        return;
    }
    m_worker = std::thread(&Channel::run, m_channel);
    rebuild();
}

void TFileNotify::Notify(TNotificationOption action) {
    if (OnNotify) {
        const std::shared_ptr<Channel> channel = m_channel;
        const TFileNotifyEvent handler = OnNotify; // the handler may destroy this watcher
        handler(*this, action);
        if (!channel->ownedBy(this)) {
            return;
        }
    }
    if (OnFileNotify && !m_filename.empty()) {
        checkFile(action);
    }
}

void TFileNotify::checkFile(TNotificationOption action) {
    Entry entry;
    const bool found = lookUp(m_filename, entry);
    const bool changed = !found || entry != m_snapshot;
    // Before the handler runs, so that a snapshot it takes itself is the one that stays.
    if (found) {
        m_snapshot = std::move(entry);
    } else {
        m_filename.clear();
    }
    if (changed) {
        const TFileNotifyEvent handler = OnFileNotify;
        handler(*this, action);
    }
}

void TFileNotify::rebuild() {
    m_channel->exchange(nullptr);
    if (hasKinds(m_options)) {
        m_channel->exchange(
            std::make_shared<WatchSet>(m_folder.empty() ? "/" : m_folder, m_options));
    }
}

bool TFileNotify::lookUp(const std::string& path, Entry& entry) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return false;
    }
    entry.seconds = status.st_mtim.tv_sec;
    entry.nanoseconds = status.st_mtim.tv_nsec;
    entry.size = status.st_size;
    entry.mode = status.st_mode;
    entry.name = path.substr(path.find_last_of('/') + 1);
    entry.device = status.st_dev;
    entry.inode = status.st_ino;
    return true;
}

} // namespace velloran
