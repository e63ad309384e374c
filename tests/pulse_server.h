#pragma once
// A PulseAudio server of a test's own: started in a temporary folder with its socket
// there and the pipe sources the test asks for, reached by Qt Multimedia through
// PULSE_SERVER, stopped when the test ends. The user's own sound server is not touched.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTest>

namespace halvion::test {

class PulseServer {
public:
    PulseServer() = default;
    PulseServer(const PulseServer &) = delete;
    PulseServer &operator=(const PulseServer &) = delete;
    ~PulseServer() { stop(); }

    // The server program, empty when it is not installed.
    static QString program() { return QStandardPaths::findExecutable(QStringLiteral("pulseaudio")); }

    // Starts the server in `folder` with the native protocol on a socket there and the
    // further lines of configuration given (pipe sources and the like), and waits until
    // the socket and the file `ready` (say, the last source's pipe) exist; then points
    // PULSE_SERVER at it, so Qt Multimedia reaches it the first time it is used. False
    // with the reason in *why when it cannot.
    bool start(const QString &folder, const QString &configuration, const QString &ready, QString *why)
    {
        const QDir dir(folder);
        dir.mkpath(QStringLiteral("runtime"));
        const QString socket = dir.filePath(QStringLiteral("native"));
        QFile config(dir.filePath(QStringLiteral("server.pa")));
        if (!config.open(QIODevice::WriteOnly)) {
            *why = QStringLiteral("cannot write %1").arg(config.fileName());
            return false;
        }
        config.write(QStringLiteral("load-module module-native-protocol-unix socket=%1 auth-anonymous=1\n").arg(socket).toUtf8());
        config.write(configuration.toUtf8());
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), folder);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder);
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        server_.setProcessEnvironment(env);
        server_.setWorkingDirectory(folder);
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start(program(), {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                                  QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-level=error"),
                                  QStringLiteral("-F"), config.fileName()});
        if (!server_.waitForStarted()) {
            *why = QStringLiteral("pulseaudio did not start: %1").arg(server_.errorString());
            return false;
        }
        if (!QTest::qWaitFor([&] { return QFile::exists(socket) && QFile::exists(ready); }, 20000)) {
            *why = QStringLiteral("pulseaudio made no %1 and %2 within 20 s").arg(socket, ready);
            return false;
        }
        qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
        return true;
    }

    void stop()
    {
        if (server_.state() == QProcess::NotRunning)
            return;
        server_.terminate();
        if (!server_.waitForFinished(10000))
            server_.kill();
    }

    // Removes the source of that name from the server PULSE_SERVER names, by unloading
    // the module that made it; false when there is none or it cannot be.
    static bool unloadSource(const QString &name)
    {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("modules")});
        if (!pactl.waitForFinished(20000))
            return false;
        QString module;
        for (const QString &line : QString::fromUtf8(pactl.readAllStandardOutput()).split(QLatin1Char('\n')))
            if (line.contains(QStringLiteral("source_name=%1 ").arg(name)))
                module = line.section(QLatin1Char('\t'), 0, 0);
        if (module.isEmpty())
            return false;
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("unload-module"), module});
        return pactl.waitForFinished(20000) && pactl.exitStatus() == QProcess::NormalExit && pactl.exitCode() == 0;
    }

private:
    QProcess server_;
};

} // namespace halvion::test
