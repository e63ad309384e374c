#include "follow_mode.h"

namespace halvion {

FollowMode::FollowMode(const ClockSource &clock, QObject *parent)
    : QObject(parent), clock_(clock), retune_([&clock] { return dayMs(clock.now()); })
{
    retune_.timer()->setObjectName(QStringLiteral("FollowTimer"));
    connect(&retune_, &RetuneTimer::slotDue, this, &FollowMode::retuneFor);
}

qint64 FollowMode::dayMs(const ClockReading &r)
{
    return ((qint64(r.hour) * 60 + r.minute) * 60 + r.second) * 1000 + r.millisecond;
}

void FollowMode::follow(BeaconIndex station)
{
    if (station < 0 || station >= BeaconCount)
        return;
    planner_.start(station);
    tunedStep_ = -1;
    Q_EMIT followingChanged(station);
    retune_.start();
    onTrackingTick(ScheduleClock::sample(clock_));
}

void FollowMode::stop()
{
    if (!planner_.active())
        return;
    retune_.stop();
    planner_.stop();
    setText(QString());
    Q_EMIT followingChanged(-1);
}

void FollowMode::retuneFor(qint64 slotNumber)
{
    if (!planner_.active())
        return;
    const int slot = int(slotNumber % ScheduleClock::SlotsPerCycle);
    const int step = FollowPlan::stepOf(planner_.station(), slot);
    if (step == tunedStep_)
        return;
    tunedStep_ = step;
    Q_EMIT tuneDue(FollowPlan::bandOf(step));
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
