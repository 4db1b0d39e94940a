#include "terminal.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#    include <io.h>
#    define isatty _isatty
#    define STDOUT_FILENO 1
#else
#    include <unistd.h>
#endif

bool colourOnStandardOutput()
{
    return isatty(STDOUT_FILENO) && qEnvironmentVariableIsEmpty("NO_COLOR");
}
