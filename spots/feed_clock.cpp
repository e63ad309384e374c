#include "feed_clock.h"

#include <QDateTime>

#include <chrono>

namespace halvion {

qint64 SystemFeedClock::utcMs() const { return QDateTime::currentMSecsSinceEpoch(); }

qint64 SystemFeedClock::steadyMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace halvion
