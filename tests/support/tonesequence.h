#pragma once

#include <QList>

// What the device made of tones played one after another, read back from
// its output. Silence is cut out and charged to the tone boundary where it
// fell; what is left must be the tones themselves, end to end.
struct ToneSequence
{
    // Frames of silence at each boundary between two tones.
    QList<qsizetype> silences;
    // Silences that fell inside a tone: a dropout, a cut, a repeat.
    int strayGaps = 0;
    // Frames of sound in all.
    qsizetype soundFrames = 0;
    // Each tone's pitch, taken from the middle half of where it should be.
    QList<double> pitches;
};

// toneFrames: each tone's length in device frames, in playing order.
ToneSequence analyseTones(const QList<float> &samples, const QList<qsizetype> &toneFrames,
                          int rate);
