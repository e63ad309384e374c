#pragma once
// When a datagram reached this machine, as the system noted it on arrival, so that a
// time server's reply read late by a busy program thread is still dated to the moment
// it came in. Linux keeps such stamps on request (software receive time stamps);
// elsewhere there are none and the caller reads its clock when it gets to the datagram.

#include <cstdint>
#include <optional>

namespace halvion::sntp {

// Asks the system to stamp every datagram this socket receives; false where it cannot.
// The system may switch stamping on a moment later: datagrams that arrive before
// that come unstamped.
bool enableArrivalStamps(std::intptr_t socket);

// The arrival stamp of the datagram next in the socket's queue, left in the queue:
// microseconds since 1970 on the system's real-time clock. nullopt when nothing is
// queued or the datagram came unstamped.
std::optional<std::int64_t> peekArrivalStamp(std::intptr_t socket);

} // namespace halvion::sntp
