#pragma once
// Moves the radio a moment before each ten-second slot starts, so the receiver is on the
// new band when the beacon begins its callsign. A precise timer is planned from the wall
// clock for each slot start less the lead; the tuning request then reaches the rig
// between the lead and about 0.2 s before the slot. Follow mode and scan mode both use
// one.
//
// The wall clock can be set while the timer waits (the time dialog, the system's time
// service, the user). The timer wakes at least once a second and plans from the clock
// as it reads then, and on Linux it is also woken the moment the clock is set, so after
// a jump either way the band of the slot that is due now is asked for at once.

#include <QObject>
#include <QTimer>
#include <QtGlobal>

#include <functional>

class QSocketNotifier;


namespace halvion {

class RetuneTimer : public QObject {
    Q_OBJECT
public:
    // How long before a slot starts the radio is asked to move.
    static constexpr qint64 LeadMs = 450;
    // The longest the timer sleeps without looking at the clock again.
    static constexpr qint64 CheckMs = 1000;
    static constexpr qint64 SlotMs = 10000;

    // The wall clock in milliseconds on a scale whose slots start at multiples of ten
    // seconds: UTC since 1970, or the local time of day (slot numbers then start again
    // at midnight).
    using WallClock = std::function<qint64()>;
    explicit RetuneTimer(WallClock wallMs, QObject *parent = nullptr);
    ~RetuneTimer() override;

    // Asks at once for the slot that is running (or starts within the lead), then for
    // each next slot in turn.
    void start();
    void stop();
    bool isActive() const { return active_; }

    // The timer's wake: asks for the slot that is due now if it was not asked for yet,
    // and plans the next wake. Tests call it after moving their clock.
    void Timer_Timer();

    // The slot a request at this instant is for: the one starting within the lead (and a
    // little slack for a timer that wakes a few milliseconds early), else the one running.
    static qint64 dueSlotAt(qint64 wallMs);

    QTimer *timer() const { return timer_; }

Q_SIGNALS:
    // Tune for this slot now (a slot number on the wall clock's scale).
    void slotDue(qint64 slotNumber);

private:
    void watchClockChanges(bool on);

    WallClock wall_;
    QTimer *timer_;
    QSocketNotifier *clockSet_ = nullptr;
    int clockSetFd_ = -1;
    bool active_ = false;
    qint64 lastSlot_ = 0;
    bool asked_ = false;
};

} // namespace halvion
