#include "clock_check_policy.h"

#include <algorithm>

namespace halvion {

namespace {
ClockCheckPolicy::Millis doubled(ClockCheckPolicy::Millis base, int times, ClockCheckPolicy::Millis cap)
{
    for (int i = 0; i < times && base < cap; ++i)
        base *= 2;
    return std::min(base, cap);
}
} // namespace

ClockCheckPolicy::Millis ClockCheckPolicy::interval() const
{
    const Millis rate = doubled(RegularInterval, rateKisses_, LongestRateInterval);
    const Millis silence = doubled(RegularInterval, std::max(failures_ - 1, 0), LongestSilenceInterval);
    return std::max(rate, silence);
}

void ClockCheckPolicy::setEnabled(bool on, Millis now)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    inFlight_ = false;
    if (on) {
        dueAt_ = rateKisses_ > 0 && lastSent_ ? std::max(now, *lastSent_ + interval()) : now;
        failures_ = 0;
    }
}

void ClockCheckPolicy::serverChanged(Millis now)
{
    refused_ = false;
    failures_ = 0;
    rateKisses_ = 0;
    inFlight_ = false;
    dueAt_ = now;
}

void ClockCheckPolicy::requestSoon(Millis now)
{
    // A server that asked for fewer questions gets its pause, even after a clock setting.
    if (rateKisses_ > 0)
        return;
    soon_ = true;
    dueAt_ = std::min(dueAt_, now);
}

// After an outcome: the regular pause from the last question, unless a measurement was
// asked for while that question was open.
void ClockCheckPolicy::planNext(Millis now)
{
    inFlight_ = false;
    dueAt_ = soon_ ? now : lastSent_.value_or(now) + interval();
}

std::optional<ClockCheckPolicy::Millis> ClockCheckPolicy::nextQueryIn(Millis now) const
{
    if (!enabled_ || refused_ || inFlight_)
        return std::nullopt;
    Millis at = dueAt_;
    if (lastSent_)
        at = std::max(at, *lastSent_ + MinimumSpacing);
    return std::max<Millis>(at - now, 0);
}

void ClockCheckPolicy::querySent(Millis now)
{
    inFlight_ = true;
    soon_ = false;
    lastSent_ = now;
    dueAt_ = now + interval();
}

void ClockCheckPolicy::replyAccepted(Millis now)
{
    failures_ = 0;
    planNext(now);
}

void ClockCheckPolicy::queryFailed(Millis now)
{
    ++failures_;
    planNext(now);
}

void ClockCheckPolicy::kissOfDeath(sntp::Kiss kiss, Millis now)
{
    switch (kiss) {
    case sntp::Kiss::Deny:
    case sntp::Kiss::Restricted:
        refused_ = true;
        inFlight_ = false;
        return;
    case sntp::Kiss::Rate:
        ++rateKisses_;
        break;
    case sntp::Kiss::Other:
    case sntp::Kiss::None:
        ++failures_;
        break;
    }
    if (kiss == sntp::Kiss::Rate)
        soon_ = false;
    planNext(now);
}

} // namespace halvion
