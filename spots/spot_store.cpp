#include "spot_store.h"

#include "feed_clock.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace halvion {

namespace {

qint64 floorDiv(qint64 a, qint64 b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

} // namespace

SpotStore::SpotStore(const FeedClock &clock, QObject *parent, int maxPerCell)
    : QObject(parent), clock_(clock), maxPerCell_(static_cast<std::size_t>(std::max(1, maxPerCell)))
{
    letGo_.fill(std::numeric_limits<qint64>::min());
    heldSince_ = std::numeric_limits<qint64>::min();
    flushTimer_ = new QTimer(this);
    flushTimer_->setObjectName(QStringLiteral("RbnFlushTimer"));
    flushTimer_->setInterval(FlushIntervalMs);
    flushTimer_->setTimerType(Qt::VeryCoarseTimer);
    connect(flushTimer_, &QTimer::timeout, this, &SpotStore::flush);
}

SpotStore::~SpotStore()
{
    if (log_)
        flush();
}

bool SpotStore::attachLog(std::unique_ptr<SpotArchive> log)
{
    if (!log || !log->isOpen()) {
        log_ = std::move(log); // kept for its error text; not open
        return false;
    }
    log_ = std::move(log);
    const qint64 now = clock_.utcMs();
    log_->trim(now - KeepForMs);
    trimmed_ = true;
    lastTrimUtcMs_ = now;
    heldSince_ = now - MemoryWindowMs;
    for (StoredSpot &s : log_->history(now - MemoryWindowMs, -1, -1))
        keep(std::move(s));
    for (const auto &[start, end] : log_->connectedSpans(now - MemoryWindowMs))
        spans_.push_back({start, end});
    flushTimer_->start();
    Q_EMIT spotsChanged();
    return true;
}

QString SpotStore::logError() const { return log_ ? log_->errorText() : QString(); }

void SpotStore::setWatchList(const std::vector<std::string> &skimmers)
{
    if (skimmers == watch_)
        return;
    watch_ = skimmers;
    Q_EMIT spotsChanged();
}

bool SpotStore::isWatched(std::string_view skimmer) const
{
    if (watch_.empty())
        return true;
    const std::string_view base = skimmer.substr(0, skimmer.find('-'));
    for (const std::string &w : watch_) {
        if (w == skimmer)
            return true;
        if (w.find('-') == std::string::npos && w == base)
            return true;
    }
    return false;
}

qint64 SpotStore::spotTimeUtcMs(int minuteOfDay, qint64 heardUtcMs)
{
    const qint64 day = floorDiv(heardUtcMs, DayMs) * DayMs;
    qint64 best = day + qint64(minuteOfDay) * MinuteMs;
    for (qint64 other : {best - DayMs, best + DayMs})
        if (std::abs(other - heardUtcMs) < std::abs(best - heardUtcMs))
            best = other;
    return best;
}

void SpotStore::keep(StoredSpot spot)
{
    const std::size_t i = std::size_t(spot.station * BandCount + spot.band);
    std::deque<StoredSpot> &c = cells_[i];
    c.push_back(std::move(spot));
    while (c.size() > maxPerCell_) {
        letGo_[i] = std::max(letGo_[i], c.front().heardUtcMs);
        c.pop_front();
    }
}

void SpotStore::add(const std::vector<BeaconSpot> &spots, qint64 heardUtcMs)
{
    if (spots.empty())
        return;
    for (const BeaconSpot &b : spots) {
        if (b.station < 0 || b.station >= BeaconCount || b.band < 0 || b.band >= BandCount)
            continue;
        StoredSpot s;
        s.heardUtcMs = heardUtcMs;
        s.spotUtcMs = spotTimeUtcMs(b.minuteOfDay, heardUtcMs);
        s.station = b.station;
        s.band = b.band;
        s.skimmer = b.skimmer;
        s.snrDb = b.snrDb;
        s.frequencyKhz = b.frequencyKhz;
        s.speedWpm = b.speedWpm;
        if (log_ && log_->isOpen())
            pending_.push_back(s);
        keep(std::move(s));
    }
    if (pending_.size() > MaxPending) // the log refuses writes: keep the newest
        pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(pending_.size() - MaxPending));
    if (pending_.size() >= FlushAt)
        flush();
    Q_EMIT spotsChanged();
}

void SpotStore::connectionStarted(qint64 utcMs)
{
    connectionEnded(utcMs);
    spans_.push_back({utcMs, -1});
    if (log_)
        log_->saveConnected(utcMs, utcMs);
}

void SpotStore::connectionEnded(qint64 utcMs)
{
    for (Span &span : spans_) {
        if (span.end < 0) {
            span.end = std::max(span.start, utcMs);
            if (log_)
                log_->saveConnected(span.start, span.end);
        }
    }
}

void SpotStore::flush()
{
    const qint64 now = clock_.utcMs();
    if (log_ && log_->isOpen()) {
        if (!pending_.empty() && log_->append(pending_))
            pending_.clear();
        for (const Span &span : spans_)
            if (span.end < 0)
                log_->saveConnected(span.start, std::max(span.start, now));
        if (!trimmed_ || now - lastTrimUtcMs_ >= DayMs) {
            log_->trim(now - KeepForMs);
            trimmed_ = true;
            lastTrimUtcMs_ = now;
        }
    }
    dropOld(now);
}

void SpotStore::dropOld(qint64 nowUtcMs)
{
    const qint64 oldest = nowUtcMs - MemoryWindowMs;
    heldSince_ = std::max(heldSince_, oldest);
    for (auto &c : cells_)
        while (!c.empty() && c.front().heardUtcMs < oldest)
            c.pop_front();
    std::erase_if(spans_, [oldest](const Span &s) { return s.end >= 0 && s.end < oldest; });
}

std::size_t SpotStore::spotsHeld() const
{
    std::size_t n = 0;
    for (const auto &c : cells_)
        n += c.size();
    return n;
}

template <typename Spots>
void SpotStore::summarise(const Spots &spots, qint64 sinceUtcMs, SpotSummary &into, std::vector<std::string> &seen) const
{
    for (const StoredSpot &s : spots) {
        if (s.heardUtcMs < sinceUtcMs || !isWatched(s.skimmer))
            continue;
        ++into.spots;
        seen.push_back(s.skimmer);
        into.lastHeardUtcMs = std::max(into.lastHeardUtcMs, s.heardUtcMs);
        // The strongest report; of equal ones, the latest.
        if (into.spots == 1 || s.snrDb > into.bestSnrDb
            || (s.snrDb == into.bestSnrDb && s.spotUtcMs >= into.bestSpotUtcMs)) {
            into.bestSnrDb = s.snrDb;
            into.bestSkimmer = QString::fromStdString(s.skimmer);
            into.bestSpotUtcMs = s.spotUtcMs;
            into.bestBand = s.band;
        }
    }
}

SpotSummary SpotStore::spottedOn(BeaconIndex station, BandIndex band, qint64 sinceUtcMs) const
{
    SpotSummary summary;
    if (station < 0 || station >= BeaconCount || band >= BandCount)
        return summary;
    std::vector<std::string> seen;
    for (BandIndex b = 0; b < BandCount; ++b) {
        if (band >= 0 && b != band)
            continue;
        const bool memoryWhole = sinceUtcMs >= heldSince_ && sinceUtcMs > letGo_[std::size_t(station * BandCount + b)];
        if (!memoryWhole && log_ && log_->isOpen())
            summarise(history(sinceUtcMs, station, b), sinceUtcMs, summary, seen);
        else
            summarise(cell(station, b), sinceUtcMs, summary, seen);
    }
    std::sort(seen.begin(), seen.end());
    summary.skimmers = static_cast<int>(std::unique(seen.begin(), seen.end()) - seen.begin());
    return summary;
}

SpotGrid SpotStore::grid(qint64 sinceUtcMs) const
{
    SpotGrid g;
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        for (BandIndex b = 0; b < BandCount; ++b)
            g[std::size_t(s)][std::size_t(b)] = spottedOn(s, b, sinceUtcMs);
    return g;
}

std::vector<StoredSpot> SpotStore::history(qint64 sinceUtcMs, BeaconIndex station, BandIndex band) const
{
    std::vector<StoredSpot> out;
    auto wanted = [&](const StoredSpot &s) {
        return s.heardUtcMs >= sinceUtcMs && (station < 0 || s.station == station) && (band < 0 || s.band == band)
            && isWatched(s.skimmer);
    };
    if (log_ && log_->isOpen()) {
        out = log_->history(sinceUtcMs, station, band);
        std::erase_if(out, [&](const StoredSpot &s) { return !isWatched(s.skimmer); });
        for (const StoredSpot &s : pending_) // heard, not yet written
            if (wanted(s))
                out.push_back(s);
    } else {
        for (const auto &c : cells_)
            for (const StoredSpot &s : c)
                if (wanted(s))
                    out.push_back(s);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const StoredSpot &a, const StoredSpot &b) { return a.heardUtcMs < b.heardUtcMs; });
    return out;
}

qint64 SpotStore::lastHeardUtcMs(BeaconIndex station, BandIndex band) const
{
    qint64 last = 0;
    if (station < 0 || station >= BeaconCount || band >= BandCount)
        return last;
    for (BandIndex b = 0; b < BandCount; ++b)
        if (band < 0 || b == band)
            for (const StoredSpot &s : cell(station, b))
                if (s.heardUtcMs > last && isWatched(s.skimmer))
                    last = s.heardUtcMs;
    return last;
}

qint64 SpotStore::connectedMs(qint64 sinceUtcMs, qint64 nowUtcMs) const
{
    qint64 total = 0;
    for (const Span &span : spans_) {
        const qint64 from = std::max(span.start, sinceUtcMs);
        const qint64 to = std::min(span.end < 0 ? nowUtcMs : span.end, nowUtcMs);
        if (to > from)
            total += to - from;
    }
    return total;
}

qint64 SpotStore::connectedSince(qint64 nowUtcMs, qint64 wantedMs) const
{
    qint64 total = 0;
    for (auto span = spans_.rbegin(); span != spans_.rend(); ++span) {
        const qint64 to = std::min(span->end < 0 ? nowUtcMs : span->end, nowUtcMs);
        if (to <= span->start)
            continue;
        total += to - span->start;
        if (total >= wantedMs)
            return span->start + (total - wantedMs);
    }
    return -1;
}

QString spottedText(BandIndex band, int minutes, const SpotSummary &summary)
{
    if (!summary.spotted())
        return {};
    const QString where = band >= 0 && band < BandCount
        ? QStringLiteral(" on %1 m").arg(QLatin1String(BeaconCatalogue::band(band).bandLabel.data(),
                                                       qsizetype(BeaconCatalogue::band(band).bandLabel.size())))
        : QString();
    const QString who = summary.skimmers == 1 ? QStringLiteral("1 skimmer")
                                              : QStringLiteral("%1 skimmers").arg(summary.skimmers);
    const QString skimmer = summary.bestSkimmer.section(QLatin1Char('-'), 0, 0);
    const QString time = QDateTime::fromMSecsSinceEpoch(summary.bestSpotUtcMs, Qt::UTC).toString(QStringLiteral("HH:mm"));
    return QStringLiteral("Spotted%1 by %2 in the last %3 min, best %4 dB (%5, %6 UTC)")
        .arg(where, who)
        .arg(minutes)
        .arg(summary.bestSnrDb)
        .arg(skimmer, time);
}

} // namespace halvion
