// voice-check: finds what is wrong with a voice folder as a set, reading it
// the way the player does. It only reads the voice; --fix writes a mended
// copy elsewhere.

#include "commandline.h"
#include "fixreport.h"
#include "reportjson.h"
#include "reporttable.h"
#include "samplewriter.h"
#include "terminal.h"
#include "textcells.h"
#include "voicechart.h"
#include "voicefix.h"
#include "voicereport.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

enum ExitStatus { Clean = 0, ProblemsFound = 1, Failure = 2 };

constexpr char Help[] = "Checks the voice in FOLDER (the current directory when none is given):\n"
                        "every sample the player offers present, decodable, not clipped, as loud\n"
                        "as the rest, trimmed like the rest, in the voice's format, without DC\n"
                        "offset, saying its own line (lines.txt gives the voice's own wording);\n"
                        "and no WAV file that serves no sample.\n\n";
constexpr char ExitHelp[]
    = "\nWith --fix, the voice in FOLDER is only read; the copy in OUT is checked.\n"
      "\nExit status: 0 nothing found, 1 something found, 2 usage error,\n"
      "unreadable folder or failed output.\n";

void printError(const QString &text)
{
    const QByteArray line = "voice-check: " + printable(text).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
}

// A report that did not reach its reader (a full disk, a closed pipe) must
// not pass for one that did.
int printed(const QByteArray &text, int status)
{
    errno = 0;
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    printError(QStringLiteral("cannot write the output: %1")
                   .arg(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO))));
    return Failure;
}

// The argument that named the folder, as the bytes it came in: the last one
// that reads as the folder's name, since the folder follows any options.
const char *folderArgument(int argc, char *argv[], const QString &folder)
{
    for (int i = argc - 1; i >= 1; --i) {
        if (QString::fromLocal8Bit(argv[i]) == folder)
            return argv[i];
    }
    return ".";
}

// Why the folder cannot be checked, for the one line on standard error.
QString folderFault(const QString &folder, std::error_code error)
{
    const char *fault = error == std::errc::no_such_file_or_directory ? "no such folder"
        : error == std::errc::not_a_directory                         ? "not a folder"
                                                                      : "cannot be read";
    return folder + QStringLiteral(": ") + QLatin1String(fault);
}

FixOptions fixOptions(const CommandLine &line)
{
    FixOptions options;
    options.padStartMs = line.padStartMs.value_or(options.padStartMs);
    options.padEndMs = line.padEndMs.value_or(options.padEndMs);
    options.loudnessLufs = line.loudnessLufs;
    return options;
}

QByteArray checkOutput(const CommandLine &line, const VoiceReport &report)
{
    const int columns = terminalColumns();
    return line.json
        ? reportJson(report)
        : reportTable(report, colourOnStandardOutput(), columns > 0 ? columns : TableWidth)
              .toUtf8();
}

// The own name of the folder at the absolute path, which heads the chart
// however the folder was named.
QString folderName(const QString &path)
{
    const QString name = QFileInfo(QDir::cleanPath(path)).fileName();
    return name.isEmpty() ? QStringLiteral("/") : name;
}

// The chart of report, on the folder at folder, into path, unless none was
// asked for; false when it could not be written, which is said.
bool drawChart(const QString &path, const VoiceReport &report, const QString &folder)
{
    const QString error
        = path.isEmpty() ? QString() : saveWholeFile(path, voiceChart(report, folderName(folder)));
    if (!error.isEmpty())
        printError(path + QStringLiteral(": ") + error);
    return error.isEmpty();
}

// Writes the fixed copy of voice, read from the current directory, into
// out, then reports what was done and the check of the copy.
int fixInto(const QString &out, const CommandLine &line, const VoiceReport &voice,
            const QString &chart)
{
    const VoiceFix fix = fixVoice(voice, QStringLiteral("."), out, fixOptions(line));
    if (!fix.error.isEmpty()) {
        printError(fix.error);
        return Failure;
    }
    auto fixed = checkVoice(out, { line.words });
    if (!fixed) {
        printError(folderFault(line.fixInto, std::make_error_code(std::errc::io_error)));
        return Failure;
    }
    fixed->folder = QDir::cleanPath(line.fixInto);
    if (!drawChart(chart, *fixed, out))
        return Failure;
    return printed(line.json ? fixJson(fix.samples, reportJson(*fixed))
                             : fixLines(fix.samples).toUtf8() + '\n' + checkOutput(line, *fixed),
                   fixed->clean() ? Clean : ProblemsFound);
}

} // namespace

int main(int argc, char *argv[])
{
    ignoreBrokenPipes();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine line = parseCommandLine(arguments);
    switch (line.action) {
    case CommandLine::UsageError:
        printError(line.error);
        std::fputs(Usage, stderr);
        return Failure;
    case CommandLine::Help:
        return printed(QByteArray(Usage) + '\n' + Help + optionsHelp().toUtf8() + ExitHelp, Clean);
    case CommandLine::Version:
        return printed("voice-check " VP_VERSION "\n", Clean);
    case CommandLine::Check:
        break;
    }
    // What is written goes where it was named from here, not from the folder.
    const QString out
        = line.fixInto.isEmpty() ? QString() : QDir::current().absoluteFilePath(line.fixInto);
    const QString chart
        = line.chart.isEmpty() ? QString() : QDir::current().absoluteFilePath(line.chart);
    // The folder is entered by the bytes it was named with and read as ".",
    // so a name that is not valid UTF-8 is still found.
    std::error_code error;
    std::filesystem::current_path(argumentPath(folderArgument(argc, argv, line.folder)), error);
    auto report = error ? std::nullopt : checkVoice(QStringLiteral("."), { line.words });
    if (!report) {
        printError(folderFault(line.folder, error));
        return Failure;
    }
    report->folder = QDir::cleanPath(line.folder);
    // Nothing is ever written to the voice's folder.
    if (!chart.isEmpty() && liesInside(chart, QStringLiteral("."))) {
        printError(line.chart + QStringLiteral(": lies inside the voice's folder"));
        return Failure;
    }
    if (!out.isEmpty()) {
        if (const QString fault = outFolderFault(QStringLiteral("."), out); !fault.isEmpty()) {
            printError(line.fixInto + QStringLiteral(": ") + fault);
            return Failure;
        }
        return fixInto(out, line, *report, chart);
    }
    if (!drawChart(chart, *report, QDir::currentPath()))
        return Failure;
    return printed(checkOutput(line, *report), report->clean() ? Clean : ProblemsFound);
}
