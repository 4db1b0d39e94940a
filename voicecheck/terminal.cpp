#include "terminal.h"

#include <QString>
#include <QtGlobal>

#ifdef Q_OS_WIN
#    include <io.h>
#    define isatty _isatty
#    define STDOUT_FILENO 1
#else
#    include <csignal>
#    include <sys/ioctl.h>
#    include <unistd.h>
#endif

bool colourOnStandardOutput()
{
    return isatty(STDOUT_FILENO) && qEnvironmentVariableIsEmpty("NO_COLOR");
}

int terminalColumns()
{
    if (!isatty(STDOUT_FILENO))
        return 0;
#ifdef TIOCGWINSZ
    winsize size {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
#endif
    // Where the system cannot say, the shell's COLUMNS may.
    bool known = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &known);
    return known && columns > 0 ? columns : 0;
}

void ignoreBrokenPipes()
{
#ifndef Q_OS_WIN
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

std::filesystem::path argumentPath(const char *argument)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(QString::fromLocal8Bit(argument).toStdWString());
#else
    return std::filesystem::path(argument);
#endif
}
