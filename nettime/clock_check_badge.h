#pragma once
// What the clock badge beside "PC Time" says: its colour, its short text and its
// tooltip, worked out from what the clock check knows. Calm within 0.2 s, amber up
// to 0.5 s, red beyond that with the offset; with the check off, or before its first
// answer, the system's own sync state alone.

#include "kernel_clock.h"

#include <QString>

#include <optional>

namespace halvion {

enum class BadgeLevel { Calm, Amber, Red, Unknown };

struct ClockBadgeView {
    BadgeLevel level = BadgeLevel::Unknown;
    bool measured = false; // from a measurement; otherwise from the system's sync state
    QString text;          // shown on the badge: the offset when red, else empty
    QString toolTip;
    QString summary; // one line for other windows' tooltips
    bool operator==(const ClockBadgeView &) const = default;
};

struct ClockCheckFacts {
    bool enabled = false;
    KernelClockState kernel;
    QString server;

    struct Measurement {
        double pcAhead = 0;  // seconds the PC clock is ahead of the server; negative: behind
        double delay = 0;    // round trip, seconds
        QString checkedAt;   // PC time of the check, "hh:mm:ss AMPM"
        bool stale = false;  // too old to vouch for the clock now
    };
    std::optional<Measurement> measurement;

    // The PC clock's error measured from the air by the beacon monitor (the beacons
    // are GPS-timed), present only while the monitor finds the clock off beyond its
    // tolerance over several slots in a row.
    struct AirMeasurement {
        double pcAhead = 0; // seconds, median over the slots
        int slots = 0;      // how many slots the median was taken over
    };
    std::optional<AirMeasurement> air;

    enum class Trouble { None, Waiting, NoServer, NotFound, NoReply, BadReply, SlowDown, Refused };
    Trouble trouble = Trouble::None;
    QString troubleAt;     // PC time of the trouble
    QString troubleDetail; // the kiss code, or what was wrong with a reply
    int nextCheckMinutes = 0; // with SlowDown: the pause now asked for
};

BadgeLevel levelForOffset(double pcAhead);
// "+3.0 s", "-42 s", "+17 min", "+5 h", "+3 d": short enough for the badge.
QString badgeOffsetText(double pcAhead);
ClockBadgeView clockBadgeView(const ClockCheckFacts &facts);

} // namespace halvion
