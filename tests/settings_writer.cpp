// A second process for the settings tests and the stress script: sets the keys
// <prefix><first> ... <prefix><first + count - 1> to "v<n>" in the section Halvion of the
// given file, one write per key, and prints each n once its write has succeeded.
// Exits 0 when every write succeeded, 1 otherwise.
//
// Usage: settings_writer FILE PREFIX FIRST COUNT

#include "profile_file.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s FILE PREFIX FIRST COUNT\n", argv[0]);
        return 2;
    }
    halvion::ProfileFile file(argv[1]);
    const std::string prefix = argv[2];
    const long first = std::strtol(argv[3], nullptr, 10);
    const long count = std::strtol(argv[4], nullptr, 10);
    bool allWritten = true;
    for (long n = first; n < first + count; ++n) {
        const std::string number = std::to_string(n);
        if (!file.writeString("Halvion", prefix + number, "v" + number)) {
            allWritten = false;
            continue;
        }
        // Straight to the descriptor: a line printed is a write that has landed, even if
        // the process is killed right after.
        const std::string line = number + "\n";
        if (::write(STDOUT_FILENO, line.data(), line.size()) < 0)
            return 1;
    }
    return allWritten ? 0 : 1;
}
