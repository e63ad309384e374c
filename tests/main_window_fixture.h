#pragma once
// A main window over a temporary settings file and a clock the test sets.

#include "app_state.h"
#include "clock_source.h"
#include "form1.h"
#include "settings_file.h"
#include "status_store.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace halvion::test {

struct MainWindowFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    std::unique_ptr<SettingsFile> settings;
    AppState state;
    std::unique_ptr<StatusStore> status;
    FakeClockSource clock{12, 0, 0};
    std::unique_ptr<Form1> form;

    // Starts the window over a settings file holding these lines (none: no file).
    explicit MainWindowFixture(const QByteArray &ini = {}, bool load = true)
    {
        if (!ini.isNull()) {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write(ini);
        }
        settings = std::make_unique<SettingsFile>(path.toStdString());
        status = std::make_unique<StatusStore>(*settings);
        form = std::make_unique<Form1>(state, *status, *settings, clock);
        if (load)
            form->Form_Load();
    }

    QByteArray file() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QString value(std::string_view key) const
    {
        const std::string marker = "<missing>";
        return QString::fromStdString(settings->readText({key, marker, 255}));
    }

    void at(int minute, int second) { clock.set(12, minute, second); }

    // Runs the tracking tick at the given time.
    void trackAt(int minute, int second)
    {
        at(minute, second);
        form->Timer3_Timer();
    }

    QLabel *label(BeaconIndex i) const { return form->CallsignLabels[static_cast<std::size_t>(i)]; }
    static bool shown(const QWidget *w) { return !w->isHidden(); }
    // Position in Picture1's front/back order: larger is further in front.
    int depth(const QWidget *w) const { return static_cast<int>(form->Picture1->children().indexOf(w)); }
};

inline QByteArray statusLines(const QList<int> &okStations = {}, const QList<int> &offStations = {},
                              const QList<int> &onStations = {})
{
    QByteArray out;
    for (int i = 0; i < 18; ++i) {
        out += "OK " + QByteArray::number(i) + "=" + (okStations.contains(i) ? "True" : "False") + "\n";
        out += "OFF " + QByteArray::number(i) + "=" + (offStations.contains(i) ? "True" : "False") + "\n";
        out += "ON " + QByteArray::number(i) + "=" + (onStations.contains(i) ? "True" : "False") + "\n";
    }
    return out;
}

inline QList<int> allStations()
{
    QList<int> all;
    for (int i = 0; i < 18; ++i)
        all << i;
    return all;
}

} // namespace halvion::test
