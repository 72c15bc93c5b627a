// The background upload of saved documents.
#include "publish/ui/savepublisher.h"

#include "ftp/passwordstore.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "publish/publishsession.h"

#include <QMetaObject>
#include <QPointer>

namespace velloran {

namespace {

// A background upload gives up on a silent server sooner than the window would, so
// that closing the program never waits long for it.
constexpr int kBackgroundTimeoutMs = 15000;

} // namespace

SavePublisher::SavePublisher(std::string serversFile, std::string settingsFile, QObject* parent)
    : QObject(parent), m_serversFile(std::move(serversFile)),
      m_settingsFile(std::move(settingsFile)) {
}

SavePublisher::~SavePublisher() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void SavePublisher::fileSaved(const std::string& projectFile, const TProjectFile& entry) {
    try {
        if (!PublishState::Load(PublishState::FileFor(projectFile)).settings.publishOnSave)
            return;
    } catch (const VelloranError&) {
        return; // an unreadable publish file is reported by the publish window
    }
    {
        std::lock_guard lock(m_mutex);
        for (const Job& job : m_jobs) {
            if (job.projectFile == projectFile && job.entry.FileInfo == entry.FileInfo)
                return; // already waiting: it will send the newest text
        }
        m_jobs.push_back({projectFile, entry});
        if (!m_worker.joinable())
            m_worker = std::thread([this] { run(); });
    }
    m_changed.notify_all();
}

void SavePublisher::waitIdle() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_jobs.empty() && !m_running; });
}

void SavePublisher::report(const std::string& text) {
    QPointer<SavePublisher> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, text] {
            if (self && self->onResult)
                self->onResult(text);
        },
        Qt::QueuedConnection);
}

void SavePublisher::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_running = false;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_running = true;
        }
        try {
            PublishState state = PublishState::Load(PublishState::FileFor(job.projectFile));
            ProjectTree tree;
            tree.appendFile(tree.addFolder("saved", nullptr), job.entry);
            PublishSession session;
            session.timeOut = kBackgroundTimeoutMs;
            session.applyProxySettings(m_settingsFile);
            PasswordStore keyring;
            session.connect(ReadServerProfile(m_serversFile, state.settings.profile, &keyring));
            const PublishPlan plan = session.plan(tree, job.projectFile, state);
            if (!plan.skipped.empty()) {
                report("Not published: " + plan.skipped.front().why);
                continue;
            }
            const PublishResult result = session.publish(plan, state);
            if (!result.ok())
                report("Publishing failed: " + result.error);
            else if (!plan.send.empty())
                report("Published " + plan.send.front().remotePath);
        } catch (const VelloranError& error) {
            report(std::string("Publishing failed: ") + error.what());
        }
    }
}

} // namespace velloran
