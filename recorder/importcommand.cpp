#include "importcommand.h"

#include "sessionimport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <cstring>

namespace {

enum ExitStatus { AllFound = 0, SomeNotFound = 1, Failure = 2 };

constexpr char Usage[] = "Usage: voice-recorder --import RECORDING [FOLDER]\n"
                         "Finds each line of the voice in FOLDER (the current directory when\n"
                         "none is given) in RECORDING, a session read from the lines, and keeps\n"
                         "each as a take of its name.\n"
                         "Exit status: 0 every line found, 1 some not found, 2 usage error,\n"
                         "a recording that cannot be read or a folder that cannot be written.\n";

// A report that did not reach its reader (a full disk, a closed pipe) must
// not pass for one that did.
int printed(const QString &text, int status)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status : Failure;
}

} // namespace

bool asksForImport(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--import") == 0 || std::strncmp(argv[i], "--import=", 9) == 0)
            return true;
    }
    return false;
}

int runImport(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption import(QStringLiteral("import"),
                                    QStringLiteral("The session recording to import."),
                                    QStringLiteral("RECORDING"));
    parser.addOption(import);
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("The voice's folder."));
    if (!parser.parse(app.arguments()) || parser.values(import).size() != 1
        || parser.positionalArguments().size() > 1) {
        const QString error = parser.errorText().isEmpty()
            ? QStringLiteral("one recording and at most one folder")
            : parser.errorText();
        return printed(QStringLiteral("voice-recorder: %1\n%2").arg(error, QLatin1String(Usage)),
                       Failure);
    }
    const QString folder
        = QDir(parser.positionalArguments().value(0, QDir::currentPath())).absolutePath();
    const SessionImport done = importSession(parser.value(import), folder);
    const int status = done.outcome == SessionImport::Outcome::AllFound ? AllFound
        : done.outcome == SessionImport::Outcome::SomeNotFound          ? SomeNotFound
                                                                        : Failure;
    return printed(importReport(done).join(QLatin1Char('\n')) + QLatin1Char('\n'), status);
}
