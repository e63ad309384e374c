#include "follow_mode.h"

namespace halvion {

FollowMode::FollowMode(const ClockSource &clock, QObject *parent) : QObject(parent), clock_(clock) {}

void FollowMode::follow(BeaconIndex station)
{
    if (station < 0 || station >= BeaconCount)
        return;
    planner_.start(station);
    Q_EMIT followingChanged(station);
    onTrackingTick(ScheduleClock::sample(clock_));
}

void FollowMode::stop()
{
    if (!planner_.active())
        return;
    planner_.stop();
    setText(QString());
    Q_EMIT followingChanged(-1);
}

void FollowMode::onTrackingTick(const ScheduleTime &t)
{
    if (!planner_.active())
        return;
    if (const auto band = planner_.step(t))
        Q_EMIT bandDue(*band);
    setText(QString::fromStdString(FollowPlan::followText(planner_.station(), t)));
}

void FollowMode::setText(const QString &text)
{
    if (text == text_)
        return;
    text_ = text;
    Q_EMIT textChanged(text_);
}

} // namespace halvion
