#pragma once
// Follow mode as the windows see it. The radio is moved on a precise timer shortly
// before each step of the followed station's run begins, so it is on the new band when
// the callsign starts; the main window's tracking tick hands in its clock sample and
// moves the display at the step's first tick, from that same sample.

#include "clock_source.h"
#include "follow_planner.h"
#include "retune_timer.h"

#include <QObject>
#include <QString>

namespace halvion {

class FollowMode : public QObject {
    Q_OBJECT
public:
    explicit FollowMode(const ClockSource &clock, QObject *parent = nullptr);

    bool active() const { return planner_.active(); }
    BeaconIndex station() const { return planner_.station(); }
    const QString &text() const { return text_; }

    // Starts following the station, at once: the band it wants now is due straight away,
    // for the radio and the display.
    void follow(BeaconIndex station);
    void stop();
    // The main window's tracking tick, with the sample it draws from.
    void onTrackingTick(const halvion::ScheduleTime &t);

    // The timer that moves the radio; tests drive it with their clock.
    RetuneTimer &retuneTimer() { return retune_; }
    // The local time of day in milliseconds, from one reading of the clock.
    static qint64 dayMs(const ClockReading &r);

Q_SIGNALS:
    // Show this band: a new step of the run has begun.
    void bandDue(halvion::BandIndex band);
    // Tune the radio to this band now: a new step begins in less than half a second
    // (or has begun, when following starts or the clock was set).
    void tuneDue(halvion::BandIndex band);
    // The followed station, -1 when follow mode ends.
    void followingChanged(halvion::BeaconIndex station);
    // "Following ZS6DN on 17 m"; empty when not following.
    void textChanged(const QString &text);

private:
    void retuneFor(qint64 slotNumber);
    void setText(const QString &text);

    const ClockSource &clock_;
    FollowPlanner planner_;
    RetuneTimer retune_;
    int tunedStep_ = -1;
    QString text_;
};

} // namespace halvion
