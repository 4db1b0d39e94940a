#include "commandline.h"

#include "fixsettings.h"

#include <QCommandLineParser>

#include <cmath>

namespace {

const QCommandLineOption JsonOption(QStringLiteral("json"),
                                    QStringLiteral("print one JSON object instead of the table"));
const QCommandLineOption
    NoWordsOption(QStringLiteral("no-words"),
                  QStringLiteral("do not hear which line each sample says (English only)"));
const QCommandLineOption HelpOption(QStringList { QStringLiteral("h"), QStringLiteral("help") },
                                    QStringLiteral("print this help"));
const QCommandLineOption VersionOption(QStringLiteral("version"),
                                       QStringLiteral("print the version"));
const QCommandLineOption
    ChartOption(QStringLiteral("chart"),
                QStringLiteral("draw the voice (with --fix, the fixed copy) in one picture"),
                QStringLiteral("FILE.svg"));
const QCommandLineOption FixOption(
    QStringLiteral("fix"),
    QStringLiteral("write a fixed copy of the voice into OUT, a new or empty folder, and check it"),
    QStringLiteral("OUT"));
const QCommandLineOption
    PadStartOption(QStringLiteral("pad-start"),
                   QStringLiteral("with --fix, the pause kept before each word (default %1)")
                       .arg(DefaultPadStartMs),
                   QStringLiteral("MS"));
const QCommandLineOption PadEndOption(
    QStringLiteral("pad-end"),
    QStringLiteral("with --fix, the pause kept after each word (default %1)").arg(DefaultPadEndMs),
    QStringLiteral("MS"));
const QCommandLineOption
    LoudnessOption(QStringLiteral("loudness"),
                   QStringLiteral("with --fix, the level (default: the voice's median)"),
                   QStringLiteral("LUFS"));

const QList<QCommandLineOption> Options { JsonOption,     NoWordsOption,  ChartOption,
                                          FixOption,      PadStartOption, PadEndOption,
                                          LoudnessOption, HelpOption,     VersionOption };

// A pad longer than a minute or a level outside what loudness can be is a
// typing error.
constexpr double MaxPadMs = 60000;
constexpr double MinLoudnessLufs = -70;

// The number an option was given, checked against its range; the error
// goes to line.
std::optional<double> numberOf(const QCommandLineParser &parser, const QCommandLineOption &option,
                               double low, double high, CommandLine &line)
{
    if (!parser.isSet(option))
        return std::nullopt;
    bool ok = false;
    const double value = parser.value(option).toDouble(&ok);
    if (ok && std::isfinite(value) && value >= low && value <= high)
        return value;
    line.action = CommandLine::UsageError;
    line.error = QStringLiteral("--%1 takes a number from %2 to %3")
                     .arg(option.names().constFirst())
                     .arg(low)
                     .arg(high);
    return std::nullopt;
}

// The options that go with --fix, read into line.
void readFixOptions(const QCommandLineParser &parser, CommandLine &line)
{
    line.fixInto = parser.value(FixOption);
    line.padStartMs = numberOf(parser, PadStartOption, 0, MaxPadMs, line);
    line.padEndMs = numberOf(parser, PadEndOption, 0, MaxPadMs, line);
    line.loudnessLufs = numberOf(parser, LoudnessOption, MinLoudnessLufs, 0, line);
    const bool fixing = parser.isSet(FixOption);
    if (line.action == CommandLine::Check && fixing && line.fixInto.isEmpty()) {
        line.action = CommandLine::UsageError;
        line.error = QStringLiteral("--fix needs a folder to write into");
    } else if (line.action == CommandLine::Check && !fixing
               && (line.padStartMs || line.padEndMs || line.loudnessLufs)) {
        line.action = CommandLine::UsageError;
        line.error = QStringLiteral("--pad-start, --pad-end and --loudness go with --fix");
    }
}

// The parser's own --help and --version would print through Qt and exit, out
// of reach of the check for a failed write.
void setUp(QCommandLineParser &parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(Options);
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
    line.words = !parser.isSet(NoWordsOption);
    line.folder = folders.value(0, line.folder);
    line.chart = parser.value(ChartOption);
    if (parser.isSet(ChartOption) && line.chart.isEmpty()) {
        line.action = CommandLine::UsageError;
        line.error = QStringLiteral("--chart needs a file to draw into");
    }
    readFixOptions(parser, line);
    return line;
}

QString optionsHelp()
{
    QString text;
    for (const QCommandLineOption &option : Options) {
        const QString name = option.names().constLast() + QLatin1Char(' ') + option.valueName();
        text += QStringLiteral("  --%1  %2\n").arg(name.leftJustified(17), option.description());
    }
    return text;
}
