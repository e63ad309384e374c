#include "retune_timer.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>

#include <ctime>
#endif

namespace halvion {

namespace {

// Slack for a timer that wakes a few milliseconds before its time.
constexpr qint64 EarlyWakeMs = 50;
// Slot numbers on the local time of day start again at midnight.
constexpr qint64 SlotsPerDay = 24 * 3600 * 1000 / RetuneTimer::SlotMs;

qint64 floorDiv(qint64 a, qint64 b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

bool sameSlot(qint64 a, qint64 b) { return (a - b) % SlotsPerDay == 0; }

#ifdef __linux__
// Arms the descriptor so that any setting of the wall clock wakes it.
bool armClockSetWatch(int fd)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    itimerspec farAway{};
    farAway.it_value.tv_sec = now.tv_sec + 365L * 24 * 3600; // never reached
    return timerfd_settime(fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &farAway, nullptr) == 0;
}
#endif

} // namespace

RetuneTimer::RetuneTimer(WallClock wallMs, QObject *parent) : QObject(parent), wall_(std::move(wallMs)), timer_(new QTimer(this))
{
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &RetuneTimer::Timer_Timer);
}

RetuneTimer::~RetuneTimer() { watchClockChanges(false); }

qint64 RetuneTimer::dueSlotAt(qint64 wallMs) { return floorDiv(wallMs + LeadMs + EarlyWakeMs, SlotMs); }

void RetuneTimer::start()
{
    active_ = true;
    asked_ = false;
    watchClockChanges(true);
    Timer_Timer();
}

void RetuneTimer::stop()
{
    active_ = false;
    timer_->stop();
    watchClockChanges(false);
}

void RetuneTimer::Timer_Timer()
{
    if (!active_)
        return;
    const qint64 now = wall_();
    const qint64 due = dueSlotAt(now);
    // The wake is planned before the request goes out: a receiver of slotDue may stop
    // this timer.
    const qint64 nextRequest = (due + 1) * SlotMs - LeadMs;
    timer_->start(int(std::clamp<qint64>(nextRequest - now, 1, CheckMs)));
    if (asked_ && sameSlot(due, lastSlot_))
        return;
    asked_ = true;
    lastSlot_ = due;
    Q_EMIT slotDue(due);
}

void RetuneTimer::watchClockChanges(bool on)
{
#ifdef __linux__
    if (on && clockSetFd_ < 0) {
        clockSetFd_ = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
        if (clockSetFd_ < 0)
            return; // the once-a-second look at the clock still notices
        if (!armClockSetWatch(clockSetFd_)) {
            ::close(clockSetFd_);
            clockSetFd_ = -1;
            return;
        }
        clockSet_ = new QSocketNotifier(clockSetFd_, QSocketNotifier::Read, this);
        connect(clockSet_, &QSocketNotifier::activated, this, [this] {
            quint64 expired = 0;
            [[maybe_unused]] const auto n = ::read(clockSetFd_, &expired, sizeof expired); // ECANCELED: the clock was set
            armClockSetWatch(clockSetFd_);
            Timer_Timer();
        });
    } else if (!on && clockSetFd_ >= 0) {
        delete clockSet_;
        clockSet_ = nullptr;
        ::close(clockSetFd_);
        clockSetFd_ = -1;
    }
#else
    Q_UNUSED(on);
#endif
}

} // namespace halvion
