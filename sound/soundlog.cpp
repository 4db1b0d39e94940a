#include "soundlog.h"

// Off at every level, not only debug, unless QT_LOGGING_RULES asks: the
// program prints nothing of its own by default.
Q_LOGGING_CATEGORY(lcSound, "voiceplayer.sound", QtFatalMsg)
