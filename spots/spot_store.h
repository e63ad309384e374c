#pragma once
// What the world's skimmers heard of the beacons: the beacon spots of the last day in
// memory, per station and band, and all of the last 30 days in the spot log. Every
// question the windows ask goes through the watch list: with skimmers on it, only
// their spots count; with none, every skimmer's do.
//
// The questions, and what they are for:
//   spottedOn(station, band, since)   the map's ring and tooltip on the tracked band
//                                     (since = now - 15 min), the compact view's mark on
//                                     each row; band -1 asks about any band (the status
//                                     editor's "spotted in the last hour")
//   grid(since)                       the results window's 18 x 5 "Heard by skimmers"
//   history(since, station, band)     its chart: every spot, oldest first, from the log
//   lastHeardUtcMs(station, band)     the newest spot held (within the last day)
//   connectedMs(since, now)           how long the feed was connected in a span, so a
//                                     station is called unheard only after a day of
//                                     listening, not after a day offline
// spotsChanged() says when to ask again; it comes once per batch the feed delivers.
//
// Memory is bounded whatever the feed sends: each station and band holds at most
// maxPerCell spots (the oldest go first) and nothing older than MemoryWindowMs. A
// question reaching back past what a full station and band let go is answered from the
// log instead, so a long span on a busy band is counted whole; so is one reaching
// back more than a day.

#include "beacon_spot.h"
#include "spot_archive.h"
#include "spot_view.h"
#include "stored_spot.h"

#include <QObject>
#include <QString>

#include <array>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

class QTimer;

namespace halvion {

class FeedClock;

class SpotStore : public QObject, public SpotView {
    Q_OBJECT
public:
    static constexpr qint64 MinuteMs = 60 * 1000;
    static constexpr qint64 DayMs = 24 * 60 * MinuteMs;
    static constexpr qint64 MemoryWindowMs = DayMs + 15 * MinuteMs;
    static constexpr qint64 KeepForMs = 30 * DayMs;
    static constexpr int DefaultMaxPerCell = 2048;
    static constexpr int FlushIntervalMs = 10000;
    static constexpr std::size_t FlushAt = 500;       // pending rows that write at once
    static constexpr std::size_t MaxPending = 20000;  // kept while the log cannot be written

    explicit SpotStore(const FeedClock &clock, QObject *parent = nullptr, int maxPerCell = DefaultMaxPerCell);
    ~SpotStore() override;

    // Takes the spot log (SpotLog::defaultPath() in the program), loads its last day
    // and trims it; false with logError() when it is not open: the store works on
    // without it.
    bool attachLog(std::unique_ptr<SpotArchive> log);
    QString logError() const;
    const SpotArchive *log() const { return log_.get(); }

    // Upper-case skimmer callsigns; "KM3T" stands for all its receivers ("KM3T-2"),
    // "KM3T-2" for that one only. Empty: every skimmer counts.
    void setWatchList(const std::vector<std::string> &skimmers);
    const std::vector<std::string> &watchList() const { return watch_; }
    bool isWatched(std::string_view skimmer) const;

    // Spots just read from the feed, heard at the given UTC time.
    void add(const std::vector<BeaconSpot> &spots, qint64 heardUtcMs);
    // The feed's connection came up or went down.
    void connectionStarted(qint64 utcMs);
    void connectionEnded(qint64 utcMs);

    SpotSummary spottedOn(BeaconIndex station, BandIndex band, qint64 sinceUtcMs) const;
    SpotGrid grid(qint64 sinceUtcMs) const override;
    std::vector<StoredSpot> history(qint64 sinceUtcMs, BeaconIndex station, BandIndex band) const override;
    qint64 lastHeardUtcMs(BeaconIndex station, BandIndex band = -1) const;
    qint64 connectedMs(qint64 sinceUtcMs, qint64 nowUtcMs) const;
    // The instant from which the feed was connected for `wantedMs` in all up to now,
    // gaps left out; -1 when the spans held (about the last day) do not add up to it.
    qint64 connectedSince(qint64 nowUtcMs, qint64 wantedMs) const;

    // Writes what is pending to the log, drops from memory what has aged out, and
    // trims the log once a day. The flush timer runs it; tests call it.
    void flush();
    QTimer *flushTimer() const { return flushTimer_; }
    std::size_t spotsHeld() const;
    std::size_t pendingRows() const { return pending_.size(); }

    // The instant of the skimmer's "hhmmZ": the day whose time lies nearest to when the
    // spot was heard, so a spot of 23:59 heard at 00:00 is yesterday's.
    static qint64 spotTimeUtcMs(int minuteOfDay, qint64 heardUtcMs);

Q_SIGNALS:
    void spotsChanged();

private:
    struct Span {
        qint64 start = 0;
        qint64 end = -1; // -1: still connected
    };
    std::deque<StoredSpot> &cell(BeaconIndex s, BandIndex b) { return cells_[std::size_t(s * BandCount + b)]; }
    const std::deque<StoredSpot> &cell(BeaconIndex s, BandIndex b) const
    {
        return cells_[std::size_t(s * BandCount + b)];
    }
    void keep(StoredSpot spot);
    void dropOld(qint64 nowUtcMs);
    template <typename Spots>
    void summarise(const Spots &spots, qint64 sinceUtcMs, SpotSummary &into, std::vector<std::string> &seen) const;

    const FeedClock &clock_;
    const std::size_t maxPerCell_;
    std::array<std::deque<StoredSpot>, std::size_t(BeaconCount * BandCount)> cells_;
    // Per station and band: the newest spot let go because the cell was full.
    std::array<qint64, std::size_t(BeaconCount * BandCount)> letGo_{};
    qint64 heldSince_; // memory holds every spot heard since then (but for letGo_)
    std::vector<std::string> watch_;
    std::vector<StoredSpot> pending_;
    std::vector<Span> spans_;
    std::unique_ptr<SpotArchive> log_;
    qint64 lastTrimUtcMs_ = 0;
    bool trimmed_ = false;
    QTimer *flushTimer_ = nullptr;
};

// The map tooltip's line: "Spotted on 20 m by 12 skimmers in the last 15 min, best
// 24 dB (KM3T, 22:59 UTC)". The skimmer is named by its callsign, without its
// receiver number. Empty when the summary holds no spot.
QString spottedText(BandIndex band, int minutes, const SpotSummary &summary);

} // namespace halvion
