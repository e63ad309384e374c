// What the clock check reads against a time server on this machine while the whole
// program runs (map, tick, gauge): COUNT questions, one every 4 seconds (the check's
// own spacing), each offset and round trip printed, then the median and the largest.
// Against a server on 127.0.0.1 that tells this machine's own time both should be a
// fraction of a millisecond. scripts/measure_clock_check.sh starts
// scripts/sntp_responder.py on a free port and this. Settings go to a temporary folder.
//
//   measure_clock_check HOST:PORT [COUNT]

#include "clock_check.h"
#include "program.h"
#include "settings_file.h"
#include "sntp_client.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double largest(const std::vector<double> &values)
{
    double most = 0;
    for (double v : values)
        most = std::max(most, std::abs(v));
    return most;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halvion"));
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: measure_clock_check HOST:PORT [COUNT]\n");
        return 2;
    }
    const int count = args.size() > 2 ? args[2].toInt() : 10;

    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Halvion.ini")).toStdString();
    {
        halvion::SettingsFile settings(path);
        settings.write("ClockCheck", "True");
        settings.write("ClockCheckServer", args[1].toStdString());
    }
    halvion::SystemClockSource clock;
    halvion::Program program(path, clock);
    program.start();

    std::vector<double> aheadMs, tripMs;
    int systemStamped = 0;
    QTimer waitForCheck;
    waitForCheck.setInterval(50);
    QObject::connect(&waitForCheck, &QTimer::timeout, &app, [&] {
        halvion::ClockCheck *check = program.clockCheck();
        if (!check)
            return;
        waitForCheck.stop();
        QObject::connect(&check->client(), &halvion::SntpClient::measured, &app,
                         [&, check](const halvion::SntpResult &r) {
                             aheadMs.push_back(-r.measurement.offset * 1000.0);
                             tripMs.push_back(r.measurement.delay * 1000.0);
                             systemStamped += r.stampedOnArrival ? 1 : 0;
                             std::printf("PC ahead %+8.3f ms   round trip %7.3f ms\n", aheadMs.back(), tripMs.back());
                             std::fflush(stdout);
                             if (static_cast<int>(aheadMs.size()) >= count) {
                                 QTimer::singleShot(0, &app, &QApplication::quit);
                                 return;
                             }
                             check->clockWasSet(); // the next question as soon as the 4-second rule allows
                         });
        QObject::connect(&check->client(), &halvion::SntpClient::failed, &app,
                         [](halvion::SntpClient::Failure, const QString &detail) {
                             std::printf("failed %s\n", qPrintable(detail));
                         });
        check->clockWasSet(); // the first answer may have come before this was listening
    });
    waitForCheck.start();
    QTimer::singleShot((count + 3) * 5000, &app, [] {
        std::fprintf(stderr, "gave up waiting for answers\n");
        QApplication::exit(1);
    });
    const int rc = app.exec();
    if (aheadMs.empty())
        return rc ? rc : 1;
    std::printf("%zu answers: PC ahead median %+.3f ms, largest %.3f ms; round trip median %.3f ms, largest %.3f ms",
                aheadMs.size(), median(aheadMs), largest(aheadMs), median(tripMs), largest(tripMs));
    std::printf("; %d of them dated by the system on arrival", systemStamped);
    std::printf("\n");
    return rc;
}
