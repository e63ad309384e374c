#include "kernel_clock.h"

#if defined(__linux__)
#include <sys/timex.h>
#endif

namespace halvion {

namespace {
// The kernel's values, spelled out so that the interpretation also builds elsewhere.
constexpr int TimeError = 5;     // TIME_ERROR: the clock is not synchronised
constexpr int StatusUnsync = 0x40; // STA_UNSYNC
} // namespace

KernelClockState interpretKernelClock(int returnCode, int status, long estErrorMicros, long maxErrorMicros)
{
    KernelClockState state;
    if (returnCode < 0)
        return state;
    const bool unsynced = returnCode == TimeError || (status & StatusUnsync) != 0;
    state.sync = unsynced ? KernelClockState::Sync::Unsynchronised : KernelClockState::Sync::Synchronised;
    state.estimatedError = estErrorMicros >= 0 ? static_cast<double>(estErrorMicros) / 1e6 : -1;
    state.maximumError = maxErrorMicros >= 0 ? static_cast<double>(maxErrorMicros) / 1e6 : -1;
    return state;
}

KernelClockState SystemKernelClockReader::read() const
{
#if defined(__linux__)
    static_assert(TIME_ERROR == TimeError && STA_UNSYNC == StatusUnsync);
    struct timex tx {};
    tx.modes = 0; // read only: no rights needed, nothing changes
    const int rc = ntp_adjtime(&tx);
    return interpretKernelClock(rc, tx.status, tx.esterror, tx.maxerror);
#else
    return {};
#endif
}

} // namespace halvion
