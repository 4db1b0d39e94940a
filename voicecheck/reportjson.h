#pragma once

#include "voicereport.h"

#include <QByteArray>

// The report for scripts: one JSON object with every catalogue name in
// catalogue order; what was not measured, and minus infinity, is null.
QByteArray reportJson(const VoiceReport &report);
