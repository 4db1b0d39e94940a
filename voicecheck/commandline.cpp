#include "commandline.h"

#include <QCommandLineParser>

namespace {

const QCommandLineOption JsonOption(QStringLiteral("json"),
                                    QStringLiteral("print one JSON object instead of the table"));
const QCommandLineOption HelpOption(QStringList { QStringLiteral("h"), QStringLiteral("help") },
                                    QStringLiteral("print this help"));
const QCommandLineOption VersionOption(QStringLiteral("version"),
                                       QStringLiteral("print the version"));

// The parser's own --help and --version would print through Qt and exit, out
// of reach of the check for a failed write.
void setUp(QCommandLineParser &parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({ JsonOption, HelpOption, VersionOption });
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("the voice's folder"));
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    setUp(parser);
    CommandLine line;
    const QStringList folders
        = parser.parse(arguments) ? parser.positionalArguments() : QStringList();
    if (!parser.errorText().isEmpty() || folders.size() > 1 || folders.value(0, ".").isEmpty()) {
        line.action = CommandLine::UsageError;
        line.error = !parser.errorText().isEmpty() ? parser.errorText()
            : folders.size() > 1                   ? QStringLiteral("only one folder, please")
                                                   : QStringLiteral("the folder is empty");
        return line;
    }
    line.action = parser.isSet(HelpOption) ? CommandLine::Help
        : parser.isSet(VersionOption)      ? CommandLine::Version
                                           : CommandLine::Check;
    line.json = parser.isSet(JsonOption);
    line.folder = folders.value(0, line.folder);
    return line;
}

QString optionsHelp()
{
    QString text;
    for (const QCommandLineOption &option : { JsonOption, HelpOption, VersionOption })
        text += QStringLiteral("  --%1  %2\n")
                    .arg(option.names().constLast().leftJustified(8), option.description());
    return text;
}
