// voice-check: finds what is wrong with a voice folder as a set, reading it
// the way the player does. It only reads.

#include "commandline.h"
#include "reportjson.h"
#include "reporttable.h"
#include "terminal.h"
#include "voicereport.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

enum ExitStatus { Clean = 0, ProblemsFound = 1, UsageError = 2 };

void print(std::FILE *stream, const QByteArray &text)
{
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stream);
}

constexpr char Help[] = "Checks the voice in FOLDER (the current directory when none is given):\n"
                        "every sample the player offers present, decodable, not clipped, as loud\n"
                        "as the rest, trimmed like the rest, in the voice's format, without DC\n"
                        "offset; and no WAV file that serves no sample.\n\n"
                        "  --json   print one JSON object instead of the table\n"
                        "  --help   print this help\n\n"
                        "Exit status: 0 nothing found, 1 something found, 2 usage error or\n"
                        "unreadable folder.\n";

// Why folder cannot be checked, for the one line on standard error.
QByteArray folderFault(const QString &folder)
{
    const QFileInfo info(folder);
    const char *fault = !info.exists() ? "no such folder"
        : !info.isDir()                ? "not a folder"
                                       : "cannot be read";
    return "voice-check: " + printable(folder).toUtf8() + ": " + fault + '\n';
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const auto line = parseCommandLine(arguments);
    if (!line) {
        print(stderr, Usage);
        return UsageError;
    }
    if (line->help) {
        print(stdout, QByteArray(Usage) + '\n' + Help);
        return Clean;
    }
    const QString folder = QDir::cleanPath(line->folder);
    const auto report = checkVoice(folder);
    if (!report) {
        print(stderr, folderFault(folder));
        return UsageError;
    }
    print(stdout,
          line->json ? reportJson(*report)
                     : reportTable(*report, colourOnStandardOutput()).toUtf8());
    return report->clean() ? Clean : ProblemsFound;
}
