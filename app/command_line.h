#pragma once
// The command line: `--help` and `--version` are the only arguments. Anything else
// is an error, and the program still takes no other input from the command line.
// Read before the application object exists, so both answers work without a display.

#include <QStringList>
#include <QString>

namespace halvion {

struct CommandLineAnswer {
    bool exitNow = false; // true: print and end with exitCode; false: start the program
    int exitCode = 0;
    QString out;          // for standard output
    QString err;          // for standard error
};

// arguments[0] is the program's name, as in argv.
CommandLineAnswer ReadCommandLine(const QStringList &arguments);

} // namespace halvion
