#pragma once

#include "recogniser.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <span>
#include <vector>

// The words judged as a set. A recogniser trained on other speakers hears
// an accent, a room or a codec as other words now and then, so one sample
// heard as another line proves nothing alone. A voice is judged only when
// most of its samples are heard as their own lines, and a sample says
// another line only when the evidence is far beyond what honest voices
// show: it is a copy of the recording of the line it is heard as, or its
// line and another's are heard swapped (the other sample heard as this
// one's line, or, heard as a third, explained far better by it than by its
// own), or the other line fits it by a margin no honest sample in the test
// voices came near.

// How far beyond: margins in the recogniser's points. Honest samples heard
// as another line, in voices of several engines, accents, rooms and
// codecs, came to 1,500 at most, never two of them each as the other's
// line; the two halves of a swap came to 1,200 and more together. Each half
// must pass half of SwapMargin, and the two together twice it.
inline constexpr int SwapMargin = 600;
inline constexpr int LoneMargin = 2500;
// A voice is judged when at least this many samples have a line to hear,
// and at least this share of them is heard as its own.
inline constexpr int MinJudgedSamples = 10;
inline constexpr double MinOwnShare = 0.5;

// One sample as the judgement sees it; its own line is its index.
struct SampleWords
{
    bool heard = false; // it had a line and speech to hear
    Hearing hearing;
    QList<float> contour; // levelContour of its words
    // Its words, kept when heard as another line, for a second hearing.
    std::vector<qint16> audio;
};

// How much better line explains sample's words than its own line.
using MarginOf = std::function<std::optional<int>(int sample, int line)>;

struct WordsVerdict
{
    bool checked = false;
    QString reason; // why not, when not
    int checkable = 0;
    int heardOwn = 0;
    QList<int> heard;  // per sample: the line it clearly says, -1 for none
    QList<bool> wrong; // per sample: it says another line than its own
};

WordsVerdict judgeWords(const QList<SampleWords> &samples, const MarginOf &marginOf);

// The level of each 10 ms of audio (mono, Recogniser::Rate), in dB.
QList<float> levelContour(std::span<const qint16> audio);

// Whether two contours come from one recording: as long, and level for
// level alike but for a gain, as a copy, converted or not, is; two takes of
// one line are not.
bool sameRecording(const QList<float> &a, const QList<float> &b);
