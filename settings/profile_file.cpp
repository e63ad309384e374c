#include "profile_file.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halvion {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The blanks trimmed around names and values. '\n' never occurs inside a line.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

// The stored text of a value: trimmed, one pair of surrounding double quotes removed.
std::string_view decodedValue(std::string_view raw)
{
    std::string_view v = trimmed(raw);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return v;
}

bool needsQuotes(std::string_view value)
{
    if (value.empty())
        return false;
    if (isBlank(value.front()) || isBlank(value.back()))
        return true;
    return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

std::string encodedValue(std::string_view value)
{
    if (!needsQuotes(value))
        return std::string(value);
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    out += value;
    out += '"';
    return out;
}

bool containsAny(std::string_view s, std::string_view chars)
{
    return s.find_first_of(chars) != npos;
}

constexpr std::string_view LineBreakOrNul{"\r\n\0", 3};

bool isWritableKey(std::string_view key)
{
    return !key.empty() && !containsAny(key, LineBreakOrNul) && key.find('=') == npos && key.front() != '['
           && key.front() != ';';
}

bool isWritableSection(std::string_view section)
{
    return !section.empty() && !containsAny(section, LineBreakOrNul) && section.find(']') == npos;
}

// One line of the file: [begin, contentEnd) is its text without the line break (LF, or
// CRLF), [contentEnd, end) the break itself.
struct Line {
    std::size_t begin = 0;
    std::size_t contentEnd = 0;
    std::size_t end = 0;
};

enum class LineKind { Blank, Header, Comment, Key, Other };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;         // section name of a header, key name of a key line
    std::size_t valueBegin = 0;    // key line: first byte of the value after the blanks
    std::string_view rawValue;     // key line: everything after '='
};

ParsedLine parseLine(std::string_view text, const Line &line)
{
    ParsedLine p;
    const std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
    std::size_t first = 0;
    while (first < content.size() && isBlank(content[first]))
        ++first;
    if (first == content.size()) {
        p.kind = LineKind::Blank;
        return p;
    }
    const std::string_view rest = content.substr(first);
    if (rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == npos)
            return p; // a header without ']' is no header and no key
        p.kind = LineKind::Header;
        p.name = trimmed(rest.substr(1, close - 1));
        return p;
    }
    if (rest.front() == ';') {
        p.kind = LineKind::Comment;
        return p;
    }
    const std::size_t eq = rest.find('=');
    if (eq == npos)
        return p;
    p.name = trimmed(rest.substr(0, eq));
    if (p.name.empty())
        return p;
    p.kind = LineKind::Key;
    p.rawValue = rest.substr(eq + 1);
    std::size_t v = 0;
    while (v < p.rawValue.size() && isBlank(p.rawValue[v]))
        ++v;
    p.valueBegin = line.begin + first + eq + 1 + v;
    return p;
}

// Where a key stands in the file, or where it would go.
struct KeyLocation {
    bool sectionFound = false;
    // Section found, key missing: the offset a new key line goes in at, and whether a line
    // break must come first (the section's last line ends the file without one).
    std::size_t insertAt = 0;
    bool insertNeedsBreak = false;
    bool keyFound = false;
    // Key found: the bytes a new value replaces, and the stored value.
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
    std::string_view value;
};

// One pass over the file up to the end of the first section of that name; linear in the
// size of the file.
KeyLocation locate(std::string_view text, std::string_view section, std::string_view key)
{
    KeyLocation loc;
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        Line line;
        line.begin = pos;
        const std::size_t nl = text.find('\n', pos);
        line.end = (nl == npos) ? text.size() : nl + 1;
        line.contentEnd = (nl == npos) ? text.size() : nl;
        if (nl != npos && line.contentEnd > line.begin && text[line.contentEnd - 1] == '\r')
            --line.contentEnd;
        pos = line.end;

        const ParsedLine p = parseLine(text, line);
        if (p.kind == LineKind::Header) {
            if (inSection)
                break;
            if (equalsIgnoringCase(p.name, section)) {
                inSection = true;
                loc.sectionFound = true;
                loc.insertAt = line.end;
                loc.insertNeedsBreak = (nl == npos);
            }
            continue;
        }
        if (!inSection || p.kind == LineKind::Blank)
            continue;
        loc.insertAt = line.end;
        loc.insertNeedsBreak = (nl == npos);
        if (p.kind == LineKind::Key && equalsIgnoringCase(p.name, key)) {
            loc.keyFound = true;
            loc.valueBegin = p.valueBegin;
            loc.valueEnd = line.contentEnd;
            loc.value = decodedValue(p.rawValue);
            break;
        }
    }
    return loc;
}

std::string_view lineBreakOf(std::string_view text)
{
    const std::size_t nl = text.find('\n');
    if (nl != npos && nl > 0 && text[nl - 1] == '\r')
        return "\r\n";
    return "\n";
}

enum class ReadResult { Ok, Missing, Failed };

ReadResult readWholeFile(const std::string &path, std::string &out)
{
    out.clear();
    // O_NONBLOCK keeps a FIFO at the path from hanging the program; it does not change
    // how a regular file reads.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::Failed;
    }
    if (st.st_size > 0)
        out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            out.clear();
            return ReadResult::Failed;
        }
    }
    ::close(fd);
    return ReadResult::Ok;
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string cutForBuffer(std::string_view text, int size)
{
    if (size <= 0)
        return {};
    const std::size_t nul = text.find('\0');
    if (nul != npos)
        text = text.substr(0, nul);
    const auto limit = static_cast<std::size_t>(size) - 1;
    if (text.size() > limit)
        text = text.substr(0, limit);
    return std::string(text);
}

} // namespace

ProfileFile::ProfileFile(std::string path, Writer writer)
    : path_(std::move(path))
    , writer_(std::move(writer))
{
    if (!writer_)
        writer_ = &ProfileFile::replaceFileAtomically;
}

std::string ProfileFile::getString(std::string_view section, std::string_view key,
                                   std::string_view defaultText, int size) const
{
    section = trimmed(section);
    key = trimmed(key);
    std::string text;
    if (section.empty() || key.empty() || readWholeFile(path_, text) != ReadResult::Ok)
        return cutForBuffer(defaultText, size);
    const KeyLocation loc = locate(text, section, key);
    return cutForBuffer(loc.keyFound ? loc.value : defaultText, size);
}

bool ProfileFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    section = trimmed(section);
    key = trimmed(key);
    if (!isWritableSection(section) || !isWritableKey(key) || containsAny(value, LineBreakOrNul))
        return false;

    std::string old;
    if (readWholeFile(path_, old) == ReadResult::Failed)
        return false;

    const std::string_view text = old;
    const std::string newValue = encodedValue(value);
    const std::string_view br = lineBreakOf(text);
    const KeyLocation loc = locate(text, section, key);

    std::string out;
    out.reserve(text.size() + section.size() + key.size() + newValue.size() + 8);
    if (loc.keyFound) {
        out.append(text.substr(0, loc.valueBegin));
        out.append(newValue);
        out.append(text.substr(loc.valueEnd));
    } else if (loc.sectionFound) {
        out.append(text.substr(0, loc.insertAt));
        if (loc.insertNeedsBreak)
            out.append(br);
        out.append(key).append("=").append(newValue).append(br);
        out.append(text.substr(loc.insertAt));
    } else {
        out.append(text);
        if (!text.empty() && text.back() != '\n')
            out.append(br);
        out.append("[").append(section).append("]").append(br);
        out.append(key).append("=").append(newValue).append(br);
    }
    return writer_(path_, out);
}

bool ProfileFile::replaceFileAtomically(const std::string &path, const std::string &contents)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target(path);
    if (target.filename().empty())
        return false;
    const fs::path folder = target.parent_path();
    if (!folder.empty()) {
        fs::create_directories(folder, ec);
        if (ec)
            return false;
    }

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 07777);

    bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }

    // Make the rename itself durable; the new file is already complete either way.
    const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace halvion
