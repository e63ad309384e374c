#include "utc_clock.h"

#include <chrono>

namespace halvion {

UtcSeconds SystemUtcClock::nowUtc() const
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

UtcSeconds utcFromCivil(int year, int month, int day, int hour, int minute, int second)
{
    using namespace std::chrono;
    const sys_days date = year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
    return date.time_since_epoch().count() * 86400LL + hour * 3600LL + minute * 60LL + second;
}

} // namespace halvion
