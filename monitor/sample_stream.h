#pragma once
// The one way audio reaches the monitor: blocks of mono float samples, each with the
// UTC time of its first sample. The live input and a recording both deliver them; the
// SlotAssembler cuts them into slot windows for the band the receiver is on.

#include "slot_window.h"

#include <QtGlobal>

#include <functional>
#include <vector>

namespace halvion {

class SlotAssembler {
public:
    // The band the receiver is on during a slot; -1 when nothing is to be measured.
    using BandForSlot = std::function<BandIndex(qint64 slotNumber)>;

    explicit SlotAssembler(BandForSlot bandForSlot);

    // Adds samples that start at startUtcMs and returns every slot window they complete.
    // A block that does not follow the previous one (a gap or jump of more than a quarter
    // second, or a new sample rate) starts the stream afresh.
    std::vector<SlotWindow> push(const float *samples, qsizetype count, double sampleRate, qint64 startUtcMs);
    void reset();

private:
    BandForSlot bandForSlot_;
    double rate_ = 0;
    double anchorMs_ = 0;     // UTC time of absolute sample 0
    qint64 received_ = 0;     // absolute samples received since the anchor
    qint64 bufferStart_ = 0;  // absolute index of buffer_[0]
    std::vector<float> buffer_;
    qint64 nextSlot_ = 0;
};

} // namespace halvion
