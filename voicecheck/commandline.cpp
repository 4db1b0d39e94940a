#include "commandline.h"

std::optional<CommandLine> parseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    bool folderGiven = false;
    bool optionsEnded = false;
    for (const QString &argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded
                   && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            line.help = true;
        } else if (!optionsEnded && argument == QLatin1String("--json")) {
            line.json = true;
        } else if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            return std::nullopt;
        } else if (folderGiven || argument.isEmpty()) {
            return std::nullopt;
        } else {
            line.folder = argument;
            folderGiven = true;
        }
    }
    return line;
}
