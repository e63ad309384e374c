// Feeds arbitrary bytes to the settings file reader as the contents of Halvion.ini, reads
// a few keys, writes one, and checks what must hold whatever the file holds: a read
// never returns more than size - 1 characters nor a NUL, a write is refused exactly for
// the keys and values that could break the file's lines, a written value reads back
// unchanged, no other key changes, and adding a key loses none of the old bytes.
// Position texts from the same bytes must read back as the number they were made from.

#include "fuzz_check.h"
#include "profile_file.h"
#include "settings_file.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

using namespace halvion;

namespace {

std::string g_dir;

void removeDir()
{
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
}

const std::string &workDir()
{
    if (g_dir.empty()) {
        const char *base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/halvion-fuzz-XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        if (!::mkdtemp(buf.data()))
            std::abort();
        g_dir = buf.data();
        std::atexit(removeDir);
    }
    return g_dir;
}

void putFile(const std::string &path, std::string_view contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

std::string fileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The atomic replacement flushes to disk on every call; the fuzzer only needs the bytes.
bool plainWriter(const std::string &path, const std::string &contents)
{
    putFile(path, contents);
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool hasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool writable(std::string_view section, std::string_view key, std::string_view value)
{
    section = trimmed(section);
    key = trimmed(key);
    if (section.empty() || hasLineBreakOrNul(section) || section.find(']') != std::string_view::npos)
        return false;
    if (key.empty() || hasLineBreakOrNul(key) || key.find('=') != std::string_view::npos || key.front() == '['
        || key.front() == ';')
        return false;
    return !hasLineBreakOrNul(value);
}

bool sameName(std::string_view a, std::string_view b)
{
    a = trimmed(a);
    b = trimmed(b);
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

constexpr std::string_view Missing{"\x01missing\x01"};
constexpr std::string_view OtherMissing{"\x02" "absent\x02"};
constexpr int Big = 1 << 24;

const std::string_view Sections[] = {"Halvion", "halvion", "Other"};
const std::string_view Keys[] = {"k", "K", "OK 0", "Time NIST IP", "LEDSpeed"};

void checkPositions(std::string_view text)
{
    const double parsed = parsePosition(text);
    CHECK(std::isfinite(parsed));
    CHECK(parsePosition(formatPosition(parsed)) == parsed);
    if (text.size() >= sizeof(double)) {
        double raw = 0;
        std::memcpy(&raw, text.data(), sizeof raw);
        const std::string formatted = formatPosition(raw);
        CHECK(formatted.find_first_of("eE") == std::string::npos);
        if (std::isfinite(raw))
            CHECK(parsePosition(formatted) == raw);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    const std::string path = workDir() + "/Halvion.ini";
    putFile(path, input);
    ProfileFile profile(path, plainWriter);

    // Every read: at most size - 1 characters, no NUL, and a shorter limit only cuts the
    // full text (or the marker) further.
    std::vector<std::string> before;
    for (std::string_view s : Sections)
        for (std::string_view k : Keys) {
            const std::string full = profile.getString(s, k, Missing, Big);
            CHECK(full.find('\0') == std::string::npos);
            before.push_back(full);
        }
    for (std::size_t i = 0; i < std::size(Keys); ++i)
        for (int limit : {-1, 0, 1, 2, 16, 255}) {
            const std::string text = profile.getString(Sections[0], Keys[i], Missing, limit);
            const std::string &full = before[i];
            CHECK(static_cast<long>(text.size()) <= std::max(limit - 1, 0));
            CHECK(full.compare(0, text.size(), text) == 0);
            CHECK(text.size() == std::min(full.size(), static_cast<std::size_t>(std::max(limit - 1, 0))));
        }

    // One write, its section, key and value picked by the first bytes.
    const std::uint8_t a = size > 0 ? data[0] : 0;
    const std::uint8_t b = size > 1 ? data[1] : 0;
    const std::string_view section = Sections[a % 3];
    std::string key(Keys[b % 5]);
    if (b >= 128 && size > 2) // sometimes a key made of the input's own bytes
        key = input.substr(2, std::min<std::size_t>(b % 8 + 1, size - 2));
    const std::string value = input.substr(size ? a % size : 0, 300);

    const bool wasPresent = profile.getString(section, key, Missing, Big) != Missing
                            || profile.getString(section, key, OtherMissing, Big) != OtherMissing;

    const bool ok = profile.writeString(section, key, value);
    CHECK(ok == writable(section, key, value));
    const std::string after = fileBytes(path);
    if (!ok) {
        CHECK(after == input);
    } else {
        CHECK(profile.getString(section, key, Missing, Big) == value);

        std::size_t i = 0;
        for (std::string_view s : Sections)
            for (std::string_view k : Keys) {
                const bool same = sameName(s, section) && sameName(k, key);
                if (!same)
                    CHECK(profile.getString(s, k, Missing, Big) == before[i]);
                ++i;
            }

        if (!wasPresent) {
            std::size_t prefix = 0;
            while (prefix < input.size() && after[prefix] == input[prefix])
                ++prefix;
            std::size_t suffix = 0;
            while (suffix < input.size() - prefix
                   && after[after.size() - 1 - suffix] == input[input.size() - 1 - suffix])
                ++suffix;
            CHECK(prefix + suffix == input.size());
        }

        CHECK(profile.writeString(section, key, value));
        CHECK(fileBytes(path) == after);
    }

    checkPositions(input);
    return 0;
}
