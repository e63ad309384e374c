// The program with its time servers pointed at a daytime server on this machine and a
// clock setter that prints the record it would set instead of setting it. For trying
// the time dialog by hand (scripts/nettime_demo.sh starts a local server and this):
//
//   nettime_demo PORT [--open] [--press]
//
// --open opens the time dialog from the menu once the main window shows; --press also
// presses Set Time four seconds later. Settings go to a temporary folder.

#include "clock_setter.h"
#include "form1.h"
#include "program.h"
#include "set_time_form.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

class PrintingClockSetter final : public halvion::ClockSetter {
public:
    bool set(const halvion::SystemTimeRecord &r) override
    {
        std::printf("would set the clock to %04u-%02u-%02u %02u:%02u:%02u.%03u UTC\n", r.year, r.month, r.day, r.hour,
                    r.minute, r.second, r.milliseconds);
        std::fflush(stdout);
        return halvion::isValidSystemTime(r);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halvion"));
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: nettime_demo PORT [--open] [--press]\n");
        return 2;
    }

    QTemporaryDir dir;
    halvion::SystemClockSource clock;
    halvion::Program program(dir.filePath(QStringLiteral("Halvion.ini")).toStdString(), clock);
    PrintingClockSetter setter;
    halvion::TimeService &service = program.timeService();
    service.table.servers.clear();
    for (int i = 1; i <= 6; ++i)
        service.table.servers.push_back({"localhost-daytime-" + std::to_string(i), "127.0.0.1"});
    service.table.port = static_cast<std::uint16_t>(args[1].toUInt());
    service.setter = &setter;
    QObject::connect(&program, &halvion::Program::finished, &app, &QApplication::quit, Qt::QueuedConnection);
    program.start();

    if (args.contains(QStringLiteral("--open"))) {
        QTimer::singleShot(5000, &program, [&program, &args] {
            program.mainWindow()->NISTtimeserver->trigger();
            if (args.contains(QStringLiteral("--press")))
                QTimer::singleShot(4000, &program, [&program] {
                    if (program.timeDialog())
                        program.timeDialog()->Command1->click();
                });
        });
    }
    return app.exec();
}
