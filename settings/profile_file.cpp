#include "profile_file.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
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

// The text with one key set: the first line of the key in the first section of that
// name gets the new value in place; a missing key goes after the section's last line, a
// missing section at the end. New lines take the file's own line break.
std::string withKeySet(std::string_view text, std::string_view section, std::string_view key, std::string_view value)
{
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
    return out;
}

bool makeFolderOf(const std::string &path)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    if (target.filename().empty())
        return false;
    const fs::path folder = target.parent_path();
    if (folder.empty())
        return true;
    std::error_code ec;
    fs::create_directories(folder, ec);
    return !ec;
}

// Holds flock on the lock file while one write reads, changes and replaces the file.
// The holder removes the lock file before it lets go, so none is left lying about;
// a writer that got the lock on a file that was removed meanwhile tries again on the
// new one. flock has no time limit of its own: a contended lock is waited for by a
// helper thread, so the wait can end after LockWaitMilliseconds.
class WriteLock {
public:
    explicit WriteLock(std::string path)
        : path_(std::move(path))
    {
        if (path_.empty())
            return;
        const auto deadline = std::chrono::steady_clock::now()
                            + std::chrono::milliseconds(ProfileFile::LockWaitMilliseconds);
        while (fd_ < 0) {
            const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (fd < 0)
                return;
            if (!lockBefore(fd, deadline)) {
                ::close(fd);
                return;
            }
            struct stat held {};
            struct stat now {};
            if (::fstat(fd, &held) == 0 && ::stat(path_.c_str(), &now) == 0 && held.st_dev == now.st_dev
                && held.st_ino == now.st_ino)
                fd_ = fd;
            else
                ::close(fd); // its holder removed it as we waited: lock the one there now
        }
    }
    ~WriteLock()
    {
        if (fd_ < 0)
            return;
        ::unlink(path_.c_str());
        ::close(fd_);
    }
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

    bool held() const { return fd_ >= 0; }

private:
    static bool lockBefore(int fd, std::chrono::steady_clock::time_point deadline)
    {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        // The waiter shares the open file (a duplicate descriptor), so the lock it gets is
        // ours; if we have given up by then it lets go at once.
        struct Wait {
            std::mutex mutex;
            std::condition_variable done;
            bool finished = false;
            bool locked = false;
            bool abandoned = false;
        };
        const int waiterFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (waiterFd < 0)
            return false;
        auto wait = std::make_shared<Wait>();
        try {
            std::thread([wait, waiterFd] {
                int r;
                do
                    r = ::flock(waiterFd, LOCK_EX);
                while (r != 0 && errno == EINTR);
                const std::lock_guard<std::mutex> guard(wait->mutex);
                if (wait->abandoned && r == 0)
                    ::flock(waiterFd, LOCK_UN);
                ::close(waiterFd);
                wait->finished = true;
                wait->locked = r == 0;
                wait->done.notify_one();
            }).detach();
        } catch (const std::system_error &) {
            ::close(waiterFd);
            return false;
        }
        std::unique_lock<std::mutex> guard(wait->mutex);
        if (!wait->done.wait_until(guard, deadline, [&] { return wait->finished; })) {
            wait->abandoned = true;
            return false;
        }
        return wait->locked;
    }

    std::string path_;
    int fd_ = -1;
};

// Earlier versions named each temporary file after the writing process and a counter, and
// a crash left it behind. Those of processes no longer running are removed once per folder.
void sweepOldTemporaryFiles(const std::string &target)
{
    namespace fs = std::filesystem;
    static std::mutex mutex;
    static std::string swept;
    const std::lock_guard<std::mutex> guard(mutex);
    if (swept == target)
        return;
    swept = target;
    const fs::path file(target);
    const std::string prefix = file.filename().string() + ".tmp-";
    std::error_code ec;
    for (fs::directory_iterator it(file.parent_path().empty() ? fs::path(".") : file.parent_path(), ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        // <prefix><pid>-<counter>, digits only
        const std::string_view rest = std::string_view(name).substr(prefix.size());
        const std::size_t dash = rest.find('-');
        const auto digits = [](std::string_view d) {
            return !d.empty() && d.size() < 10 && d.find_first_not_of("0123456789") == npos;
        };
        if (dash == npos || !digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1)))
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
        if (pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM))
            continue; // that writer may still be at work
        std::error_code removeError;
        fs::remove(it->path(), removeError);
    }
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
    const KeyValue entry{key, value};
    return writeStrings(section, std::span<const KeyValue>(&entry, 1));
}

bool ProfileFile::writeStrings(std::string_view section, std::span<const KeyValue> entries)
{
    section = trimmed(section);
    if (!isWritableSection(section))
        return false;
    for (const auto &[key, value] : entries)
        if (!isWritableKey(trimmed(key)) || containsAny(value, LineBreakOrNul))
            return false;
    if (entries.empty())
        return true;

    const std::string resolved = resolvedPath(path_);
    if (resolved.empty() || !makeFolderOf(resolved))
        return false;
    const WriteLock lock(lockPathFor(path_));
    if (!lock.held())
        return false;

    std::string old;
    const ReadResult read = readWholeFile(path_, old);
    if (read == ReadResult::Failed)
        return false;
    std::string out = old;
    for (const auto &[key, value] : entries)
        out = withKeySet(out, section, trimmed(key), value);
    if (read == ReadResult::Ok && out == old)
        return true;
    return writer_(path_, out);
}

std::string ProfileFile::resolvedPath(const std::string &path)
{
    namespace fs = std::filesystem;
    fs::path p(path);
    // As many links as the system itself follows before it gives up.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p.string();
        std::error_code ec;
        const fs::path target = fs::read_symlink(p, ec);
        if (ec || target.empty())
            return {};
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return {};
}

std::string ProfileFile::lockPathFor(const std::string &path)
{
    const std::string resolved = resolvedPath(path);
    return resolved.empty() ? std::string() : resolved + ".lock";
}

bool ProfileFile::replaceFileAtomically(const std::string &path, const std::string &contents)
{
    const std::string target = resolvedPath(path);
    if (target.empty() || !makeFolderOf(target))
        return false;
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    sweepOldTemporaryFiles(target);

    // One fixed name: a copy left by a crash is removed here, so there is never more
    // than one. O_EXCL never follows a link planted in its place.
    const std::string temp = target + ".tmp";
    if (::unlink(temp.c_str()) != 0 && errno != ENOENT)
        return false;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 07777);

    bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
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
