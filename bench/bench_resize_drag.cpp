// Times the main window's frames during a drag resize: the window is shown, then
// given a new size step by step, as a window manager does while the user drags its
// corner, and each step's work (layout, fonts, map, markers) and repaint is timed.
// By default the drag runs from 2.8 to 3.2 times the design size and back, through
// sizes never seen before and then ones seen on the way out. Prints the median and
// worst frame times in milliseconds (wall time and this thread's processor time) and
// the number of map scalings. Exits 1 when a frame took more than 50 ms of processor time.
//
// Usage: bench_resize_drag [scale from, default 2.8] [scale to, default 3.2] [steps, default 60]

#include "form1.h"
#include "settings_file.h"
#include "status_store.h"
#include "twips.h"

#include <QLabel>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace halvion;

namespace {
// This thread's processor time: on a busy machine the wall time of a frame also
// counts the time other programs had the processor.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const double from = argc > 1 ? std::atof(argv[1]) : 2.8;
    const double to = argc > 2 ? std::atof(argv[2]) : 3.2;
    const int steps = argc > 3 ? std::atoi(argv[3]) : 60;

    QTemporaryDir dir;
    SettingsFile settings(dir.filePath(QStringLiteral("Halvion.ini")).toStdString());
    StatusStore status(settings);
    AppState state;
    FakeClockSource clock(12, 0, 5);
    Form1 form(state, status, settings, clock);
    form.Form_Load();
    form.SelectBand(0);
    form.Timer3_Timer();
    form.show();
    QCoreApplication::processEvents();
    const int menu = form.height() - form.centralWidget()->height();

    // The jump from the design size to the drag's first size is no frame of the drag.
    form.resize(QSize(scaled(Form1::DesignClientSize.width(), from), scaled(Form1::DesignClientSize.height(), from) + menu));
    QCoreApplication::sendPostedEvents();
    form.repaint();
    std::vector<double> frames, cpu;
    QElapsedTimer timer;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 1; i <= steps; ++i) {
            const double f = pass == 0 ? i / double(steps) : 1.0 - i / double(steps);
            const double s = from + (to - from) * f;
            const QSize client(scaled(Form1::DesignClientSize.width(), s),
                               scaled(Form1::DesignClientSize.height(), s));
            const int scalings = form.MapScalings();
            const double fontBefore = form.Label2->font().pointSizeF();
            const double cpuBefore = threadCpuMs();
            timer.start();
            form.resize(client + QSize(0, menu));
            QCoreApplication::sendPostedEvents();
            form.repaint();
            frames.push_back(double(timer.nsecsElapsed()) / 1e6);
            cpu.push_back(threadCpuMs() - cpuBefore);
            if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
                std::printf("%.3f: %.1f ms%s%s\n", s, frames.back(), form.MapScalings() != scalings ? " map" : "",
                            form.Label2->font().pointSizeF() != fontBefore ? " fonts" : "");
        }
    }
    std::vector<double> sorted = frames;
    std::sort(sorted.begin(), sorted.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%zu frames from %.2fx to %.2fx and back (%s), map scaled %d times\n"
                "  wall time: median %.1f ms, 90%% %.1f ms, worst %.1f ms\n"
                "  processor time: median %.1f ms, 90%% %.1f ms, worst %.1f ms\n",
                frames.size(), from, to, qPrintable(QGuiApplication::platformName()), form.MapScalings(),
                sorted[sorted.size() / 2], sorted[sorted.size() * 9 / 10], sorted.back(), cpu[cpu.size() / 2],
                cpu[cpu.size() * 9 / 10], cpu.back());
    return cpu.back() <= 50.0 ? 0 : 1;
}
