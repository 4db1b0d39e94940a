#pragma once

#include "problem.h"
#include "samplemeasures.h"

#include <QList>

#include <optional>

// What a voice's samples do as a set: voices differ in level and trimming,
// so each sample is judged against its own voice rather than a fixed norm.
struct VoiceReference
{
    std::optional<double> loudnessLufs; // nothing when no sample is audible
    double silenceStartMs = 0;
    double silenceEndMs = 0;
    int rate = 0;
    int channels = 0;
};

// The middle value, or the mean of the two middle ones; 0 for none.
double median(QList<double> values);

// The value most of values take; on a tie the one that comes first.
int mostCommon(const QList<int> &values);

VoiceReference referenceOf(const QList<SampleMeasures> &voice);

// The problems of a sample that decoded, in listing order.
QList<Problem> problemsOf(const SampleMeasures &sample, const VoiceReference &voice);
