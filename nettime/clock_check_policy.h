#pragma once
// When the clock check may ask its time server: never unless the user turned the check
// on; at once when turned on, then every 15 minutes; never more than one question
// open, never two within 4 seconds, whatever the user does; longer pauses while the
// server is silent or asks for fewer questions, and none at all once it refuses.
// Pure rules over a steady millisecond count; the clock check asks them before each
// query and tells them every outcome.

#include "sntp_packet.h"

#include <cstdint>
#include <optional>

namespace halvion {

class ClockCheckPolicy {
public:
    using Millis = std::int64_t;
    static constexpr Millis RegularInterval = 15 * 60 * 1000;
    static constexpr Millis MinimumSpacing = 4000;
    static constexpr Millis ReplyTimeout = 5000;
    // The longest pause back-off may reach: after silence, and after "slow down" replies.
    static constexpr Millis LongestSilenceInterval = 2 * 60 * 60 * 1000;
    static constexpr Millis LongestRateInterval = 24 * 60 * 60 * 1000;

    bool enabled() const { return enabled_; }
    bool inFlight() const { return inFlight_; }
    // The server said DENY or RSTR: no more questions to it.
    bool refused() const { return refused_; }
    // The pause between regular questions as it stands now.
    Millis interval() const;

    // The user's switch. Turning on makes a question due at once (the 4-second rule
    // still holds); turning off drops a question that is still open.
    void setEnabled(bool on, Millis now);
    // Another server: its refusal and back-off do not carry over; a question is due.
    void serverChanged(Millis now);
    // The PC clock was set: a new measurement is due as soon as the rules allow.
    void requestSoon(Millis now);

    // Milliseconds until the next question may go (0: now); nullopt while none is
    // planned: off, refused, or a question is open.
    std::optional<Millis> nextQueryIn(Millis now) const;
    bool mayQueryNow(Millis now) const { return nextQueryIn(now) == Millis{0}; }

    void querySent(Millis now);
    void replyAccepted(Millis now);
    // No reply in time, or a reply that could not be used.
    void queryFailed(Millis now);
    void kissOfDeath(sntp::Kiss kiss, Millis now);

private:
    bool enabled_ = false;
    bool inFlight_ = false;
    bool refused_ = false;
    std::optional<Millis> lastSent_;
    Millis dueAt_ = 0;
    int failures_ = 0;      // in a row, reset by a good reply
    int rateKisses_ = 0;    // kept until the server changes
    bool soon_ = false;     // a measurement was asked for that no question sent so far answers
    void planNext(Millis now);
};

} // namespace halvion
