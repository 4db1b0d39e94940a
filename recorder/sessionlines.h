#pragma once

#include "sessionhearing.h"
#include "speechpieces.h"

#include <QList>
#include <QString>
#include <QStringList>

// A line said in a session, and the pieces it was said in.
struct SpokenLine
{
    int line = -1;
    PieceRun run;
    bool operator==(const SpokenLine &) const = default;
};

struct SessionLines
{
    bool wordsHeard = false;
    QString why;              // why not, when the words could not be heard
    QList<SpokenLine> spoken; // in the order said; a line said again is there again
};

// The lines (each as its words; an empty one is never heard) that a
// session's pieces say, found by their words, in any order. A slip, a cough
// or a noise is no line; a line said with a long pause inside is one.
//
// Each utterance (pieces within lineGap of each other) is heard first. Where
// that is not clearly a line, it is heard joined to its neighbours, and cut
// at its pauses, and the pieces are covered by the runs that explain them
// best. The words are judged as a set: a session whose utterances are
// mostly not heard as lines (another language) has none found. The order
// the lines are read in settles close calls: a run heard as a line found
// elsewhere, where the order expects a line like it that is found nowhere,
// is that line when it fits nearly as well. Last, what was heard less
// clearly gets a second look: the line the order expects in a stretch and
// found nowhere, and a line said again a moment after it (a retake), stand
// however unclear; a take much shorter than its line's last is a slip.
SessionLines findLines(const QList<Stretch> &pieces, qint64 lineGap,
                       const QList<QStringList> &lines, RunHearer &hearer);

// Where the words cannot be heard: the utterances laid on the lines in their
// order, when there are exactly as many; none otherwise.
QList<SpokenLine> layInOrder(const QList<PieceRun> &utterances, int lineCount);
