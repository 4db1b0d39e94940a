#pragma once

#include <QLoggingCategory>

// Why start-up went as it did; silent unless QT_LOGGING_RULES enables
// voiceplayer.startup.
Q_DECLARE_LOGGING_CATEGORY(lcStartup)
