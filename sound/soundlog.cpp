#include "soundlog.h"

// Debug messages are off unless asked for.
Q_LOGGING_CATEGORY(lcSound, "voiceplayer.sound", QtInfoMsg)
