#include "clock_source.h"

#include <chrono>
#include <ctime>

namespace halvion {

ClockReading SystemClockSource::now() const
{
    using namespace std::chrono;
    const auto t = system_clock::now();
    const auto secs = time_point_cast<seconds>(t);
    const std::time_t tt = system_clock::to_time_t(secs);
    std::tm local{};
    localtime_r(&tt, &local);
    const int ms = static_cast<int>(duration_cast<milliseconds>(t - secs).count());
    // localtime_r can report a leap second as 60; the schedule knows only 0..59.
    return {local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, ms, static_cast<int>(local.tm_gmtoff)};
}

void FakeClockSource::advance(int seconds)
{
    constexpr int Day = 24 * 3600;
    int total = reading_.hour * 3600 + reading_.minute * 60 + reading_.second + seconds;
    total = ((total % Day) + Day) % Day;
    reading_.hour = total / 3600;
    reading_.minute = total / 60 % 60;
    reading_.second = total % 60;
}

} // namespace halvion
