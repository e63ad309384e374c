#include "command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace halvion {

CommandLineAnswer ReadCommandLine(const QStringList &arguments)
{
    const QString name = arguments.isEmpty() ? QStringLiteral("halvion") : QFileInfo(arguments.first()).fileName();
    const QString usage = QStringLiteral("Usage: %1 [--help | --version]\n"
                                         "Shows which NCDXF/IARU beacon is on the air right now.\n"
                                         "\n"
                                         "  --help     print this text and exit\n"
                                         "  --version  print the version and exit\n")
                              .arg(name);

    QCommandLineParser parser;
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(help);
    parser.addOption(version);

    CommandLineAnswer answer;
    if (!parser.parse(arguments)) {
        answer = {true, 2, {}, QStringLiteral("%1: %2\n%3").arg(name, parser.errorText(), usage)};
    } else if (!parser.positionalArguments().isEmpty()) {
        answer = {true, 2, {},
                  QStringLiteral("%1: unexpected argument '%2'\n%3")
                      .arg(name, parser.positionalArguments().first(), usage)};
    } else if (parser.isSet(help)) {
        answer = {true, 0, usage, {}};
    } else if (parser.isSet(version)) {
        answer = {true, 0, QStringLiteral("Halvion %1\n").arg(QStringLiteral(HALVION_VERSION)), {}};
    }
    return answer;
}

} // namespace halvion
