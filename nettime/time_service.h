#pragma once
// What the time dialog works with besides the settings: the servers it offers, the
// clock setter, the message boxes and the pacing of queries. The program holds one for
// its whole run; tests and the demonstration build point it at a local server and a
// recording clock setter.

#include "address_defaults.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace halvion {

class ClockSetter;
class MessageSink;

struct DaytimeServer {
    std::string hostName; // shown in the list
    std::string address;  // dotted quad, used for the connection
};

struct TimeServerTable {
    static constexpr std::uint16_t DaytimePort = 13;

    std::vector<DaytimeServer> servers;
    std::uint16_t port = DaytimePort;

    // The six NIST daytime servers the program ships with; the first is the default.
    static TimeServerTable builtIn()
    {
        TimeServerTable table;
        for (const NistServer &s : NistServerTable)
            table.servers.push_back({std::string(s.hostName), std::string(s.address)});
        return table;
    }
};

// NIST asks its clients not to query a server more than once every four seconds and
// may block those that do. The pacer remembers when the last query went out, for the
// whole run of the program, so reopening the dialog does not get around it.
class QueryPacer {
public:
    static constexpr std::int64_t MinimumSpacingMs = 4000;
    // Milliseconds on a steady clock; tests give their own.
    using Clock = std::function<std::int64_t()>;

    QueryPacer() : now_(steadyMilliseconds) {}
    explicit QueryPacer(Clock now) : now_(std::move(now)) {}

    // How long the next query must still wait; 0 when it may go out now.
    int waitBeforeQuery() const
    {
        if (!last_)
            return 0;
        const std::int64_t elapsed = now_() - *last_;
        return elapsed >= MinimumSpacingMs || elapsed < 0 ? 0 : static_cast<int>(MinimumSpacingMs - elapsed);
    }
    void queried() { last_ = now_(); }

    static std::int64_t steadyMilliseconds()
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

private:
    Clock now_;
    std::optional<std::int64_t> last_;
};

struct TimeService {
    TimeServerTable table = TimeServerTable::builtIn();
    ClockSetter *setter = nullptr;
    MessageSink *messages = nullptr;
    QueryPacer pacer{};
};

} // namespace halvion
