#pragma once
// The date and time in UTC, for what depends on the sun: the greyline. The beacon
// schedule needs only the local minute and second (ClockSource); the sun needs the
// whole instant. Tests and screenshots set it.

#include <cstdint>

namespace halvion {

// Seconds since 1970-01-01 00:00:00 UTC.
using UtcSeconds = std::int64_t;

class UtcClock {
public:
    virtual ~UtcClock() = default;
    virtual UtcSeconds nowUtc() const = 0;
};

class SystemUtcClock final : public UtcClock {
public:
    UtcSeconds nowUtc() const override;
};

class FakeUtcClock final : public UtcClock {
public:
    explicit FakeUtcClock(UtcSeconds t = 0) : t_(t) {}
    UtcSeconds nowUtc() const override { return t_; }
    void set(UtcSeconds t) { t_ = t; }
    void advance(UtcSeconds seconds) { t_ += seconds; }

private:
    UtcSeconds t_;
};

// The instant of a UTC calendar date and time (proleptic Gregorian calendar).
UtcSeconds utcFromCivil(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

} // namespace halvion
