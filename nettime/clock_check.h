#pragma once
// The clock check: knows, without any rights, how far the PC clock is off. It reads
// the system's own sync state at all times and, only when the user turned the check
// on, asks a time server now and then and measures the offset. Its one output is the
// badge beside "PC Time", sent whenever it changes.

#include "clock_check_badge.h"
#include "clock_check_clocks.h"
#include "clock_check_policy.h"
#include "kernel_clock.h"
#include "sntp_client.h"

#include <QObject>

#include <optional>

class QTimer;

namespace halvion {

class SettingsFile;
struct KeySpec;

namespace ClockCheckKeys {
// "True": the check is on. Missing or any other text: off. Written only when the user
// switches it.
extern const KeySpec Enabled;
// The time server, "host" or "host:port"; read before every question. Never written.
extern const KeySpec Server;
inline constexpr const char *DefaultServer = "time.nist.gov";
} // namespace ClockCheckKeys

class ClockCheck : public QObject {
    Q_OBJECT
public:
    // A measurement older than this no longer vouches for the clock.
    static constexpr std::int64_t FreshFor = 60 * 60 * 1000;
    // A step of the PC clock larger than this since the last measurement asks for a new one.
    static constexpr double StepWorthChecking = 0.5;
    static constexpr int WatchInterval = 2000;

    ClockCheck(SettingsFile &settings, const ClockCheckClocks &clocks, const KernelClockReader &kernel,
               QObject *parent = nullptr);

    // Reads the switch from the settings file and starts the watch; the first
    // question goes at once when the check is on.
    void load();
    bool enabled() const { return policy_.enabled(); }
    // The user's switch: written to the settings file, then the check starts or stops.
    void setEnabled(bool on);
    // The PC clock was just set: measure again as soon as the rules allow.
    void clockWasSet();
    // The beacon monitor's word on the clock: set while it finds the clock off from
    // the air, none otherwise. Forgotten when the clock is set.
    void setAirOffset(const std::optional<ClockCheckFacts::AirMeasurement> &air);

    // Sends a question if the rules allow one now, and plans the next look.
    void poll();
    // The watch's work: the system's sync state, steps of the PC clock, ageing.
    void watch();

    const ClockBadgeView &badge() const { return badge_; }
    const ClockCheckPolicy &policy() const { return policy_; }
    SntpClient &client() { return *client_; }
    QTimer *pollTimer() const { return pollTimer_; }
    QTimer *watchTimer() const { return watchTimer_; }
    // The PC clock's offset as it stands now (seconds ahead), when there is a measurement.
    std::optional<double> pcAhead() const;

Q_SIGNALS:
    void badgeChanged(const halvion::ClockBadgeView &view);

private:
    struct Measured {
        double pcAhead = 0;
        double delay = 0;
        std::int64_t wallMicros = 0;
        std::int64_t steadyMillis = 0;
        QString checkedAt;
    };

    void onMeasured(const SntpResult &result);
    void onKiss(sntp::Kiss kiss, const QString &code);
    void onFailed(SntpClient::Failure failure, const QString &detail);
    double stepSince(const Measured &m) const;
    QString nowText() const;
    QString configuredServer() const;
    void schedule();
    void refresh();

    SettingsFile &settings_;
    const ClockCheckClocks &clocks_;
    const KernelClockReader &kernel_;
    ClockCheckPolicy policy_;
    SntpClient *client_ = nullptr;
    QTimer *pollTimer_ = nullptr;
    QTimer *watchTimer_ = nullptr;
    QString server_;        // the server text of the last question
    QString refusedServer_; // the server that refused, while the refusal holds
    std::optional<Measured> measured_;
    double stepAsked_ = 0; // the step of the PC clock a new measurement was last asked for
    ClockCheckFacts::Trouble trouble_ = ClockCheckFacts::Trouble::None;
    QString troubleAt_, troubleDetail_;
    KernelClockState kernelState_;
    std::optional<ClockCheckFacts::AirMeasurement> air_;
    ClockBadgeView badge_;
};

} // namespace halvion
