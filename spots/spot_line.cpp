#include "spot_line.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace halvion {

namespace {

constexpr bool isBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

bool endsWithNoCase(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && equalsNoCase(text.substr(text.size() - tail.size()), tail);
}

std::string upperCopy(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = upper(c);
    return out;
}

// The blank-separated words of the rest of a line; a spot has few, so a fixed array does.
struct Words {
    static constexpr std::size_t Max = 48;
    std::array<std::string_view, Max> items;
    std::size_t count = 0;
    bool overflow = false;
};

Words splitWords(std::string_view text)
{
    Words w;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !isBlank(text[i]))
            ++i;
        if (i > start) {
            if (w.count == Words::Max) {
                w.overflow = true;
                return w;
            }
            w.items[w.count++] = text.substr(start, i - start);
        }
    }
    return w;
}

// A callsign: letters, digits and single slashes inside, at least one letter and one digit.
bool isCallsign(std::string_view text, std::size_t maxLength, bool dashAllowed)
{
    if (text.size() < 3 || text.size() > maxLength)
        return false;
    bool letter = false, digit = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = upper(text[i]);
        if (isUpper(c))
            letter = true;
        else if (isDigit(c))
            digit = true;
        else if (c == '/' || (dashAllowed && c == '-')) {
            if (i == 0 || i + 1 == text.size() || !(isUpper(upper(text[i - 1])) || isDigit(text[i - 1])))
                return false;
        } else
            return false;
    }
    return letter && digit;
}

// Whole number of 1..maxDigits digits, optionally signed.
bool readInt(std::string_view text, int maxDigits, bool signAllowed, int &value)
{
    bool negative = false;
    if (signAllowed && !text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > static_cast<std::size_t>(maxDigits))
        return false;
    int v = 0;
    for (char c : text) {
        if (!isDigit(c))
            return false;
        v = v * 10 + (c - '0');
    }
    value = negative ? -v : v;
    return true;
}

// "14100.0", "7018.20", "14100": up to seven digits, at most three decimals.
bool readFrequency(std::string_view text, double &khz)
{
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (whole.empty() || whole.size() > 7 || fraction.size() > 3 || (dot != std::string_view::npos && fraction.empty()))
        return false;
    long long thousandths = 0;
    for (char c : whole) {
        if (!isDigit(c))
            return false;
        thousandths = thousandths * 10 + (c - '0');
    }
    int scale = 1000;
    long long part = 0;
    for (char c : fraction) {
        if (!isDigit(c))
            return false;
        part = part * 10 + (c - '0');
        scale /= 10;
    }
    thousandths = thousandths * 1000 + part * scale;
    khz = static_cast<double>(thousandths) / 1000.0;
    return khz >= 100.0 && khz <= 300000.0;
}

// "-12 dB" over one or two words; returns the words used, 0 when it is not one.
std::size_t readSnr(const Words &w, std::size_t i, int &snr)
{
    if (i >= w.count)
        return 0;
    const std::string_view t = w.items[i];
    if (endsWithNoCase(t, "dB") && t.size() > 2 && readInt(t.substr(0, t.size() - 2), 3, true, snr))
        return snr >= -99 && snr <= 199 ? 1 : 0;
    if (i + 1 < w.count && equalsNoCase(w.items[i + 1], "dB") && readInt(t, 3, true, snr))
        return snr >= -99 && snr <= 199 ? 2 : 0;
    return 0;
}

// "22 WPM", "45 BPS", "22WPM".
std::size_t readSpeed(const Words &w, std::size_t i, int &speed)
{
    if (i >= w.count)
        return 0;
    const std::string_view t = w.items[i];
    for (std::string_view unit : {std::string_view("WPM"), std::string_view("BPS")}) {
        if (endsWithNoCase(t, unit) && t.size() > unit.size() && readInt(t.substr(0, t.size() - unit.size()), 3, false, speed))
            return speed > 0 ? 1 : 0;
        if (i + 1 < w.count && equalsNoCase(w.items[i + 1], unit) && readInt(t, 3, false, speed))
            return speed > 0 ? 2 : 0;
    }
    return 0;
}

// "2259Z"
bool readTime(std::string_view t, int &minuteOfDay)
{
    if (t.size() != 5 || upper(t[4]) != 'Z')
        return false;
    int hhmm = 0;
    if (!readInt(t.substr(0, 4), 4, false, hhmm))
        return false;
    const int hour = hhmm / 100, minute = hhmm % 100;
    if (hour > 23 || minute > 59)
        return false;
    minuteOfDay = hour * 60 + minute;
    return true;
}

bool readSpot(std::string_view rest, SpotLine &out)
{
    // The skimmer, up to the colon: "KM3T-2-#:".
    std::size_t colon = 0;
    while (colon < rest.size() && rest[colon] != ':' && !isBlank(rest[colon]))
        ++colon;
    if (colon == rest.size() || rest[colon] != ':')
        return false;
    std::string skimmer = upperCopy(rest.substr(0, colon));
    if (skimmer.size() >= 2 && skimmer.compare(skimmer.size() - 2, 2, "-#") == 0)
        skimmer.resize(skimmer.size() - 2);
    if (!isCallsign(skimmer, MaxSkimmerLength, true))
        return false;

    const Words w = splitWords(rest.substr(colon + 1));
    if (w.overflow || w.count < 5)
        return false;
    std::size_t i = 0;
    double khz = 0;
    if (!readFrequency(w.items[i++], khz))
        return false;
    if (!isCallsign(w.items[i], MaxCallsignLength, false))
        return false;
    std::string spotted = upperCopy(w.items[i++]);

    int snr = 0;
    std::string mode;
    std::size_t used = readSnr(w, i, snr);
    if (used == 0) {
        const std::string_view m = w.items[i++];
        if (m.size() < 2 || m.size() > 8 || !isUpper(upper(m[0])))
            return false;
        for (char c : m)
            if (!isUpper(upper(c)) && !isDigit(c))
                return false;
        mode = upperCopy(m);
        used = readSnr(w, i, snr);
        if (used == 0)
            return false;
    }
    i += used;
    int speed = 0;
    i += readSpeed(w, i, speed);

    if (i >= w.count)
        return false;
    int minute = 0;
    if (!readTime(w.items[w.count - 1], minute))
        return false;
    std::string comment;
    for (std::size_t k = i; k + 1 < w.count; ++k) {
        if (!comment.empty())
            comment += ' ';
        comment += w.items[k];
    }

    out.skimmer = std::move(skimmer);
    out.frequencyKhz = khz;
    out.spotted = std::move(spotted);
    out.mode = std::move(mode);
    out.snrDb = snr;
    out.speed = speed;
    out.comment = std::move(comment);
    out.minuteOfDay = minute;
    return true;
}

} // namespace

SpotLineKind readSpotLine(std::string_view line, SpotLine &out)
{
    // Blanks and the bells some servers ring at the end of a spot are not part of it.
    while (!line.empty() && (isBlank(line.back()) || line.back() == '\a'))
        line.remove_suffix(1);
    while (!line.empty() && isBlank(line.front()))
        line.remove_prefix(1);
    if (line.size() < 6 || !equalsNoCase(line.substr(0, 5), "DX de") || !isBlank(line[5]))
        return SpotLineKind::Text;
    for (char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u >= 0x7F)
            return SpotLineKind::Malformed;
    }
    std::string_view rest = line.substr(6);
    while (!rest.empty() && isBlank(rest.front()))
        rest.remove_prefix(1);
    return readSpot(rest, out) ? SpotLineKind::Spot : SpotLineKind::Malformed;
}

std::string formatSpotLine(const SpotLine &spot)
{
    // Written with a point whatever the locale, as the feed sends it.
    char frequency[32];
    const auto written = std::to_chars(frequency, frequency + sizeof frequency, spot.frequencyKhz, std::chars_format::fixed, 3);
    std::string khz(frequency, written.ec == std::errc() ? written.ptr : frequency);
    while (khz.size() > 2 && khz.back() == '0' && khz[khz.size() - 2] != '.')
        khz.pop_back();

    const std::string skimmer = spot.skimmer + "-#:";
    char head[160];
    std::snprintf(head, sizeof head, "DX de %-9s %8s  %-12s %-4s %3d dB", skimmer.c_str(), khz.c_str(),
                  spot.spotted.c_str(), spot.mode.c_str(), spot.snrDb);
    std::string line = head;
    if (spot.speed > 0) {
        char speed[16];
        std::snprintf(speed, sizeof speed, " %3d %s", spot.speed, spot.mode == "RTTY" ? "BPS" : "WPM");
        line += speed;
    }
    line += "  ";
    if (!spot.comment.empty()) {
        line += spot.comment;
        line += ' ';
    }
    char time[8];
    std::snprintf(time, sizeof time, "%02d%02dZ", spot.minuteOfDay / 60 % 24, spot.minuteOfDay % 60);
    line += time;
    return line;
}

bool looksLikeLoginPrompt(std::string_view text)
{
    while (!text.empty() && (isBlank(text.back()) || text.back() == '\a'))
        text.remove_suffix(1);
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    if (text.empty() || text.size() > 100 || text.back() != ':')
        return false;
    const std::string lower = [&] {
        std::string s(text);
        for (char &c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return s;
    }();
    return lower.find("call") != std::string::npos || lower.find("login") != std::string::npos;
}

} // namespace halvion
