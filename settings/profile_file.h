#pragma once
// The settings file's INI layer: "[section]" header lines and "key=value" lines, read
// and written one key at a time. Nothing is cached: every read consults the file, and
// every write rebuilds it with only that one key changed (all other bytes kept as they
// were) and puts it in place atomically, so a crash never leaves a half-written file.
//
// Files kept by hand or by other tools read alike: CRLF or LF line ends, section and
// key names in any letter case, blanks and tabs around '=' and around the value, one
// pair of double quotes around a value. Lines before the first section, lines without '=',
// comment lines (';') and a header without ']' count as no key. Only the first section
// of a name is looked at, and in it the first line of a key.

#include <functional>
#include <string>
#include <string_view>

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
    bool writeString(std::string_view section, std::string_view key, std::string_view value);

    // Writes a temporary file in the same folder (creating the folder if needed), flushes
    // it to disk and renames it over path, keeping the old file's permission bits. On any
    // failure the temporary file is removed, false comes back and the old file is untouched.
    static bool replaceFileAtomically(const std::string &path, const std::string &contents);

private:
    std::string path_;
    Writer writer_;
};

} // namespace halvion
