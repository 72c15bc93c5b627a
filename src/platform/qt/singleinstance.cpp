// Local-socket hand-over between a second start and the running instance.
#include "platform/qt/singleinstance.h"

#include "platform/handover.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <unistd.h>

namespace velloran {

namespace {

constexpr int kConnectTimeoutMs = 2000;
constexpr char kAcknowledge = '\1';

QString runtimeDir() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

} // namespace

SingleInstance::SingleInstance(QString serverPath, QObject* parent)
    : QObject(parent), m_serverPath(serverPath.isEmpty() ? DefaultServerPath() : serverPath) {
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultServerPath() {
    return runtimeDir() + QLatin1Char('/') +
           QString::fromUtf8(kInstanceClass.data(), kInstanceClass.size()) + QLatin1Char('-') +
           QString::number(getuid());
}

SingleInstance::Role SingleInstance::claim() {
    QLockFile lock(m_serverPath + QStringLiteral(".lock"));
    if (!lock.lock())
        return Role::Failed;
    auto client = std::make_unique<QLocalSocket>();
    client->connectToServer(m_serverPath);
    if (client->waitForConnected(kConnectTimeoutMs)) {
        m_client = std::move(client);
        return Role::Second;
    }
    // Nobody answers: whatever socket is left there belongs to a dead instance.
    QLocalServer::removeServer(m_serverPath);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverPath)) {
        m_server.reset();
        return Role::Failed;
    }
    return Role::First;
}

void SingleInstance::serve() {
    if (!m_server)
        return;
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::takeConnection,
            Qt::UniqueConnection);
    takeConnection();
}

bool SingleInstance::handOver(const QByteArray& text) {
    if (!m_client)
        return false;
    QByteArray message = text.left(static_cast<qsizetype>(kHandoverLimit) - 1);
    message.append('\0');
    m_client->write(message);
    if (!m_client->waitForBytesWritten(kConnectTimeoutMs))
        return false;
    // The first instance may be answering a question of its own; wait as long as it
    // keeps the connection open.
    while (m_client->bytesAvailable() == 0) {
        if (m_client->state() != QLocalSocket::ConnectedState || !m_client->waitForReadyRead(-1))
            break;
    }
    return m_client->read(1) == QByteArray(1, kAcknowledge);
}

void SingleInstance::takeConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void SingleInstance::readRequest(QLocalSocket* socket) {
    static const char* const kPending = "velloranPending";
    const QByteArray buffer = socket->property(kPending).toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf('\0');
    if (end < 0) {
        if (buffer.size() >= static_cast<qsizetype>(kHandoverLimit))
            socket->abort(); // not a hand-over of ours
        else
            socket->setProperty(kPending, buffer);
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    // Opening may run a dialog's event loop, in which the sender can go away.
    const QPointer<QLocalSocket> guard(socket);
    const QString text = QString::fromUtf8(buffer.left(end));
    if (!text.isEmpty())
        emit commandLineReceived(text);
    emit activationRequested();
    if (guard) {
        guard->write(QByteArray(1, kAcknowledge));
        guard->flush();
        guard->disconnectFromServer();
    }
}

} // namespace velloran
