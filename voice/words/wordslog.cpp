#include "wordslog.h"

Q_LOGGING_CATEGORY(lcWords, "voiceplayer.words", QtFatalMsg)
