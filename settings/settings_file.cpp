#include "settings_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>
#include <utility>

namespace halvion {

std::string SettingsKeys::statusKeyName(StatusWord word, int beaconIndex)
{
    std::string name;
    switch (word) {
    case StatusWord::OK:
        name = "OK";
        break;
    case StatusWord::OFF:
        name = "OFF";
        break;
    case StatusWord::ON:
        name = "ON";
        break;
    }
    return name + ' ' + std::to_string(beaconIndex);
}

SettingsFile::SettingsFile(std::string path)
    : profile_(std::move(path))
{
}

SettingsFile::SettingsFile(std::string path, ProfileFile::Writer writer)
    : profile_(std::move(path), std::move(writer))
{
}

std::string SettingsFile::readText(const KeySpec &entry) const
{
    // The text lands in a buffer of ReadBufferSize characters whatever limit is asked for.
    const int size = std::min(entry.sizeLimit, SettingsKeys::ReadBufferSize);
    return profile_.getString(SettingsKeys::Section, entry.key, entry.marker, size);
}

std::optional<std::string> SettingsFile::read(const KeySpec &entry) const
{
    std::string text = readText(entry);
    if (text == entry.marker)
        return std::nullopt;
    return text;
}

std::string SettingsFile::readStatus(StatusWord word, int beaconIndex) const
{
    return profile_.getString(SettingsKeys::Section, SettingsKeys::statusKeyName(word, beaconIndex),
                              SettingsKeys::StatusMarker, SettingsKeys::StatusSizeLimit);
}

bool SettingsFile::write(std::string_view key, std::string_view value)
{
    return profile_.writeString(SettingsKeys::Section, key, value);
}

bool SettingsFile::writeStatus(StatusWord word, int beaconIndex, bool on)
{
    return writeSwitch(SettingsKeys::statusKeyName(word, beaconIndex), on);
}

bool SettingsFile::write(const Batch &keys)
{
    std::vector<ProfileFile::KeyValue> entries;
    entries.reserve(keys.size());
    for (const auto &[key, value] : keys)
        entries.emplace_back(key, value);
    return profile_.writeStrings(SettingsKeys::Section, entries);
}

std::pair<std::string, std::string> SettingsFile::statusEntry(StatusWord word, int beaconIndex, bool on)
{
    return {SettingsKeys::statusKeyName(word, beaconIndex), std::string(on ? SettingsKeys::True : SettingsKeys::False)};
}

std::string formatPosition(double twips)
{
    if (!std::isfinite(twips))
        twips = 0.0;
    std::string out(1, twips < 0 ? '-' : ' ');
    // Shortest text that reads back as the same number, in plain positional notation.
    char buf[400];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(twips), std::chars_format::fixed);
    if (ec != std::errc())
        return " 0";
    out.append(buf, end);
    return out;
}

double parsePosition(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    // A trailing '.' is part of the number but not something from_chars takes.
    std::size_t end = i;
    if (text[end - 1] == '.')
        --end;
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != text.data() + end || !std::isfinite(value))
        return 0.0; // beyond the range of a double, or too small to tell from 0
    return negative ? -value : value;
}

} // namespace halvion
