// Publish on save: a saved document of the project goes to the server in the
// background, through the same record as a whole publish, so saving and typing never
// wait for the network.
#pragma once

#include "project/projecttree.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace velloran {

class SavePublisher : public QObject {
    Q_OBJECT
public:
    SavePublisher(std::string serversFile, std::string settingsFile, QObject* parent = nullptr);
    // Waits for the upload under way (each has a time limit); queued ones are dropped.
    ~SavePublisher() override;

    // `entry` was saved as `localPath`; `projectFile` is its project. Does nothing when
    // the project does not publish on save.
    void fileSaved(const std::string& projectFile, const TProjectFile& entry);

    // Each result line ("Published /www/a.htm", or why not), on the user-interface thread.
    std::function<void(const std::string&)> onResult;

    // For tests: returns once the queue is empty and no upload runs.
    void waitIdle();

private:
    struct Job {
        std::string projectFile;
        TProjectFile entry;
    };
    void run();
    void report(const std::string& text);

    std::string m_serversFile;
    std::string m_settingsFile;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    bool m_running = false; // a job is being worked on
    bool m_stopping = false;
    std::thread m_worker;
};

} // namespace velloran
