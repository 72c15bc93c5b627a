// Local-socket hand-over between a second start and the running instance.
#include "platform/qt/singleinstance.h"

#include "platform/handover.h"
#include "platform/runtimefolder.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QVariant>
#include <unistd.h>

namespace velloran {

namespace {

// Everything a second start waits for, from the lock to the acknowledgement: a first
// instance that is stopped or stuck must not hold the user's start for longer.
constexpr int kAnswerTimeoutMs = 5000;
constexpr char kAcknowledge = '\1';

QString socketName() {
    return QString::fromUtf8(kInstanceClass.data(), static_cast<qsizetype>(kInstanceClass.size())) +
           QLatin1Char('-') + QString::number(getuid());
}

bool isOwnUser(const QLocalSocket& socket) {
    const auto peer = PeerUserId(static_cast<int>(socket.socketDescriptor()));
    return peer && *peer == getuid();
}

int remainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(deadline.remainingTime());
}

} // namespace

SingleInstance::SingleInstance(QString serverPath, QObject* parent)
    : QObject(parent), m_serverPath(std::move(serverPath)) {
    if (m_serverPath.isEmpty()) {
        const RuntimeFolder folder = CurrentRuntimeFolder();
        if (!folder.path.empty())
            m_serverPath = QString::fromStdString(folder.path) + QLatin1Char('/') + socketName();
        addWarning(QString::fromStdString(folder.warning));
    }
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultServerPath() {
    const RuntimeFolder folder = CurrentRuntimeFolder();
    return folder.path.empty()
               ? QString()
               : QString::fromStdString(folder.path) + QLatin1Char('/') + socketName();
}

void SingleInstance::addWarning(const QString& text) {
    if (text.isEmpty())
        return;
    if (!m_warning.isEmpty())
        m_warning += QStringLiteral("; ");
    m_warning += text;
}

SingleInstance::Role SingleInstance::claim() {
    m_deadline = QDeadlineTimer(kAnswerTimeoutMs);
    if (m_serverPath.isEmpty())
        return Role::Failed;
    QLockFile lock(m_serverPath + QStringLiteral(".lock"));
    if (!lock.tryLock(remainingMs(m_deadline))) {
        // Another start holds the claim and does not finish it: no answer to be had.
        if (lock.error() == QLockFile::LockFailedError)
            return Role::Second;
        addWarning(QStringLiteral("the lock file beside \"%1\" cannot be made").arg(m_serverPath));
        return Role::Failed;
    }
    auto client = std::make_unique<QLocalSocket>();
    client->connectToServer(m_serverPath);
    if (client->waitForConnected(remainingMs(m_deadline))) {
        if (isOwnUser(*client)) {
            m_client = std::move(client);
            return Role::Second;
        }
        // Not a word to it: the command line names the user's files.
        client->abort();
        addWarning(
            QStringLiteral("\"%1\" was held by another user and is replaced").arg(m_serverPath));
    } else if (client->error() == QLocalSocket::SocketTimeoutError) {
        return Role::Second; // there, but not accepting
    }
    // Nobody of ours answers: whatever socket is left there belongs to a dead instance.
    QLocalServer::removeServer(m_serverPath);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverPath)) {
        addWarning(QStringLiteral("cannot listen on \"%1\": %2")
                       .arg(m_serverPath, m_server->errorString()));
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
    while (m_client->bytesToWrite() > 0) {
        if (!m_client->waitForBytesWritten(remainingMs(m_deadline)))
            return false;
    }
    while (m_client->bytesAvailable() == 0) {
        if (m_client->state() != QLocalSocket::ConnectedState ||
            !m_client->waitForReadyRead(remainingMs(m_deadline)))
            return false;
    }
    return m_client->read(1) == QByteArray(1, kAcknowledge);
}

void SingleInstance::takeConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!isOwnUser(*socket)) {
            socket->abort();
            continue;
        }
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
    // A sender that is gone has told its user that nothing answered: acting on its
    // command line now, perhaps long after, would surprise them.
    if (socket->state() != QLocalSocket::ConnectedState ||
        PeerHasClosed(static_cast<int>(socket->socketDescriptor()))) {
        socket->abort();
        return;
    }
    // Acknowledged on arrival, not after opening: opening may wait on a question to the
    // user, and the second start's bounded wait must not take that for a dead instance.
    socket->write(QByteArray(1, kAcknowledge));
    socket->flush();
    socket->disconnectFromServer();
    const QString text = QString::fromUtf8(buffer.left(end));
    if (!text.isEmpty())
        emit commandLineReceived(text);
    emit activationRequested();
}

} // namespace velloran
