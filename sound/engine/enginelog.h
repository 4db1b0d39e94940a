#pragma once

#include <QLoggingCategory>

// What the engine could not play, and why; silent unless QT_LOGGING_RULES
// enables voiceplayer.sound.engine. The engine module defines its own.
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
