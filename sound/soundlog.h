#pragma once

#include <QLoggingCategory>

// Why there is no sound; silent unless QT_LOGGING_RULES enables
// voiceplayer.sound.
Q_DECLARE_LOGGING_CATEGORY(lcSound)
