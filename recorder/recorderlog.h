#pragma once

#include <QLoggingCategory>

// What the recorder met: the input device, files it could not write;
// silent unless QT_LOGGING_RULES enables voiceplayer.recorder.
Q_DECLARE_LOGGING_CATEGORY(lcRecorder)
