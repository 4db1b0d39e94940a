#include "voicejudgement.h"

#include "thresholds.h"

#include <QMap>

#include <algorithm>
#include <cmath>

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    const qsizetype middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    if (values.size() % 2 == 1)
        return values[middle];
    const double below = *std::max_element(values.begin(), values.begin() + middle);
    return (below + values[middle]) / 2;
}

int mostCommon(const QList<int> &values)
{
    int best = 0;
    qsizetype bestCount = 0;
    for (const int value : values) {
        const qsizetype count = values.count(value);
        if (count > bestCount) {
            best = value;
            bestCount = count;
        }
    }
    return best;
}

VoiceReference referenceOf(const QList<SampleMeasures> &voice)
{
    QList<double> loudness;
    QList<double> starts;
    QList<double> ends;
    QList<int> rates;
    QList<int> channels;
    for (const SampleMeasures &sample : voice) {
        if (std::isfinite(sample.loudnessLufs))
            loudness.append(sample.loudnessLufs);
        starts.append(sample.leadingPauseMs());
        ends.append(sample.trailingPauseMs());
        rates.append(sample.rate);
        channels.append(sample.channels);
    }
    VoiceReference reference;
    if (!loudness.isEmpty())
        reference.loudnessLufs = median(loudness);
    reference.silenceStartMs = median(starts);
    reference.silenceEndMs = median(ends);
    reference.rate = mostCommon(rates);
    reference.channels = mostCommon(channels);
    return reference;
}

QList<Problem> problemsOf(const SampleMeasures &sample, const VoiceReference &voice)
{
    QList<Problem> problems;
    if (sample.clipped)
        problems.append(Problem::Clipped);
    if (voice.loudnessLufs) {
        // Silence (minus infinity) is as quiet as a sample gets.
        if (sample.loudnessLufs < *voice.loudnessLufs - LoudnessToleranceLu)
            problems.append(Problem::Quiet);
        if (sample.loudnessLufs > *voice.loudnessLufs + LoudnessToleranceLu)
            problems.append(Problem::Loud);
    }
    if (sample.leadingPauseMs() > voice.silenceStartMs + SilenceToleranceMs)
        problems.append(Problem::SilenceStart);
    if (sample.trailingPauseMs() > voice.silenceEndMs + SilenceToleranceMs)
        problems.append(Problem::SilenceEnd);
    if (sample.rate != voice.rate || sample.channels != voice.channels)
        problems.append(Problem::Format);
    if (sample.dcOffset > DcOffsetLimit)
        problems.append(Problem::DcOffset);
    return problems;
}
