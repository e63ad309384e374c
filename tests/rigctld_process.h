#pragma once
// A real rigctld serving Hamlib's dummy rig on a free loopback port, for the radio tests
// and the tick-gap measurement. The port is found by binding port 0 first; restart()
// brings the daemon back on the same port after kill().

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

    // Starts rigctld -m 1 and waits (at most five seconds) until it takes connections. A
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
        while (waited.elapsed() < 5000) {
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

    // One rigctl command on a connection of its own; the first `lines` reply lines.
    QStringList ask(const QByteArray &command, int lines) const
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port_);
        if (!socket.waitForConnected(2000))
            return {};
        socket.write(command + '\n');
        QByteArray reply;
        while (reply.count('\n') < lines && socket.waitForReadyRead(2000))
            reply += socket.readAll();
        return QString::fromLatin1(reply).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The dummy rig's frequency in hertz and mode, as rigctld reports them.
    std::pair<double, QString> frequencyAndMode() const
    {
        const QStringList f = ask("f", 1);
        const QStringList m = ask("m", 2);
        return {f.isEmpty() ? -1.0 : f.first().toDouble(), m.isEmpty() ? QString() : m.first()};
    }

private:
    quint16 port_ = 0;
    QProcess process_;
};

} // namespace halvion::test
