// Feeds arbitrary bytes to the time server reply reader as a reply to a request whose
// transmit stamp is taken from the same bytes, and checks what must hold whatever
// arrives: fewer than 48 bytes are never read, a reply is accepted only when it echoes
// the request from a synchronised server in range with both its stamps present and in
// order, a refusal is told only to the one who asked, and every measurement from the
// stamps is a finite number, believed only with a round trip from zero to the wait.

#include "sntp_packet.h"
#include "fuzz_check.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace halvion::sntp;

namespace {

Timestamp firstStamp(const std::uint8_t *data, std::size_t size)
{
    Timestamp t = 0;
    for (std::size_t i = 0; i < 8 && i < size; ++i)
        t = (t << 8) | data[i];
    return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto packet = readPacket(data, size);
    CHECK(packet.has_value() == (size >= PacketSize));
    if (!packet)
        return 0;
    CHECK(packet->leap >= 0 && packet->leap <= 3);
    CHECK(packet->version >= 0 && packet->version <= 7);
    CHECK(packet->mode >= 0 && packet->mode <= 7);
    CHECK(packet->stratum >= 0 && packet->stratum <= 255);

    // Half the runs ask with the packet's own origin, so the deeper checks are reached.
    const Timestamp nonce = (size > PacketSize && (data[PacketSize] & 1)) ? firstStamp(data + 1, size - 1)
                                                                           : packet->origin;
    const Judgement j = judgeReply(*packet, nonce);
    CHECK((j.verdict == Verdict::NotOurs) == (packet->origin != nonce));
    CHECK((j.verdict == Verdict::KissOfDeath) == (j.kiss != Kiss::None));
    CHECK(j.kissCode.size() <= 4);
    for (char c : j.kissCode)
        CHECK(c >= 0x20 && c < 0x7f);
    if (j.verdict == Verdict::KissOfDeath)
        CHECK(packet->stratum == 0 && packet->mode == 4);
    if (j.verdict == Verdict::Accepted) {
        CHECK(packet->mode == 4 && packet->version >= 1 && packet->version <= 4);
        CHECK(packet->stratum >= 1 && packet->stratum <= 15);
        CHECK(packet->leap != 3);
        CHECK(packet->receive != 0 && packet->transmit != 0);
        CHECK(secondsBetween(packet->transmit, packet->receive) >= 0);
        CHECK(packet->rootDelay < 0x10000u && packet->rootDispersion < 0x10000u);
    }
    if (j.verdict == Verdict::MissingStamp)
        CHECK(packet->receive == 0 || packet->transmit == 0);
    if (j.verdict == Verdict::StampsReversed)
        CHECK(secondsBetween(packet->transmit, packet->receive) < 0);
    CHECK(j.verdict != Verdict::BadRoundTrip); // only the round trip judge says that

    // The reference and origin fields stand in for our own send and arrival stamps.
    const Measurement m = measure(packet->reference, packet->receive, packet->transmit, packet->origin);
    CHECK(std::isfinite(m.offset) && std::isfinite(m.delay));
    const double longest = (data[0] & 0x0f) + 0.5;
    const Verdict trip = judgeRoundTrip(m, longest);
    CHECK(trip == Verdict::Accepted || trip == Verdict::BadRoundTrip);
    CHECK((trip == Verdict::Accepted) == (m.delay >= 0 && m.delay <= longest));
    if (trip == Verdict::Accepted && j.verdict == Verdict::Accepted) {
        // Both legs lie within the round trip, so the offset is within half of it of
        // what either leg alone says.
        const double there = secondsBetween(packet->receive, packet->reference);
        CHECK(std::fabs(m.offset - there) <= m.delay / 2 + 1e-5);
    }

    // Our own request reads back as a client's question and is never taken as a reply.
    const auto request = requestPacket(packet->transmit);
    const auto back = readPacket(request.data(), request.size());
    CHECK(back && back->mode == 3 && back->version == 4 && back->transmit == packet->transmit);
    CHECK(judgeReply(*back, packet->transmit).verdict != Verdict::Accepted);
    return 0;
}
