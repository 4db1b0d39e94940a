#pragma once

#include "problem.h"
#include "samplemeasures.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a voice's samples do as a set: voices differ in level and trimming,
// so each sample is judged against its own voice rather than a fixed norm.
// Each is nothing when no sample could be measured for it.
struct VoiceReference
{
    std::optional<double> loudnessLufs;   // the median of the audible samples
    std::optional<double> silenceStartMs; // the median pauses of the samples with sound
    std::optional<double> silenceEndMs;
    std::optional<int> rate; // the most common format
    std::optional<int> channels;
    std::optional<QString> encoding;
};

// The middle value, or the mean of the two middle ones; 0 for none.
double median(QList<double> values);

// The value most of values take; on a tie the one that comes first.
template<typename T> T mostCommon(const QList<T> &values)
{
    T best {};
    qsizetype bestCount = 0;
    for (const T &value : values) {
        const qsizetype count = values.count(value);
        if (count > bestCount) {
            best = value;
            bestCount = count;
        }
    }
    return best;
}

VoiceReference referenceOf(const QList<SampleMeasures> &voice);

// The problems of a sample that decoded, in listing order. A silent sample
// has that one problem: its level and pauses say nothing more.
QList<Problem> problemsOf(const SampleMeasures &sample, const VoiceReference &voice);
