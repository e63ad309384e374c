#pragma once
// A real rigctld serving Hamlib's dummy rig on a free loopback port, for the radio tests
// and the tick-gap measurement. The port is found by binding port 0 first; restart()
// brings the daemon back on the same port after kill().

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <utility>

#include <csignal>

namespace halvion::test {

#ifndef HALVION_RIGCTLD
#define HALVION_RIGCTLD "rigctld"
#endif

class RigctldProcess {
public:
    RigctldProcess()
    {
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost, 0))
            port_ = probe.serverPort();
    }
    ~RigctldProcess() { kill(); }

    quint16 port() const { return port_; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

    // Starts rigctld -m 1 and waits (at most fifteen seconds) until it takes connections. A
    // restart on the same port is tried again while the port is briefly taken (another
    // program's outgoing connection may hold that number for a moment).
    bool start()
    {
        process_.setProgram(QStringLiteral(HALVION_RIGCTLD));
        process_.setArguments({QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                               QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(port_)});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 15000) {
            if (process_.state() == QProcess::NotRunning) {
                process_.start();
                if (!process_.waitForStarted(5000))
                    return false;
            }
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port_);
            if (socket.waitForConnected(200))
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    // Freezes or thaws the daemon: frozen, it takes connections and answers nothing, like a
    // rigctld whose radio hangs.
    void freeze(bool frozen)
    {
        if (process_.state() == QProcess::Running)
            ::kill(static_cast<pid_t>(process_.processId()), frozen ? SIGSTOP : SIGCONT);
    }

    void kill()
    {
        freeze(false);
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished(5000);
    }

    // One rigctl command on a connection of its own; the first `lines` reply lines. The
    // waits are long: on a busy machine the daemon may be slow to get its turn.
    QStringList ask(const QByteArray &command, int lines) const
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port_);
        if (!socket.waitForConnected(10000))
            return {};
        socket.write(command + '\n');
        QByteArray reply;
        while (reply.count('\n') < lines && socket.waitForReadyRead(10000))
            reply += socket.readAll();
        return QString::fromLatin1(reply).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The dummy rig's frequency and mode as rigctld reports them, "14.100 MHz CW"; one
    // command asks both, so the two are read together.
    QString frequencyAndMode() const
    {
        const QStringList reply = ask("fm", 3);
        if (reply.size() < 2)
            return QStringLiteral("no reply");
        return QStringLiteral("%1 MHz %2").arg(reply.at(0).toDouble() / 1e6, 0, 'f', 3).arg(reply.at(1));
    }

    // Waits until the rig reports `expected`, reading it once per try: under load a
    // reading may find the daemon not taking the connection at once ("no reply"), which
    // is only a try that did not get through. The last reading is kept for the message.
    bool reaches(const QString &expected, int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        do {
            if ((lastReading_ = frequencyAndMode()) == expected)
                return true;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(20);
        } while (!deadline.hasExpired());
        return false;
    }
    QString lastReading() const { return lastReading_; }

private:
    quint16 port_ = 0;
    QString lastReading_;
    QProcess process_;
};

} // namespace halvion::test
