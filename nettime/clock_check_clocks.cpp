#include "clock_check_clocks.h"

#include <chrono>

#if defined(__linux__)
#include <time.h>
#endif

namespace halvion {

std::int64_t SystemClockCheckClocks::wallMicros() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

std::int64_t SystemClockCheckClocks::steadyMillis() const
{
#if defined(__linux__)
    // Counts the time asleep too, so a resume does not look like a step of the PC clock.
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) == 0)
        return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
#endif
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace halvion
