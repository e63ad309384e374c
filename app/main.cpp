#include "program.h"
#include "single_instance.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halvion"));
    QApplication::setApplicationVersion(QStringLiteral("4.0.0"));
    QIcon icon(QStringLiteral(":/icons/halvion.png"));
    icon.addFile(QStringLiteral(":/icons/halvion_64.png"));
    QApplication::setWindowIcon(icon);
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
