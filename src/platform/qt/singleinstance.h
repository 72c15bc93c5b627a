// One running instance per user: a second start hands its command line to the first
// over a local socket that only the user can reach, then ends.
#pragma once

#include <QByteArray>
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

    // The socket in the user's runtime folder, named after the instance class and the
    // user id.
    [[nodiscard]] static QString DefaultServerPath();

    // Decides whether this process is the first. Runs under a lock file so that two
    // simultaneous starts cannot both become first; a socket left by a crashed
    // instance is removed and this process takes over. Failed means no channel could
    // be set up: the caller runs as a lone instance.
    Role claim();

    // First instance: starts taking hand-overs. Until then they wait in the queue, so
    // that none is answered before the windows that open it exist.
    void serve();

    // Second instance: sends `text` (empty: only bring the first to the front) and
    // waits until the first has opened it. Returns false when the first went away.
    bool handOver(const QByteArray& text);

    [[nodiscard]] QString serverPath() const { return m_serverPath; }

signals:
    // First instance. Both are emitted for every hand-over, in this order; the
    // receiver opens the text before returning, since the second instance waits for
    // the acknowledgement that follows.
    void commandLineReceived(const QString& text);
    void activationRequested();

private:
    void takeConnection();
    void readRequest(QLocalSocket* socket);

    QString m_serverPath;
    std::unique_ptr<QLocalServer> m_server;
    std::unique_ptr<QLocalSocket> m_client;
};

} // namespace velloran
