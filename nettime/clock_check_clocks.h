#pragma once
// The two clocks the clock check reads: the PC clock (what is being checked, in
// microseconds since 1970) and a steady count that only moves forward, also across
// suspend, for pauses and for noticing when the PC clock is stepped. Tests give their own.

#include <cstdint>

namespace halvion {

class ClockCheckClocks {
public:
    virtual ~ClockCheckClocks() = default;
    virtual std::int64_t wallMicros() const = 0;
    virtual std::int64_t steadyMillis() const = 0;
    // The PC clock's reading at an instant the system noted on its own real-time
    // clock (microseconds since 1970), such as a datagram's arrival.
    virtual std::int64_t wallMicrosAt(std::int64_t systemMicros) const = 0;
};

class SystemClockCheckClocks final : public ClockCheckClocks {
public:
    std::int64_t wallMicros() const override;
    std::int64_t steadyMillis() const override;
    std::int64_t wallMicrosAt(std::int64_t systemMicros) const override { return systemMicros; }
};

} // namespace halvion
