#include "terminal.h"

#include <QString>
#include <QtGlobal>

#ifdef Q_OS_WIN
#    include <io.h>
#    define isatty _isatty
#    define STDOUT_FILENO 1
#else
#    include <csignal>
#    include <unistd.h>
#endif

bool colourOnStandardOutput()
{
    return isatty(STDOUT_FILENO) && qEnvironmentVariableIsEmpty("NO_COLOR");
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
