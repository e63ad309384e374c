#include "program.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halvion"));
    QApplication::setApplicationVersion(QStringLiteral("4.0.0"));
    QIcon icon(QStringLiteral(":/icons/halvion.png"));
    icon.addFile(QStringLiteral(":/icons/halvion_64.png"));
    QApplication::setWindowIcon(icon);
    QApplication::setQuitOnLastWindowClosed(false);

    halvion::SystemClockSource clock;
    halvion::Program program(halvion::Program::defaultSettingsPath(), clock);
    QObject::connect(&program, &halvion::Program::finished, &app, &QApplication::quit, Qt::QueuedConnection);
    program.start();
    return app.exec();
}
