#pragma once
// What the operating system itself knows about the PC clock: whether a time service
// keeps it synchronised and how large it estimates the error. Read-only, needs no
// rights. On Linux this is the kernel's clock discipline state; elsewhere it is unknown.

namespace halvion {

struct KernelClockState {
    enum class Sync { Synchronised, Unsynchronised, Unknown };
    Sync sync = Sync::Unknown;
    // The kernel's estimated and maximum error in seconds; negative when not known.
    double estimatedError = -1;
    double maximumError = -1;
};

// The state from the raw answer of the clock discipline read: its return code, the
// status bits and the two error figures in microseconds. A failed read is unknown.
KernelClockState interpretKernelClock(int returnCode, int status, long estErrorMicros, long maxErrorMicros);

// Where the clock check gets the kernel's state from; tests give their own.
class KernelClockReader {
public:
    virtual ~KernelClockReader() = default;
    virtual KernelClockState read() const = 0;
};

class SystemKernelClockReader final : public KernelClockReader {
public:
    KernelClockState read() const override;
};

} // namespace halvion
