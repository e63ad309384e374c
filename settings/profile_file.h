#pragma once
// The settings file's INI layer: "[section]" header lines and "key=value" lines. Nothing
// is cached: every read consults the file, and every write rebuilds it with only its keys
// changed (all other bytes kept as they were) and puts it in place atomically, so a crash
// never leaves a half-written file. Writers take an advisory lock for the whole
// read-change-replace, so two copies of the program writing at once lose nothing.
//
// Files kept by hand or by other tools read alike: CRLF or LF line ends, section and
// key names in any letter case, blanks and tabs around '=' and around the value, one
// pair of double quotes around a value. Lines before the first section, lines without '=',
// comment lines (';') and a header without ']' count as no key. Only the first section
// of a name is looked at, and in it the first line of a key.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace halvion {

class ProfileFile {
public:
    // Puts the new contents of the file in place; false when that failed, and then the
    // old file must still be there unchanged.
    using Writer = std::function<bool(const std::string &path, const std::string &contents)>;

    // An empty writer means replaceFileAtomically.
    explicit ProfileFile(std::string path, Writer writer = {});

    const std::string &path() const { return path_; }

    // The key's value, or defaultText when the file, the section or the key is missing.
    // The text is cut at its first NUL and to at most size - 1 characters (size <= 0
    // gives ""); the default is cut the same way.
    std::string getString(std::string_view section, std::string_view key, std::string_view defaultText,
                          int size) const;

    // Sets one key: the first line of the key in the section gets the new value in place;
    // a missing key is added after the section's last line, a missing section at the end
    // of the file, a missing file (and its folder) is created. A new file gets LF line
    // ends; an existing one keeps its own. A value that would lose blanks or quotes at its
    // ends when read back is written in double quotes, so it reads back unchanged.
    //
    // Refused (false, nothing written): a key or value holding CR, LF or NUL, a key holding
    // '=' or starting with '[' or ';', an empty key, a section name holding ']', CR, LF or
    // NUL or an empty one, and a file that exists but cannot be read (it is never replaced
    // by one that lost its other lines). False as well when the writer fails.
    //
    // A write that would change no byte of an existing file leaves it alone (true). The
    // file is read and replaced under the lock described at lockPathFor; when the lock is
    // not had within LockWaitMilliseconds, nothing is written and false comes back.
    bool writeString(std::string_view section, std::string_view key, std::string_view value);

    // Several keys of one section in one replacement of the file: the same bytes as
    // writeString called for each pair in turn, at the cost of one write. Any refused pair
    // refuses the whole batch (false, nothing written).
    using KeyValue = std::pair<std::string_view, std::string_view>;
    bool writeStrings(std::string_view section, std::span<const KeyValue> entries);

    // Writes the temporary file path + ".tmp" beside the file (removing a stale one left
    // by a crash, creating the folder if needed), flushes it to disk and renames it over
    // path, keeping the old file's permission bits. A symbolic link at path stays: the
    // file it points to is the one replaced, in that file's folder. On any failure the
    // temporary file is removed, false comes back and the old file is untouched. Callers
    // that may run beside another writer hold the lock (writeString does).
    static bool replaceFileAtomically(const std::string &path, const std::string &contents);

    // The file a write replaces: path with symbolic links in its last part followed.
    static std::string resolvedPath(const std::string &path);
    // The advisory lock of a file: path + ".lock" beside the resolved file, held with
    // flock only while a write runs and removed by the writer before it lets go.
    static std::string lockPathFor(const std::string &path);
    static constexpr int LockWaitMilliseconds = 3000;

private:
    std::string path_;
    Writer writer_;
};

} // namespace halvion
