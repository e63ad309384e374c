#include "command_line.h"
#include "numeric_locale.h"
#include "platform_choice.h"
#include "program.h"
#include "single_instance.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const halvion::CommandLineAnswer answer = halvion::ReadCommandLine(arguments);
    if (answer.exitNow) {
        std::fputs(answer.out.toLocal8Bit().constData(), stdout);
        std::fputs(answer.err.toLocal8Bit().constData(), stderr);
        return answer.exitCode;
    }

    if (halvion::preferX11Platform(qgetenv("QT_QPA_PLATFORM").toStdString(), qgetenv("XDG_SESSION_TYPE").toStdString(),
                                   qgetenv("WAYLAND_DISPLAY").toStdString(), qgetenv("DISPLAY").toStdString()))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    halvion::useCNumericLocale(); // before any thread: Hamlib needs it
    QApplication::setApplicationName(QStringLiteral("Halvion"));
    QApplication::setApplicationVersion(QStringLiteral(HALVION_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(HALVION_APP_ID));
    // Desktops show the icon the desktop file names, from the icon theme, at any size; the
    // windows' own is the 64 px picture (the 256 px one would be kept decoded, 256 KB, the
    // whole run).
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/halvion_64.png")));
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start brings the running copy to the front and ends.
    halvion::SingleInstance instance(halvion::SingleInstance::defaultServerName(),
                                     halvion::SingleInstance::defaultLockPath());
    if (!instance.claim()) {
        if (instance.runningCopyAnswered())
            return 0;
        std::fputs("Halvion is already running but does not answer.\n", stderr);
        return 1;
    }

    halvion::SystemClockSource clock;
    halvion::Program program(halvion::Program::defaultSettingsPath(), clock);
    QObject::connect(&instance, &halvion::SingleInstance::raiseRequested, &program, &halvion::Program::bringToFront);
    QObject::connect(&program, &halvion::Program::finished, &app, &QApplication::quit, Qt::QueuedConnection);
    program.start();
    return app.exec();
}
