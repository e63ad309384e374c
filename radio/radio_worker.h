#pragma once
// The radio's own thread. Hamlib calls block for up to the rig's timeout, so only this
// worker makes them; the user interface hands it tuning requests and hears back its
// state. Only the latest tuning request counts: a request that arrives while the worker
// is busy replaces the one still waiting. The rig is opened on first use, read every
// second while open (so a radio that stopped answering or went away shows within about
// two seconds, even while nothing is tuned), reopened after an error with a growing pause and then tuned back to where the
// program last put it (a restarted rigctld or radio has forgotten), and closed when the
// worker stops.

#include "hamlib_rig.h"
#include "radio_settings.h"
#include "radio_state.h"

#include <QObject>

#include <memory>
#include <mutex>
#include <optional>

class QTimer;

namespace halvion {

// The latest tuning request, handed from the user-interface thread to the worker.
class TuneMailbox {
public:
    void put(double frequencyHz)
    {
        std::lock_guard lock(mutex_);
        frequencyHz_ = frequencyHz;
    }
    std::optional<double> take()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(frequencyHz_, std::nullopt);
    }

private:
    std::mutex mutex_;
    std::optional<double> frequencyHz_;
};

class RadioWorker : public QObject {
    Q_OBJECT
public:
    explicit RadioWorker(std::shared_ptr<TuneMailbox> mailbox, QObject *parent = nullptr);

    // All of these run on the worker's thread.
    void configure(const RadioSettings &settings);
    void takeTuneRequest();
    void runTest(const RadioSettings &settings);
    void setTiming(int firstRetryMs, int longestRetryMs, int pollMs);
    void stop();

Q_SIGNALS:
    void stateChanged(const halvion::RadioState &state);
    // A tuning request reached the rig.
    void tuned(double frequencyHz);
    void testFinished(bool ok, const QString &text);

private:
    void attempt();
    void poll();
    void fail(const RigFailure &failure);
    void setState(const RadioState &state);
    RadioState connectedState(const RigReading &reading) const;

    std::shared_ptr<TuneMailbox> mailbox_;
    RadioSettings settings_;
    bool usable_ = false; // switched on, with settings that can be tried
    QString modelLabel_;
    QString portLabel_; // the port as configured, for a rig that has one
    HamlibRig rig_;
    QTimer *retryTimer_;
    QTimer *pollTimer_;
    int firstRetryMs_ = 1000;
    int longestRetryMs_ = 4000; // a restarted rigctld is found again within seconds
    int nextRetryMs_ = 1000;
    std::optional<double> wanted_; // the latest request not yet on the rig
    std::optional<double> lastTuned_; // put back after the rig was lost and found again
    RadioState state_;
};

} // namespace halvion
