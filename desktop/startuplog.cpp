#include "startuplog.h"

// Debug messages are off unless asked for.
Q_LOGGING_CATEGORY(lcStartup, "voiceplayer.startup", QtInfoMsg)
