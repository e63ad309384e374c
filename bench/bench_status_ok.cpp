// Times the status editor's Ok on a real disk: the editor is built over a settings
// file in a fresh folder (below the folder given as the first argument, else the
// system's temporary folder), one station's choice is flipped and Ok is clicked,
// over and over. Also times the first start's status defaults. Prints the median,
// mean and worst times in milliseconds.
//
// Usage: bench_status_ok [folder] [rounds, default 40]

#include "frm_sel_status.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace halvion;

namespace {

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size());
    std::printf("%-22s rounds %3zu  median %8.2f ms  mean %8.2f ms  worst %8.2f ms\n", what, ms.size(),
                ms[ms.size() / 2], mean, ms.back());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 40;
    QTemporaryDir dir(base + QStringLiteral("/halvion-bench-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a folder below %s\n", qPrintable(base));
        return 1;
    }

    std::vector<double> defaults;
    for (int r = 0; r < rounds; ++r) {
        const std::string path = dir.filePath(QStringLiteral("first-%1.ini").arg(r)).toStdString();
        SettingsFile settings(path);
        StatusStore store(settings);
        QElapsedTimer t;
        t.start();
        store.writeDefaults();
        defaults.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }

    SettingsFile settings(dir.filePath(QStringLiteral("Halvion.ini")).toStdString());
    StatusStore store(settings);
    store.writeDefaults();
    frmSelStatus editor(store);
    auto *ok = editor.findChild<QPushButton *>(QStringLiteral("Command1"));
    std::vector<double> oks;
    for (int r = 0; r < rounds; ++r) {
        // Every Ok saves a change: station r flips between OK and OFF.
        const int station = r % BeaconCount;
        const char *option = store.SelectedStatus(station) == BeaconStatus::OK ? "Option2_%1" : "Option1_%1";
        editor.findChild<QRadioButton *>(QString::fromLatin1(option).arg(station))->click();
        QElapsedTimer t;
        t.start();
        ok->click();
        oks.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("folder %s\n", qPrintable(base));
    report("status defaults", defaults);
    report("status editor Ok", oks);
    return 0;
}
