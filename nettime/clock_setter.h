#pragma once
// Setting the PC clock. The time dialog knows only this one call; the program hands it
// the system's setter, tests a recording fake, so no test ever moves this machine's clock.

#include "daytime_reply.h"

#include <vector>

namespace halvion {

class ClockSetter {
public:
    virtual ~ClockSetter() = default;
    // Sets the clock to the record (UTC); false when the record is not a valid time or
    // the system refused.
    virtual bool set(const SystemTimeRecord &record) = 0;
};

// The system clock. Windows: SetSystemTime. Linux and other Unix systems: the record is
// checked as SetSystemTime checks it, then clock_settime; when that is refused for lack
// of privilege, systemd-timedated is asked over D-Bus with interactive authorisation, so
// the desktop asks for the administrator's password. The request is made relative to
// the clock (the correction, not the time itself), so the time taken to type the
// password does not make the clock late. timedated refuses while automatic time
// synchronisation is on; that counts as any other refusal.
class SystemClockSetter final : public ClockSetter {
public:
    bool set(const SystemTimeRecord &record) override;
};

// Remembers every record it is given and answers with `result`.
class RecordingClockSetter final : public ClockSetter {
public:
    bool set(const SystemTimeRecord &record) override
    {
        records.push_back(record);
        return result;
    }
    std::vector<SystemTimeRecord> records;
    bool result = true;
};

} // namespace halvion
