// The file change watcher on real files in a temporary folder, with a stand-in for the
// user-interface thread that the test thread drives.
#include "platform/filenotify.h"

#include "platform/eventpump.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

namespace velloran {
namespace {

using namespace std::chrono_literals;
using enum TNotificationOption;

// Work handed over waits in a queue until the test thread runs it in pumpUntil.
class FakeMainThread : public MainThread {
public:
    ~FakeMainThread() override {
        std::unique_lock lock(m_mutex);
        m_closed = true;
        m_queue.clear();
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_inside == 0; });
    }

    void runBlocking(const std::function<void()>& work) override {
        std::unique_lock lock(m_mutex);
        if (m_closed) {
            return;
        }
        Job job{&work};
        ++m_inside;
        m_queue.push_back(&job);
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return job.done || m_closed; });
        --m_inside;
        m_changed.notify_all();
    }

    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 3s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::unique_lock lock(m_mutex);
        while (true) {
            runQueued(lock);
            if (done()) {
                return true;
            }
            if (!m_changed.wait_until(lock, deadline, [this] { return !m_queue.empty(); })) {
                return done();
            }
        }
    }

    // Runs the work already handed over, without waiting for more.
    void runPending() {
        std::unique_lock lock(m_mutex);
        runQueued(lock);
    }

    bool waitForPending() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 3s, [this] { return !m_queue.empty(); });
    }

private:
    void runQueued(std::unique_lock<std::mutex>& lock) {
        while (!m_queue.empty()) {
            Job* job = m_queue.front();
            m_queue.pop_front();
            lock.unlock();
            (*job->work)();
            lock.lock();
            job->done = true;
            m_changed.notify_all();
        }
    }
    struct Job {
        const std::function<void()>* work;
        bool done = false;
    };
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job*> m_queue;
    int m_inside = 0;
    bool m_closed = false;
};

class FileNotifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "fnXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_file = m_dir + "/page.html";
        write(m_file, "<p>one</p>");
    }
    void TearDown() override {
        m_watcher.reset();
        std::filesystem::remove_all(m_dir);
    }

    void start(NotificationOptions options) {
        m_watcher = std::make_unique<TFileNotify>(m_main);
        m_watcher->setOptions(options);
        m_watcher->setFilename(m_file);
        m_watcher->OnNotify = [this](TFileNotify&, TNotificationOption action) {
            ++m_notes[static_cast<int>(action)];
        };
        m_watcher->OnFileNotify = [this](TFileNotify&, TNotificationOption) { ++m_fileNotes; };
        m_watcher->Loaded();
    }

    int& notes(TNotificationOption action) { return m_notes[static_cast<int>(action)]; }

    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }

    // A new sub-folder queues its event behind every earlier one, so once its fnoFolder
    // arrives nothing older is still on the way.
    void settle() {
        const int before = notes(fnoFolder);
        ASSERT_TRUE(std::filesystem::create_directory(m_dir + "/mark" + std::to_string(before)));
        ASSERT_TRUE(m_main.pumpUntil([&] { return notes(fnoFolder) > before; }));
    }

    bool waitForFileNotes(int count) {
        return m_main.pumpUntil([&] { return m_fileNotes >= count; });
    }

    FakeMainThread m_main;
    std::unique_ptr<TFileNotify> m_watcher;
    std::string m_dir;
    std::string m_file;
    int m_notes[5] = {};
    int m_fileNotes = 0;
};

using FileNotifyProperties = FileNotifyTest;
using FileNotifyEvents = FileNotifyTest;
using FileNotifyLifetime = FileNotifyTest;

TEST_F(FileNotifyProperties, FolderFilenameAndOptionsRules) {
    TFileNotify watcher(m_main);
    EXPECT_EQ(watcher.options().bits(), 0x03);
    EXPECT_EQ(NotificationOptions{fnoWatchSubtree}.bits(), 0x20);
    const std::pair<const char*, const char*> folders[] = {
        {"", "/"}, {"/", "/"}, {"/var/log/", "/var/log"}, {"/var/log", "/var/log"}};
    for (const auto& [given, expected] : folders) {
        watcher.setFolder(given);
        EXPECT_EQ(watcher.folder(), expected) << given;
    }
    watcher.setFilename(m_dir + "/missing.html");
    EXPECT_EQ(watcher.filename(), "");
    EXPECT_EQ(watcher.folder(), "/var/log");
    watcher.setFilename(m_file);
    EXPECT_EQ(watcher.filename(), m_file);
    EXPECT_EQ(watcher.folder(), m_dir);
}

TEST_F(FileNotifyProperties, FolderThatCannotBeWatchedRaisesTheError) {
    TFileNotify watcher(m_main);
    watcher.setFolder(m_dir + "/missing"); // not yet started: nothing to watch
    try {
        watcher.Loaded();
        FAIL() << "no error";
    } catch (const VelloranError& error) {
        EXPECT_NE(dynamic_cast<const EFileNotificationError*>(&error), nullptr);
        EXPECT_STREQ(error.what(), "Could not allocate notification object");
    }
    watcher.setFolder(m_dir);
    EXPECT_THROW(watcher.setFolder(m_file), EFileNotificationError);
}

TEST_F(FileNotifyEvents, ChangedEntryRaisesOnceAndOtherFilesOnlyOnNotify) {
    start({fnoFile, fnoFolder, fnoTime});
    write(m_file, "<p>two</p>");
    ASSERT_TRUE(waitForFileNotes(1));
    settle();
    EXPECT_EQ(m_fileNotes, 1);
    EXPECT_GE(notes(fnoTime), 1);

    write(m_dir + "/other.html", "x");
    settle();
    EXPECT_GE(notes(fnoFile), 1);
    EXPECT_EQ(m_fileNotes, 1);
}

TEST_F(FileNotifyEvents, DeletionEmptiesFilenameOnce) {
    start({fnoFile, fnoFolder});
    std::filesystem::remove(m_file);
    ASSERT_TRUE(waitForFileNotes(1));
    EXPECT_EQ(m_watcher->filename(), "");
    write(m_file, "back");
    settle();
    EXPECT_EQ(m_fileNotes, 1);
}

TEST_F(FileNotifyEvents, FileReplacedByRenameIsStillWatched) {
    start({fnoFile, fnoFolder, fnoTime});
    write(m_dir + "/page.tmp", "<p>replaced</p>");
    std::filesystem::rename(m_dir + "/page.tmp", m_file);
    ASSERT_TRUE(waitForFileNotes(1));
    settle();
    EXPECT_EQ(m_fileNotes, 1);
    EXPECT_EQ(m_watcher->filename(), m_file);

    write(m_file, "<p>edited in place</p>");
    EXPECT_TRUE(waitForFileNotes(2));
}

TEST_F(FileNotifyEvents, OwnSaveFollowedByNewSnapshotRaisesNothing) {
    start({fnoFile, fnoFolder, fnoTime, fnoSize, fnoAttr});
    write(m_file, "<p>saved by us</p>");
    m_watcher->setFilename(m_file);
    write(m_dir + "/page.tmp", "<p>saved by us, atomically</p>");
    std::filesystem::rename(m_dir + "/page.tmp", m_file);
    m_watcher->setFilename(m_file);
    settle();
    EXPECT_EQ(m_fileNotes, 0);
}

TEST_F(FileNotifyEvents, SubFoldersAreWatchedOnlyWhenAsked) {
    std::filesystem::create_directory(m_dir + "/old");
    start({fnoFile, fnoFolder});
    write(m_dir + "/old/a.html", "a");
    settle();
    EXPECT_EQ(notes(fnoFile), 0);

    m_watcher->setOptions({fnoFile, fnoWatchSubtree});
    write(m_dir + "/old/b.html", "b");
    ASSERT_TRUE(m_main.pumpUntil([&] { return notes(fnoFile) >= 1; }));
    std::filesystem::create_directories(m_dir + "/new/deeper");
    write(m_dir + "/new/deeper/c.html", "c");
    EXPECT_TRUE(m_main.pumpUntil([&] { return notes(fnoFile) >= 2; }));
}

// Kinds not chosen are never reported; the folder's own event, queued behind them, shows
// that they were seen and dropped.
TEST_F(FileNotifyEvents, OnlyChosenKindsAreReported) {
    start({fnoFolder});
    write(m_file, "<p>unseen</p>");
    std::filesystem::remove(m_dir + "/page.html");
    settle();
    EXPECT_EQ(notes(fnoFile) + notes(fnoSize) + notes(fnoTime) + notes(fnoAttr), 0);

    // With no kind at all nothing is watched, so not even a missing folder is an error.
    TFileNotify silent(m_main);
    silent.setOptions({});
    silent.setFolder(m_dir + "/missing");
    EXPECT_NO_THROW(silent.Loaded());
}

TEST_F(FileNotifyLifetime, DestroyedWatcherNeverDeliversNorDeadlocks) {
    start({fnoFile, fnoFolder});
    write(m_dir + "/other.html", "x");
    ASSERT_TRUE(m_main.waitForPending()); // the worker now waits for this thread
    m_watcher.reset();
    m_main.runPending(); // the blocked hand-over ends without reaching a handler
    EXPECT_EQ(notes(fnoFile), 0);

    start({fnoFile, fnoFolder});
    m_watcher->OnNotify = [this](TFileNotify&, TNotificationOption) {
        ++notes(fnoFile);
        m_watcher.reset();
    };
    std::filesystem::remove(m_file);
    ASSERT_TRUE(m_main.pumpUntil([&] { return notes(fnoFile) == 1; }));
    m_main.runPending(); // a stopped watcher hands nothing more over
    EXPECT_EQ(m_fileNotes, 0);
    EXPECT_EQ(notes(fnoFile), 1);
}

TEST_F(FileNotifyLifetime, AsyncNotifyRunsOnTheWorkerThread) {
    std::mutex mutex;
    std::condition_variable arrived;
    std::thread::id where;
    {
        TFileNotify watcher(m_main); // handlers set before the worker starts reading them
        watcher.setAsyncNotify(true);
        watcher.setFolder(m_dir);
        watcher.OnNotify = [&](TFileNotify&, TNotificationOption) {
            std::lock_guard lock(mutex);
            where = std::this_thread::get_id();
            arrived.notify_all();
        };
        watcher.Loaded();
        write(m_dir + "/other.html", "x");
        std::unique_lock lock(mutex);
        EXPECT_TRUE(arrived.wait_for(lock, 3s, [&] { return where != std::thread::id(); }));
    }
    EXPECT_NE(where, std::this_thread::get_id());
}

} // namespace
} // namespace velloran
