#include "monitor_log.h"

#include <QDateTime>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

#include <cmath>

namespace halvion {

namespace {

QVariant real(double v) { return std::isfinite(v) ? QVariant(v) : QVariant(); }
double real(const QVariant &v) { return v.isNull() ? NAN : v.toDouble(); }

constexpr const char *Columns =
    "slot, band, station, identified, identity_score, tone_hz, offset_s, "
    "snr_100w, snr_10w, snr_1w, snr_01w, dashes_heard, noise_db, scheduled, callsign, input";

SlotMeasurement fromQuery(const QSqlQuery &q)
{
    SlotMeasurement m;
    m.slotNumber = q.value(0).toLongLong();
    m.band = q.value(1).toInt();
    m.expected = q.value(2).toInt();
    m.identified = q.value(3).isNull() ? -1 : q.value(3).toInt();
    m.identityScore = q.value(4).toDouble();
    m.toneHz = q.value(5).toDouble();
    m.offsetSeconds = q.value(6).toDouble();
    for (int d = 0; d < BeaconKeying::DashCount; ++d)
        m.dashSnrDb[std::size_t(d)] = real(q.value(7 + d));
    m.dashesHeard = q.value(11).toInt();
    m.noiseDb = real(q.value(12));
    // `station` is the station the reading belongs to; `scheduled` the one the schedule
    // put in the slot, when it was another (rows written before it was kept have none).
    if (!q.value(13).isNull())
        m.expected = q.value(13).toInt();
    m.callsign = q.value(14).toString().toStdString();
    m.input = q.value(15).isNull() ? -1 : q.value(15).toInt();
    return m;
}

QString csvNumber(double v, int decimals) { return std::isfinite(v) ? QString::number(v, 'f', decimals) : QString(); }

} // namespace

MonitorLog::MonitorLog() : file_(QStringLiteral("monitor log")) {}

QString MonitorLog::defaultPath() { return SqliteFile::defaultPath(); }

bool MonitorLog::open(const QString &path)
{
    path_ = path;
    if (!file_.open(path, {
        "PRAGMA journal_mode=WAL",
        "PRAGMA synchronous=NORMAL",
        "CREATE TABLE IF NOT EXISTS slot_measurements ("
        " slot INTEGER NOT NULL, band INTEGER NOT NULL, station INTEGER NOT NULL,"
        " identified INTEGER, identity_score REAL, tone_hz REAL, offset_s REAL,"
        " snr_100w REAL, snr_10w REAL, snr_1w REAL, snr_01w REAL,"
        " dashes_heard INTEGER NOT NULL, noise_db REAL, source TEXT,"
        " PRIMARY KEY (slot, band))",
        "CREATE INDEX IF NOT EXISTS slot_measurements_pair ON slot_measurements (station, band, slot)",
    }, 0, error_))
        return false;
    // Columns added since the first logs were written.
    QSqlDatabase db = file_.database();
    QSqlQuery q(db);
    QStringList have;
    if (q.exec(QStringLiteral("PRAGMA table_info(slot_measurements)")))
        while (q.next())
            have << q.value(1).toString();
    for (const auto &[name, type] : {std::pair{"scheduled", "INTEGER"}, std::pair{"callsign", "TEXT"}, std::pair{"input", "INTEGER"}}) {
        if (have.contains(QLatin1String(name)))
            continue;
        if (!q.exec(QStringLiteral("ALTER TABLE slot_measurements ADD COLUMN %1 %2").arg(QLatin1String(name), QLatin1String(type)))) {
            error_ = QStringLiteral("The monitor log %1 is not usable: %2").arg(path, q.lastError().text());
            db.close();
            return false;
        }
    }
    error_.clear();
    return true;
}

bool MonitorLog::isOpen() const
{
    return file_.isOpen();
}

bool MonitorLog::append(const SlotMeasurement &m, const QString &source)
{
    return append(std::vector<SlotMeasurement>{m}, source);
}

bool MonitorLog::append(const std::vector<SlotMeasurement> &rows, const QString &source)
{
    if (!isOpen()) {
        error_ = QStringLiteral("The monitor log is not open.");
        return false;
    }
    QSqlDatabase db = file_.database();
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO slot_measurements (%1, source) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                  .arg(QLatin1String(Columns)));
    for (const SlotMeasurement &m : rows) {
        q.addBindValue(m.slotNumber);
        q.addBindValue(m.band);
        q.addBindValue(m.station());
        q.addBindValue(m.identified >= 0 ? QVariant(m.identified) : QVariant());
        q.addBindValue(real(m.identityScore));
        q.addBindValue(real(m.toneHz));
        q.addBindValue(real(m.offsetSeconds));
        for (double snr : m.dashSnrDb)
            q.addBindValue(real(snr));
        q.addBindValue(m.dashesHeard);
        q.addBindValue(real(m.noiseDb));
        q.addBindValue(m.otherStation() ? QVariant(m.expected) : QVariant());
        q.addBindValue(m.callsign.empty() ? QVariant() : QVariant(QString::fromStdString(m.callsign)));
        q.addBindValue(m.input >= 0 ? QVariant(m.input) : QVariant());
        q.addBindValue(source);
        if (!q.exec()) {
            error_ = QStringLiteral("A measurement could not be written to the monitor log: %1").arg(q.lastError().text());
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        error_ = QStringLiteral("The monitor log could not be written: %1").arg(db.lastError().text());
        return false;
    }
    return true;
}

qint64 MonitorLog::count() const
{
    QSqlQuery q(file_.database());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM slot_measurements")) || !q.next())
        return 0;
    return q.value(0).toLongLong();
}

std::vector<SlotMeasurement> MonitorLog::latestPerPair() const
{
    std::vector<SlotMeasurement> out;
    QSqlQuery q(file_.database());
    // SQLite takes the other columns from the row that holds the MAX.
    q.exec(QStringLiteral("SELECT %1, MAX(slot) FROM slot_measurements GROUP BY station, band")
               .arg(QLatin1String(Columns)));
    while (q.next())
        out.push_back(fromQuery(q));
    return out;
}

std::vector<SlotMeasurement> MonitorLog::history(qint64 sinceUtcMs, BeaconIndex station, BandIndex band) const
{
    std::vector<SlotMeasurement> out;
    QSqlQuery q(file_.database());
    q.prepare(QStringLiteral("SELECT %1 FROM slot_measurements WHERE slot >= ? AND (? < 0 OR station = ?) "
                             "AND (? < 0 OR band = ?) ORDER BY slot, band")
                  .arg(QLatin1String(Columns)));
    q.addBindValue(sinceUtcMs / 10000);
    q.addBindValue(station);
    q.addBindValue(station);
    q.addBindValue(band);
    q.addBindValue(band);
    q.exec();
    while (q.next())
        out.push_back(fromQuery(q));
    return out;
}

bool MonitorLog::exportCsv(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        error_ = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    file.write("utc,band_m,frequency_mhz,station,identified,identity_score,tone_hz,offset_s,"
               "snr_100w_db,snr_10w_db,snr_1w_db,snr_01w_db,heard_at,noise_db,source,input\n");
    QSqlQuery q(file_.database());
    q.exec(QStringLiteral("SELECT %1, source FROM slot_measurements ORDER BY slot, band").arg(QLatin1String(Columns)));
    while (q.next()) {
        const SlotMeasurement m = fromQuery(q);
        const Band &band = BeaconCatalogue::band(m.band);
        QStringList f;
        f << QDateTime::fromMSecsSinceEpoch(m.slotStartUtcMs(), Qt::UTC).toString(Qt::ISODate)
          << QString::fromLatin1(band.bandLabel.data(), qsizetype(band.bandLabel.size()))
          << QString::fromLatin1(band.frequencyText.data(), qsizetype(band.frequencyText.size()))
          << QString::fromLatin1(BeaconCatalogue::beacon(m.station()).callsign.data())
          << (!m.callsign.empty()     ? QString::fromStdString(m.callsign)
              : m.identified >= 0     ? QString::fromLatin1(BeaconCatalogue::beacon(m.identified).callsign.data())
                                      : QString())
          << csvNumber(m.identityScore, 3) << csvNumber(m.toneHz, 1) << csvNumber(m.offsetSeconds, 3);
        for (double snr : m.dashSnrDb)
            f << csvNumber(snr, 1);
        f << QString::fromLatin1(m.heardAtText()) << csvNumber(m.noiseDb, 1) << q.value(16).toString()
          << (m.input >= 0 ? QString::number(m.input + 1) : QString());
        file.write(f.join(QLatin1Char(',')).toUtf8() + '\n');
    }
    if (!file.commit()) {
        error_ = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace halvion
