// Watches one folder for changes on disk and tells its owner, above all when one chosen file
// was changed or removed by another program.
#pragma once

#include "platform/errors.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>

namespace velloran {

class MainThread;

enum class TNotificationOption : std::uint8_t {
    fnoFile,
    fnoFolder,
    fnoAttr,
    fnoSize,
    fnoTime,
    fnoWatchSubtree
};

// A set of options in one byte: bit 0 is fnoFile through bit 5 fnoWatchSubtree.
class NotificationOptions {
public:
    constexpr NotificationOptions() noexcept = default;
    constexpr NotificationOptions(std::initializer_list<TNotificationOption> options) noexcept {
        for (TNotificationOption option : options) {
            insert(option);
        }
    }
    [[nodiscard]] static constexpr NotificationOptions fromBits(std::uint8_t bits) noexcept {
        NotificationOptions options;
        options.m_bits = bits & 0x3F;
        return options;
    }
    [[nodiscard]] constexpr std::uint8_t bits() const noexcept { return m_bits; }
    [[nodiscard]] constexpr bool contains(TNotificationOption option) const noexcept {
        return (m_bits & bit(option)) != 0;
    }
    constexpr void insert(TNotificationOption option) noexcept { m_bits |= bit(option); }
    constexpr void remove(TNotificationOption option) noexcept {
        m_bits &= static_cast<std::uint8_t>(~bit(option));
    }
    friend constexpr bool operator==(NotificationOptions, NotificationOptions) = default;

private:
    static constexpr std::uint8_t bit(TNotificationOption option) noexcept {
        return static_cast<std::uint8_t>(1U << static_cast<unsigned>(option));
    }
    std::uint8_t m_bits = 0;
};

class EFileNotificationError : public VelloranError {
public:
    using VelloranError::VelloranError;
};

class TFileNotify;
using TFileNotifyEvent = std::function<void(TFileNotify& sender, TNotificationOption action)>;

// Lives on the user-interface thread; one worker thread per started watcher waits on the
// system and hands each notification over to that thread (or, with asyncNotify, runs Notify
// itself). After the destructor has returned no handler of this watcher is called again.
class TFileNotify {
public:
    explicit TFileNotify(MainThread& mainThread);
    virtual ~TFileNotify();
    TFileNotify(const TFileNotify&) = delete;
    TFileNotify& operator=(const TFileNotify&) = delete;

    [[nodiscard]] const std::string& folder() const noexcept { return m_folder; }
    // Empty means "/"; a final "/" is dropped. Throws EFileNotificationError when the
    // watcher runs and the folder cannot be watched.
    void setFolder(const std::string& folder);

    [[nodiscard]] const std::string& filename() const noexcept { return m_filename; }
    // Takes a new snapshot of the file and watches its folder; a missing file empties the
    // name. Owners set it again right after saving the file themselves, so that their own
    // write is not reported as a change.
    void setFilename(const std::string& filename);

    [[nodiscard]] NotificationOptions options() const noexcept { return m_options; }
    void setOptions(NotificationOptions options);

    [[nodiscard]] bool asyncNotify() const noexcept;
    // True runs Notify on the worker thread: only for handlers that touch no shared data,
    // assigned before Loaded.
    void setAsyncNotify(bool async) noexcept;

    // Starts watching. Throws EFileNotificationError when the folder cannot be watched; the
    // worker runs anyway, so a later valid folder starts the watch.
    void Loaded();

    // One notification of the kind `action`: raises OnNotify, and OnFileNotify when the file
    // named by filename() vanished or its entry differs from the snapshot.
    virtual void Notify(TNotificationOption action);

    TFileNotifyEvent OnNotify;
    TFileNotifyEvent OnFileNotify;

private:
    struct Channel;
    // Compared field by field in this order; the identity at the end tells a file replaced
    // by rename from the one it replaced even when time and size were kept.
    struct Entry {
        std::int64_t seconds = 0;
        std::int64_t nanoseconds = 0;
        std::int64_t size = 0;
        std::uint32_t mode = 0;
        std::string name;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        bool operator==(const Entry&) const = default;
    };
    static bool lookUp(const std::string& path, Entry& entry);
    void rebuild();
    void checkFile(TNotificationOption action);

    std::shared_ptr<Channel> m_channel;
    std::thread m_worker;
    std::string m_folder;
    std::string m_filename;
    Entry m_snapshot;
    NotificationOptions m_options{TNotificationOption::fnoFile, TNotificationOption::fnoFolder};
};

} // namespace velloran
