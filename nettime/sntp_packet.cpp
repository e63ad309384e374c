#include "sntp_packet.h"

namespace halvion::sntp {

namespace {

constexpr std::int64_t SecondsFrom1900To1970 = 2208988800;
constexpr double FractionScale = 4294967296.0; // 2^32

std::uint32_t read32(const std::uint8_t *p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

Timestamp read64(const std::uint8_t *p)
{
    return (Timestamp{read32(p)} << 32) | read32(p + 4);
}

void write64(std::uint8_t *p, Timestamp value)
{
    for (int i = 7; i >= 0; --i) {
        p[i] = static_cast<std::uint8_t>(value & 0xff);
        value >>= 8;
    }
}

std::string kissLetters(std::uint32_t id)
{
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<char>((id >> shift) & 0xff);
        if (c == '\0')
            break;
        code += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    return code;
}

} // namespace

Timestamp fromUnixMicros(std::int64_t micros)
{
    std::int64_t seconds = micros / 1000000;
    std::int64_t rest = micros % 1000000;
    if (rest < 0) {
        rest += 1000000;
        --seconds;
    }
    const auto ntpSeconds = static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds + SecondsFrom1900To1970));
    const auto fraction = static_cast<std::uint32_t>((static_cast<std::uint64_t>(rest) << 32) / 1000000);
    return (Timestamp{ntpSeconds} << 32) | fraction;
}

double secondsBetween(Timestamp later, Timestamp earlier)
{
    return static_cast<double>(static_cast<std::int64_t>(later - earlier)) / FractionScale;
}

std::array<std::uint8_t, PacketSize> requestPacket(Timestamp transmit)
{
    std::array<std::uint8_t, PacketSize> packet{};
    packet[0] = (0 << 6) | (4 << 3) | 3; // no leap warning, version 4, client
    write64(packet.data() + 40, transmit);
    return packet;
}

std::optional<Packet> readPacket(const std::uint8_t *data, std::size_t size)
{
    if (data == nullptr || size < PacketSize)
        return std::nullopt;
    Packet p;
    p.leap = data[0] >> 6;
    p.version = (data[0] >> 3) & 7;
    p.mode = data[0] & 7;
    p.stratum = data[1];
    p.poll = static_cast<std::int8_t>(data[2]);
    p.precision = static_cast<std::int8_t>(data[3]);
    p.rootDelay = read32(data + 4);
    p.rootDispersion = read32(data + 8);
    p.referenceId = read32(data + 12);
    p.reference = read64(data + 16);
    p.origin = read64(data + 24);
    p.receive = read64(data + 32);
    p.transmit = read64(data + 40);
    return p;
}

Judgement judgeReply(const Packet &reply, Timestamp sentTransmit)
{
    Judgement j;
    // A packet that does not echo our request may be forged or stale: it says nothing,
    // not even a refusal.
    if (reply.origin != sentTransmit) {
        j.verdict = Verdict::NotOurs;
        return j;
    }
    if (reply.mode != 4 || reply.version < 1 || reply.version > 4) {
        j.verdict = Verdict::Malformed;
        return j;
    }
    if (reply.stratum == 0) {
        j.verdict = Verdict::KissOfDeath;
        j.kissCode = kissLetters(reply.referenceId);
        if (j.kissCode == "RATE")
            j.kiss = Kiss::Rate;
        else if (j.kissCode == "DENY")
            j.kiss = Kiss::Deny;
        else if (j.kissCode == "RSTR")
            j.kiss = Kiss::Restricted;
        else
            j.kiss = Kiss::Other;
        return j;
    }
    if (reply.leap == 3)
        j.verdict = Verdict::Unsynchronised;
    else if (reply.stratum > 15)
        j.verdict = Verdict::BadStratum;
    else if (reply.receive == 0 || reply.transmit == 0)
        j.verdict = Verdict::MissingStamp;
    else if (secondsBetween(reply.transmit, reply.receive) < 0)
        j.verdict = Verdict::StampsReversed;
    // As signed 16.16 numbers both must lie in [0, 1 s).
    else if (reply.rootDelay >= 0x00010000u || reply.rootDispersion >= 0x00010000u)
        j.verdict = Verdict::BadRootDelay;
    else
        j.verdict = Verdict::Accepted;
    return j;
}

Measurement measure(Timestamp t1, Timestamp t2, Timestamp t3, Timestamp t4)
{
    const double there = secondsBetween(t2, t1);
    const double back = secondsBetween(t3, t4);
    Measurement m;
    m.offset = (there + back) / 2.0;
    m.delay = secondsBetween(t4, t1) - secondsBetween(t3, t2);
    return m;
}

Verdict judgeRoundTrip(const Measurement &m, double longest)
{
    return m.delay >= 0 && m.delay <= longest ? Verdict::Accepted : Verdict::BadRoundTrip;
}

} // namespace halvion::sntp
