#pragma once

#include <QString>
#include <QStringView>

// The Levenshtein distance between a and b, letter case ignored.
int editDistance(QStringView a, QStringView b);

// The catalogue name closest to a file's name without its ".wav", the
// earlier name in the catalogue on a tie: "TurnLft.wav" gives "TurnLeft".
QString nearestSampleName(const QString &fileName);
