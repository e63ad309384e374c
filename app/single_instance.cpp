#include "single_instance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace halvion {

namespace {

const QByteArray RaiseRequest = "raise\n";
const QByteArray RaiseAnswer = "ok\n";
// How long a later start tries to reach the running copy, which may still be starting.
constexpr int ReachMilliseconds = 3000;
constexpr int AnswerMilliseconds = 2000;

QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

} // namespace

SingleInstance::SingleInstance(const QString &serverName, const QString &lockPath, QObject *parent)
    : QObject(parent), serverName_(serverName), lock_(lockPath)
{
    // A lock is stale only when its process is gone, never for its age: the first copy
    // holds it for as long as it runs.
    lock_.setStaleLockTime(0);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

SingleInstance::~SingleInstance()
{
    server_.close();
}

QString SingleInstance::defaultServerName()
{
#ifdef Q_OS_UNIX
    return runtimeFolder() + QStringLiteral("/halvion-instance");
#else
    return QStringLiteral("halvion-instance-") + qEnvironmentVariable("USERNAME");
#endif
}

QString SingleInstance::defaultLockPath()
{
    return runtimeFolder() + QStringLiteral("/halvion-instance.lock");
}

bool SingleInstance::claim()
{
    if (!lock_.tryLock(0)) {
        if (lock_.error() == QLockFile::LockFailedError) {
            askRunningCopy();
            return false;
        }
        return true; // no place for a lock: run, as one copy among others
    }
    // A socket left by a copy that crashed would keep the server from listening.
    QLocalServer::removeServer(serverName_);
    server_.listen(serverName_);
    return true;
}

void SingleInstance::askRunningCopy()
{
    QElapsedTimer timer;
    timer.start();
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(500))
            break;
        socket.abort();
        if (timer.elapsed() > ReachMilliseconds)
            return;
        QThread::msleep(50);
    }
    socket.write(RaiseRequest);
    if (!socket.waitForBytesWritten(AnswerMilliseconds))
        return;
    QByteArray reply;
    while (!reply.endsWith('\n') && reply.size() < 16 && socket.waitForReadyRead(AnswerMilliseconds))
        reply += socket.readAll();
    answered_ = reply == RaiseAnswer;
    socket.disconnectFromServer();
}

// One short exchange per later start: it sends "raise", this copy answers "ok". Anything
// else closes the connection.
void SingleInstance::answer()
{
    while (QLocalSocket *socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() < RaiseRequest.size() && !socket->canReadLine())
                return;
            const QByteArray request = socket->read(RaiseRequest.size());
            if (request == RaiseRequest) {
                socket->write(RaiseAnswer);
                socket->flush();
                Q_EMIT raiseRequested();
            }
            socket->disconnectFromServer();
        });
    }
}

} // namespace halvion
