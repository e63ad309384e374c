#include "daytime_reply.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <string>

namespace halvion {

namespace {

namespace chr = std::chrono;

// Characters first..first+count-1 of the reply, counted from 1; what lies beyond the
// end reads as nothing.
std::string_view piece(std::string_view text, std::size_t first, std::size_t count)
{
    if (first - 1 >= text.size())
        return {};
    return text.substr(first - 1, count);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Two digits at `at` of `text` as a number, or -1.
int twoDigits(std::string_view text, std::size_t at)
{
    if (at + 1 >= text.size() || !isDigit(text[at]) || !isDigit(text[at + 1]))
        return -1;
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// "AA<sep>BB<sep>CC" with two digits each; false when the text has another form.
bool threeNumbers(std::string_view text, char sep, int &a, int &b, int &c)
{
    if (text.size() != 8 || text[2] != sep || text[5] != sep)
        return false;
    a = twoDigits(text, 0);
    b = twoDigits(text, 3);
    c = twoDigits(text, 6);
    return a >= 0 && b >= 0 && c >= 0;
}

chr::year_month_day civilDate(int year, int month, int day)
{
    return chr::year_month_day{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                               chr::day{static_cast<unsigned>(day)}};
}

// The characters of the Modified Julian Date field as a number, when they are one.
std::optional<std::int64_t> statedMjd(std::string_view field)
{
    while (!field.empty() && field.front() == ' ')
        field.remove_prefix(1);
    while (!field.empty() && field.back() == ' ')
        field.remove_suffix(1);
    if (field.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : field) {
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

double roundHalfEven(double v)
{
    const double below = std::floor(v);
    const double fraction = v - below;
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::optional<std::int16_t> toInt16(double v)
{
    if (!(v >= -32768.0 && v <= 32767.0))
        return std::nullopt;
    return static_cast<std::int16_t>(v);
}

} // namespace

std::int64_t modifiedJulianDate(int year, int month, int day)
{
    // 1 January 1970 is MJD 40587.
    return chr::sys_days{civilDate(year, month, day)}.time_since_epoch().count() + 40587;
}

std::optional<std::int16_t> readAdvanceTenths(std::string_view text)
{
    // The accepted characters, blanks left out, in a form from_chars reads.
    std::string number;
    bool digits = false, point = false, exponent = false, exponentSign = false;
    for (char c : text) {
        if (c == ' ')
            continue;
        if (!exponent) {
            if ((c == '+' || c == '-') && number.empty()) {
                if (c == '-')
                    number += c;
                else
                    number += '0'; // from_chars takes no '+'; a leading zero keeps the value
                continue;
            }
            if (isDigit(c)) {
                digits = true;
                number += c;
                continue;
            }
            if (c == '.' && !point) {
                point = true;
                number += c;
                continue;
            }
            if ((c == 'E' || c == 'e' || c == 'D' || c == 'd') && digits) {
                exponent = true;
                number += 'e';
                continue;
            }
        } else {
            if ((c == '+' || c == '-') && !exponentSign && number.back() == 'e') {
                exponentSign = true;
                number += c;
                continue;
            }
            if (isDigit(c)) {
                number += c;
                continue;
            }
        }
        break;
    }
    if (!digits)
        return std::int16_t{0};

    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too small to matter reads as 0; too large does not fit.
        const auto e = number.find('e');
        return e != std::string::npos && number.find('-', e) != std::string::npos ? std::optional<std::int16_t>{0}
                                                                                  : std::nullopt;
    }
    if (error != std::errc{})
        return std::int16_t{0};
    (void)end; // an exponent without digits is left unread, as it should be
    return toInt16(roundHalfEven(value));
}

DaytimeReply ReadDaytimeReply(std::string_view reply)
{
    DaytimeReply result;

    // Month, hyphen and day, a hyphen, the year: MM-DD-YY.
    std::string dateText(piece(reply, 11, 5));
    dateText += '-';
    dateText += piece(reply, 8, 2);
    const std::string_view timeText = piece(reply, 17, 8);

    int month = 0, day = 0, yy = 0, hour = 0, minute = 0, second = 0;
    if (!threeNumbers(dateText, '-', month, day, yy) || !threeNumbers(timeText, ':', hour, minute, second))
        return result;
    if (hour > 23 || minute > 59 || second > 59)
        return result;
    // Two-digit years are this century's: a reply cannot mean 1930.
    const int year = 2000 + yy;
    if (month < 1 || month > 12 || !civilDate(year, month, day).ok())
        return result;
    if (const auto mjd = statedMjd(piece(reply, 2, 5)); mjd && *mjd != modifiedJulianDate(year, month, day))
        return result;

    result.stated = {year, month, day, hour, minute, second};

    std::string advance(piece(reply, 33, 3));
    advance += piece(reply, 37, 1);
    const auto tenths = readAdvanceTenths(advance);
    if (!tenths) {
        result.verdict = ReplyVerdict::AdvanceOverflow;
        return result;
    }
    result.advanceTenths = *tenths;
    result.verdict = piece(reply, 31, 1) == "0" ? ReplyVerdict::Good : ReplyVerdict::Unhealthy;
    return result;
}

UtcDateTime previousSecond(const UtcDateTime &t)
{
    const auto days = chr::sys_days{civilDate(t.year, t.month, t.day)};
    const auto instant = days + chr::hours{t.hour} + chr::minutes{t.minute} + chr::seconds{t.second} - chr::seconds{1};
    const auto newDays = chr::floor<chr::days>(instant);
    const chr::year_month_day ymd{newDays};
    const chr::hh_mm_ss clock{instant - newDays};
    return {static_cast<int>(ymd.year()),
            static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())),
            static_cast<int>(clock.hours().count()),
            static_cast<int>(clock.minutes().count()),
            static_cast<int>(clock.seconds().count())};
}

std::optional<SystemTimeRecord> clockRecordFor(const UtcDateTime &stated, std::int16_t advanceTenths)
{
    UtcDateTime t = stated;
    int milliseconds = 0;
    if (advanceTenths != 0) {
        const int difference = 10000 - advanceTenths;
        if (difference > 32767)
            return std::nullopt;
        milliseconds = static_cast<int>(roundHalfEven(difference / 10.0));
        if (milliseconds == 1000 && advanceTenths > 0)
            milliseconds = 0; // less than half a millisecond early: the stated second itself
        else
            t = previousSecond(stated);
    }
    auto field = [](int v) { return static_cast<std::uint16_t>(v); };
    return SystemTimeRecord{field(t.year),   field(t.month),  0, field(t.day), field(t.hour),
                            field(t.minute), field(t.second), field(milliseconds)};
}

bool isValidSystemTime(const SystemTimeRecord &r)
{
    return r.year >= 1601 && r.year <= 30827 && r.month >= 1 && r.month <= 12 && r.day >= 1
        && civilDate(r.year, r.month, r.day).ok() && r.hour <= 23 && r.minute <= 59 && r.second <= 59
        && r.milliseconds <= 999;
}

std::int64_t unixMicroseconds(const SystemTimeRecord &r)
{
    const std::int64_t days = chr::sys_days{civilDate(r.year, r.month, r.day)}.time_since_epoch().count();
    const std::int64_t seconds = days * 86400 + r.hour * 3600 + r.minute * 60 + r.second;
    return seconds * 1000000 + std::int64_t{r.milliseconds} * 1000;
}

} // namespace halvion
