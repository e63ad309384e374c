#include "sample_stream.h"

#include "schedule_clock.h"

#include <cmath>

namespace halvion {

namespace SlotTiming {

qint64 slotNumberAt(qint64 utcMs)
{
    return utcMs >= 0 ? utcMs / SlotMs : -((-utcMs + SlotMs - 1) / SlotMs);
}

// The schedule only looks at minute and second, and every time zone is a whole number of
// three-minute cycles away from UTC, so the UTC minute and second give the slot.
BeaconIndex expectedStation(qint64 slotNumber, BandIndex band)
{
    const qint64 secondOfHour = ((slotNumber * 10) % 3600 + 3600) % 3600;
    const ScheduleTime t = ScheduleClock::fromMinuteSecond(int(secondOfHour / 60), int(secondOfHour % 60));
    return ScheduleClock::beaconOn(band, t.SlotIndex);
}

} // namespace SlotTiming

SlotAssembler::SlotAssembler(BandForSlot bandForSlot) : bandForSlot_(std::move(bandForSlot)) {}

void SlotAssembler::reset()
{
    rate_ = 0;
    received_ = 0;
    bufferStart_ = 0;
    buffer_.clear();
}

std::vector<SlotWindow> SlotAssembler::push(const float *samples, qsizetype count, double sampleRate,
                                            qint64 startUtcMs)
{
    std::vector<SlotWindow> done;
    if (count <= 0 || !(sampleRate > 0))
        return done;
    const double expectedMs = anchorMs_ + double(received_) * 1000.0 / rate_;
    if (rate_ != sampleRate || std::abs(double(startUtcMs) - expectedMs) > 250.0) {
        reset();
        rate_ = sampleRate;
        anchorMs_ = double(startUtcMs);
        // The first slot whose whole window lies in the stream.
        const double firstWindowMs = anchorMs_ + SlotWindow::LeadSeconds * 1000.0;
        nextSlot_ = qint64(std::ceil(firstWindowMs / double(SlotTiming::SlotMs)));
    }
    buffer_.insert(buffer_.end(), samples, samples + count);
    received_ += count;

    const auto indexAt = [this](double utcMs) { return qint64(std::llround((utcMs - anchorMs_) * rate_ / 1000.0)); };
    const qint64 span = qint64(std::llround(SlotWindow::SpanSeconds * rate_));
    for (;;) {
        const double windowStartMs = double(nextSlot_ * SlotTiming::SlotMs) - SlotWindow::LeadSeconds * 1000.0;
        const qint64 first = indexAt(windowStartMs);
        if (first + span > received_)
            break;
        const BandIndex band = bandForSlot_ ? bandForSlot_(nextSlot_) : -1;
        if (band >= 0 && band < BandCount && first >= bufferStart_) {
            SlotWindow w;
            w.slotNumber = nextSlot_;
            w.band = band;
            w.expected = SlotTiming::expectedStation(nextSlot_, band);
            w.sampleRate = rate_;
            const auto from = buffer_.begin() + (first - bufferStart_);
            w.samples.assign(from, from + span);
            done.push_back(std::move(w));
        }
        ++nextSlot_;
    }
    // Keep only what the next window still needs.
    const qint64 keepFrom = indexAt(double(nextSlot_ * SlotTiming::SlotMs) - SlotWindow::LeadSeconds * 1000.0);
    if (keepFrom > bufferStart_) {
        const qint64 drop = std::min<qint64>(keepFrom - bufferStart_, qint64(buffer_.size()));
        buffer_.erase(buffer_.begin(), buffer_.begin() + drop);
        bufferStart_ += drop;
    }
    return done;
}

} // namespace halvion
