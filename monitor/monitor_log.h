#pragma once
// The monitor's log: one row per measured slot and band, in an SQLite file in the
// user's data folder (~/.local/share/Halvion/monitor.sqlite on Linux). SQLite's
// journal keeps it whole if the program is killed in the middle of a write. A slot
// measured again (a recording analysed twice) replaces its earlier row.

#include "slot_measurement.h"

#include "sqlite_file.h"

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace halvion {

class MonitorLog {
public:
    MonitorLog();
    MonitorLog(const MonitorLog &) = delete;
    MonitorLog &operator=(const MonitorLog &) = delete;

    static QString defaultPath();

    // Opens (and creates) the log; false with errorText() when it cannot.
    bool open(const QString &path);
    bool isOpen() const;
    QString errorText() const { return error_; }
    QString path() const { return path_; }

    bool append(const SlotMeasurement &m, const QString &source = QStringLiteral("live"));
    bool append(const std::vector<SlotMeasurement> &rows, const QString &source);

    qint64 count() const;
    // The newest measurement of every station and band that has one.
    std::vector<SlotMeasurement> latestPerPair() const;
    // Measurements since a UTC time, oldest first; station or band -1 for any.
    std::vector<SlotMeasurement> history(qint64 sinceUtcMs, BeaconIndex station, BandIndex band) const;

    // Every row as CSV, oldest first; false with errorText() when the file cannot be written.
    bool exportCsv(const QString &path);

private:
    SqliteFile file_;
    QString path_;
    QString error_;
};

} // namespace halvion
