// Feeds arbitrary bytes to the daytime reply reader as a server's reply and checks what
// must hold whatever the server sent: a failed date and time check yields the zero
// date-time, a passed one a real date of this century whose Modified Julian Date (when
// the reply states one) agrees; a healthy reply with an advance from 0 to 999.9 ms
// makes a record the clock setter accepts, the stated time less the advance to within
// half a millisecond. The lenient advance reader gets the whole input too.

#include "daytime_reply.h"
#include "fuzz_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace halvion;

namespace {

std::int64_t microseconds(const UtcDateTime &t)
{
    const SystemTimeRecord r{static_cast<std::uint16_t>(t.year),   static_cast<std::uint16_t>(t.month),  0,
                             static_cast<std::uint16_t>(t.day),    static_cast<std::uint16_t>(t.hour),
                             static_cast<std::uint16_t>(t.minute), static_cast<std::uint16_t>(t.second), 0};
    CHECK(isValidSystemTime(r));
    return unixMicroseconds(r);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    (void)readAdvanceTenths(text);

    const DaytimeReply reply = ReadDaytimeReply(text);
    if (reply.verdict == ReplyVerdict::BadDateTime) {
        CHECK(reply.stated.isZero());
        CHECK(reply.advanceTenths == 0);
        return 0;
    }
    const UtcDateTime &t = reply.stated;
    CHECK(t.year >= 2000 && t.year <= 2099);
    const std::int64_t stated = microseconds(t);
    CHECK(size >= 24);
    if (reply.verdict == ReplyVerdict::AdvanceOverflow)
        return 0;

    const auto record = clockRecordFor(t, reply.advanceTenths);
    CHECK(record.has_value() || reply.advanceTenths < -22767);
    if (record && reply.advanceTenths >= 0 && reply.advanceTenths <= 9999) {
        CHECK(isValidSystemTime(*record));
        const std::int64_t wanted = stated - std::int64_t{reply.advanceTenths} * 100;
        const std::int64_t off = unixMicroseconds(*record) - wanted;
        CHECK(off >= -500 && off <= 500);
    }
    if (record && reply.advanceTenths == 0)
        CHECK(unixMicroseconds(*record) == stated);
    if (record && reply.advanceTenths < 0)
        CHECK(!isValidSystemTime(*record)); // later than stated: refused
    return 0;
}
