// One running instance per user: a second start hands its command line to the first
// over a local socket that only the user can reach, then ends.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace velloran {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role { First, Second, Failed };

    // `serverPath` defaults to DefaultServerPath().
    explicit SingleInstance(QString serverPath = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket in the user's private runtime folder, named after the instance class
    // and the user id; empty when there is no such folder.
    [[nodiscard]] static QString DefaultServerPath();

    // Decides whether this process is the first. Runs under a lock file so that two
    // simultaneous starts cannot both become first; a socket left by a crashed
    // instance, or one held by another user, is replaced and this process takes over.
    // Second also stands for a first instance that does not answer: the hand-over then
    // fails. Failed means no channel could be set up (see warning()): the caller runs
    // as a lone instance.
    Role claim();

    // First instance: starts taking hand-overs. Until then they wait in the queue, so
    // that none is answered before the windows that open it exist.
    void serve();

    // Second instance: sends `text` (empty: only bring the first to the front) and
    // waits until the first has taken it. Returns false when the first went away or
    // did not answer within a few seconds of claim().
    bool handOver(const QByteArray& text);

    [[nodiscard]] QString serverPath() const { return m_serverPath; }
    // What the user should know about the channel (a runtime folder passed over, a
    // socket of someone else's replaced, no channel at all); empty when all is well.
    [[nodiscard]] QString warning() const { return m_warning; }

signals:
    // First instance. Both are emitted for every hand-over, in this order, after the
    // second instance has been told that its text arrived.
    void commandLineReceived(const QString& text);
    void activationRequested();

private:
    void takeConnection();
    void readRequest(QLocalSocket* socket);
    void addWarning(const QString& text);

    QString m_serverPath;
    QString m_warning;
    QDeadlineTimer m_deadline;
    std::unique_ptr<QLocalServer> m_server;
    std::unique_ptr<QLocalSocket> m_client;
};

} // namespace velloran
