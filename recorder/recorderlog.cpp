#include "recorderlog.h"

// Off at every level unless QT_LOGGING_RULES asks, like the player's.
Q_LOGGING_CATEGORY(lcRecorder, "voiceplayer.recorder", QtFatalMsg)
