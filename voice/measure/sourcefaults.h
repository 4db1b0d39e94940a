#pragma once

#include "problem.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Faults a fix cannot mend but writes on: clipping, which a gain or a
// conversion may round off the wave's flat tops, and silence. The fixed
// file carries them in its comment, so that its check, and the fix of a
// fixed voice, still name them whatever the fix did to the wave.

// The comment for a fixed sample whose source had problems; empty when none
// of them is such a fault.
QByteArray sourceFaultsComment(const QList<Problem> &problems);

// The faults the file at path carries from its source.
QList<Problem> sourceFaults(const QString &path);

// What the check notes on a sample that carries faults: "clipped in the source".
QString sourceFaultsNote(const QList<Problem> &faults);
