#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The Levenshtein distance between a and b, letter case ignored.
int editDistance(QStringView a, QStringView b);

// The catalogue name a file's name without its ".wav" is plausibly a
// misspelling of: the closest, the earlier in the catalogue on a tie, and
// only when at most one edit in four letters of that name (at least one
// edit) sets them apart. "TurnLft.wav" gives "TurnLeft", "RbExt3.wav"
// "RbExit3"; "clip_1.wav" and "del.wav" give nothing.
std::optional<QString> nearestSampleName(const QString &fileName);
