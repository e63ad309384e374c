#pragma once
// The radio as the rest of the program sees it: configure, tune, test, and a state to
// show. It lives on the user-interface thread and never waits for the radio; the work
// is done by a RadioWorker on a thread of its own, made the first time a radio is
// switched on or tested.

#include "beacon_catalogue.h"
#include "radio_settings.h"
#include "radio_state.h"
#include "radio_worker.h"

#include <QObject>

#include <memory>
#include <optional>

class QThread;

namespace halvion {

class RadioControl : public QObject {
    Q_OBJECT
public:
    explicit RadioControl(QObject *parent = nullptr);
    ~RadioControl() override;

    void configure(const RadioSettings &settings);
    // Tunes to the frequency in CW. Requests that pile up while the radio is busy
    // collapse into the latest one.
    void tune(double frequencyHz);
    void tuneBand(BandIndex band) { tune(beaconFrequencyHz(band)); }
    // Opens the rig these settings describe, asks its frequency and closes it again.
    void test(const RadioSettings &settings);

    const RadioState &state() const { return state_; }
    QString stateText() const { return radioStateText(state_); }

    // Pauses between reopening attempts (doubling from the first to the longest) and
    // between readings of an open rig. Tests shorten them.
    void setTiming(int firstRetryMs, int longestRetryMs, int pollMs);

    // Closes the rig and ends the worker's thread, waiting at most waitMs for a call
    // that is stuck in a rig's timeout; true when the thread ended in time. Without it
    // the thread is left to end with the process.
    bool shutdown(int waitMs);

    // The worker (made now if it was not yet), as a context for calls that must run on
    // its thread (tests).
    QObject *workerContext() { return worker(); }

Q_SIGNALS:
    void stateChanged(const halvion::RadioState &state);
    void tuned(double frequencyHz);
    void testFinished(bool ok, const QString &text);

private:
    RadioWorker *worker();

    // Shared with the worker, which may outlive this object when a rig holds it up at exit.
    std::shared_ptr<TuneMailbox> mailbox_ = std::make_shared<TuneMailbox>();
    QThread *thread_ = nullptr;
    RadioWorker *worker_ = nullptr;
    RadioState state_;
    struct Timing {
        int firstRetryMs, longestRetryMs, pollMs;
    };
    std::optional<Timing> timing_;
    bool shutDown_ = false;
};

} // namespace halvion
