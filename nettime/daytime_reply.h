#pragma once
// Reading a NIST daytime reply and turning it into a new setting of the PC clock.
// Pure text and calendar work: no network, no windows, no clock is touched here.
//
// A reply is one line after a line feed, its fields at fixed places (characters
// counted from 1):
//   "\n60000 23-02-25 12:00:00 00 0 0  50.0 UTC(NIST) * \n"
//     2-6 Modified Julian Date, 8-9 year, 11-12 month, 14-15 day, 17-24 UTC time,
//     31 health code ("0" = healthy), 33-37 the advance in milliseconds (one decimal).

#include <cstdint>
#include <optional>
#include <string_view>

namespace halvion {

// A date and time of day in UTC, whole seconds. All zero means "no date-time".
struct UtcDateTime {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool isZero() const { return *this == UtcDateTime{}; }
    friend bool operator==(const UtcDateTime &, const UtcDateTime &) = default;
};

// What became of a reply, in the order the checks run.
enum class ReplyVerdict {
    Good,            // date, time and health passed: the clock may be set
    BadDateTime,     // short, garbled, an impossible date or time, or a date that
                     // contradicts the reply's own Modified Julian Date
    AdvanceOverflow, // the advance does not fit a 16-bit signed number: the attempt ends silently
    Unhealthy,       // the server doubts its own time (health code not "0")
};

struct DaytimeReply {
    ReplyVerdict verdict = ReplyVerdict::BadDateTime;
    // The stated date and time; zero when the date and time check failed.
    UtcDateTime stated;
    // The server's advance in tenths of a millisecond; read when the date and time
    // check passed and the number fitted (Good and Unhealthy).
    std::int16_t advanceTenths = 0;
};

// Cuts the reply into its fields and checks them: date and time first (nothing more is
// read when they fail), then the advance, then the health code.
DaytimeReply ReadDaytimeReply(std::string_view reply);

// The advance characters read the lenient way: blanks anywhere are skipped, reading
// stops at the first character that cannot continue a decimal number (sign, digits,
// one decimal point, an exponent with E or D), no leading number reads as 0. The
// value is rounded to the nearest whole number, a half to the even neighbour.
// Nothing when the result does not fit a 16-bit signed integer.
std::optional<std::int16_t> readAdvanceTenths(std::string_view text);

// The clock record the platform's clock-setting call takes: UTC, day of week 0
// (ignored when setting).
struct SystemTimeRecord {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    friend bool operator==(const SystemTimeRecord &, const SystemTimeRecord &) = default;
};

// The record that sets the clock to the stated time less the advance: with a nonzero
// advance one second earlier plus (10000 - advance) / 10 milliseconds, rounded half to
// even; an advance of 0.1 to 0.5 ms, which rounds to a full 1000 ms, gives the stated
// second itself. A negative advance can give milliseconds above 999, and one that
// takes the stated time back more than a second a wrapped-around value: the clock
// setter refuses both. Nothing when 10000 - advance overflows a 16-bit signed integer.
std::optional<SystemTimeRecord> clockRecordFor(const UtcDateTime &stated, std::int16_t advanceTenths);

// One second earlier, across minutes, hours, days, months and years.
UtcDateTime previousSecond(const UtcDateTime &t);

// What the platform's clock call accepts: a real date of years 1601..30827, a time of
// day, milliseconds at most 999.
bool isValidSystemTime(const SystemTimeRecord &r);

// Microseconds since 1970-01-01 00:00:00 UTC of a valid record.
std::int64_t unixMicroseconds(const SystemTimeRecord &r);

// The Modified Julian Date of a calendar date (17 November 1858 is day 0).
std::int64_t modifiedJulianDate(int year, int month, int day);

} // namespace halvion
