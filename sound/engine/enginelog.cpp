#include "enginelog.h"

// Debug messages are off unless asked for.
Q_LOGGING_CATEGORY(lcEngine, "voiceplayer.sound.engine", QtInfoMsg)
