#pragma once

#include <QLoggingCategory>

// What the recogniser and its speech model said; silent unless
// QT_LOGGING_RULES enables voiceplayer.words.
Q_DECLARE_LOGGING_CATEGORY(lcWords)
