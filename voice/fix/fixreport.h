#pragma once

#include "samplefix.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What --fix did, for people: one line per sample.
QString fixLines(const QList<SampleFix> &fixes);

// What --fix did and the check of the fixed voice, checkJson as reportJson
// gives it, as one JSON object for scripts.
QByteArray fixJson(const QList<SampleFix> &fixes, const QByteArray &checkJson);
