#pragma once
// The clock check's packets: the 48-byte request a simple time client sends to a time
// server's UDP port 123, and the reading and judging of the server's reply. Pure
// functions over bytes and 64-bit time stamps; no sockets, no clock.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace halvion::sntp {

// A time stamp as it travels: whole seconds since 1 January 1900 in the high 32 bits,
// the fraction of a second in the low 32. The seconds wrap every 136 years; only
// differences between nearby stamps are ever used, and those survive the wrap.
using Timestamp = std::uint64_t;

inline constexpr std::size_t PacketSize = 48;
inline constexpr std::uint16_t DefaultPort = 123;

// Microseconds since 1970 (UTC) as a time stamp.
Timestamp fromUnixMicros(std::int64_t micros);
// later - earlier in seconds, negative when "later" is the earlier one; right whenever
// the two lie within 68 years of each other.
double secondsBetween(Timestamp later, Timestamp earlier);

// A client request: version 4, mode 3 (client), every field zero except the transmit
// time stamp, which the server echoes in its reply as the origin.
std::array<std::uint8_t, PacketSize> requestPacket(Timestamp transmit);

// The fields of a packet as they came. Extension fields and a key/digest after the 48
// header bytes are ignored.
struct Packet {
    int leap = 0;       // 0..3; 3 is "clock not synchronised"
    int version = 0;    // 0..7
    int mode = 0;       // 0..7; 4 is a server's reply
    int stratum = 0;    // 0 is a kiss-o'-death, 1..15 a synchronised server
    int poll = 0;
    int precision = 0;
    std::uint32_t rootDelay = 0;      // 16.16 fixed point seconds
    std::uint32_t rootDispersion = 0; // 16.16 fixed point seconds
    std::uint32_t referenceId = 0;    // with stratum 0: the kiss code in four ASCII letters
    Timestamp reference = 0, origin = 0, receive = 0, transmit = 0;
};

// nullopt when fewer than 48 bytes came.
std::optional<Packet> readPacket(const std::uint8_t *data, std::size_t size);

// What a reply means to the client that sent the request with this transmit stamp.
enum class Verdict {
    Accepted,       // a good reply: measure with it
    NotOurs,        // the origin does not echo our request: dropped without a word
    Malformed,      // not a server reply of a version we speak, or no transmit time
    Unsynchronised, // the server's own clock is not synchronised (leap indicator 3)
    BadStratum,     // stratum above 15
    BadRootDelay,   // root delay or dispersion negative or a second and more
    MissingStamp,   // no receive or no transmit time
    StampsReversed, // the reply left the server before the request reached it
    BadRoundTrip,   // (judgeRoundTrip) a round trip below zero or beyond the longest wait
    KissOfDeath,    // stratum 0: the server refuses, see kissCode
};

enum class Kiss { None, Rate, Deny, Restricted, Other };

struct Judgement {
    Verdict verdict = Verdict::Malformed;
    Kiss kiss = Kiss::None;
    std::string kissCode; // the four letters as sent, unprintable bytes as '?'
};

Judgement judgeReply(const Packet &reply, Timestamp sentTransmit);

// Offset of the server's clock from ours and the round trip, from the four stamps:
// t1 request left us, t2 it reached the server, t3 the reply left the server, t4 it
// reached us. A positive offset means our clock is behind.
struct Measurement {
    double offset = 0; // seconds
    double delay = 0;  // seconds; below 0 only when a stamp is wrong
};
Measurement measure(Timestamp t1, Timestamp t2, Timestamp t3, Timestamp t4);

// A measurement is believed only with a round trip from 0 to `longest` seconds (the
// time the client waits for a reply): anything else means a stamp is wrong, the
// server's or ours (the PC clock stepped while the question was out), and so is the
// offset. Accepted or BadRoundTrip.
Verdict judgeRoundTrip(const Measurement &m, double longest);

} // namespace halvion::sntp
