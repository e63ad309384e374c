#pragma once
// Where the program's time comes from. One reading gives the local hour, minute,
// second (and the milliseconds into that second, used only to line a one-second
// timer up with the clock), so a tick that formats the PC time and works out the
// beacon slot uses the very same instant for both.

namespace halvion {

struct ClockReading {
    int hour = 0;        // 0..23, local time
    int minute = 0;      // 0..59
    int second = 0;      // 0..59
    int millisecond = 0; // 0..999
    int utcOffsetSeconds = 0; // local time less UTC at this instant (3600 for UTC+1)
};

class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual ClockReading now() const = 0;
};

// The PC clock, local time.
class SystemClockSource final : public ClockSource {
public:
    ClockReading now() const override;
};

// A clock that stands still until it is told otherwise; tests drive ticks with it.
class FakeClockSource final : public ClockSource {
public:
    FakeClockSource() = default;
    FakeClockSource(int hour, int minute, int second) { set(hour, minute, second); }
    ClockReading now() const override { return reading_; }
    void set(int hour, int minute, int second, int millisecond = 0)
    {
        reading_ = {hour, minute, second, millisecond, reading_.utcOffsetSeconds};
    }
    void setUtcOffset(int seconds) { reading_.utcOffsetSeconds = seconds; }
    // Moves the clock on by whole seconds, across minutes, hours and midnight.
    void advance(int seconds);

private:
    ClockReading reading_;
};

} // namespace halvion
