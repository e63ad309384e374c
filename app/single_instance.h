#pragma once
// One copy of Halvion per user. The first start holds a lock file and listens on a local
// server; a later start finds the lock taken, asks the running copy over the server to
// bring its window to the front, and ends without opening a window of its own.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

namespace halvion {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // serverName: the local server's name (an absolute path places its socket there);
    // lockPath: the lock file that decides which start is the first.
    SingleInstance(const QString &serverName, const QString &lockPath, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only copy: it now holds the lock and listens. False when
    // another copy runs: it has been asked to come to the front (runningCopyAnswered).
    // A lock that cannot be made at all (no writable folder) does not stop the program.
    bool claim();
    bool runningCopyAnswered() const { return answered_; }

    // Per user: in the user's private runtime folder on Linux.
    static QString defaultServerName();
    static QString defaultLockPath();

Q_SIGNALS:
    // Another start of the program asks for this copy's window.
    void raiseRequested();

private:
    void askRunningCopy();
    void answer();

    QString serverName_;
    QLockFile lock_;
    QLocalServer server_;
    bool answered_ = false;
};

} // namespace halvion
