#pragma once
// Follow mode as the windows see it: the main window's tracking tick hands in its clock
// sample, and at each step of the followed station's run the band to tune and show
// comes back, from that same sample.

#include "clock_source.h"
#include "follow_planner.h"

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

    // Starts following the station, at once: the band it wants now is due straight away.
    void follow(BeaconIndex station);
    void stop();
    // The main window's tracking tick, with the sample it draws from.
    void onTrackingTick(const halvion::ScheduleTime &t);

Q_SIGNALS:
    // Tune to this band and show it: a new step of the run has begun.
    void bandDue(halvion::BandIndex band);
    // The followed station, -1 when follow mode ends.
    void followingChanged(halvion::BeaconIndex station);
    // "Following ZS6DN on 17 m"; empty when not following.
    void textChanged(const QString &text);

private:
    void setText(const QString &text);

    const ClockSource &clock_;
    FollowPlanner planner_;
    QString text_;
};

} // namespace halvion
