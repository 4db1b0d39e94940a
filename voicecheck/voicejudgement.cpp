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
        starts.append(sample.leadingSilenceMs());
        ends.append(sample.trailingSilenceMs());
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

QStringList problemsOf(const SampleMeasures &sample, const VoiceReference &voice)
{
    QStringList problems;
    if (sample.clipped)
        problems.append(QStringLiteral("clipped"));
    if (voice.loudnessLufs) {
        // Silence (minus infinity) is as quiet as a sample gets.
        if (sample.loudnessLufs < *voice.loudnessLufs - LoudnessToleranceLu)
            problems.append(QStringLiteral("quiet"));
        if (sample.loudnessLufs > *voice.loudnessLufs + LoudnessToleranceLu)
            problems.append(QStringLiteral("loud"));
    }
    if (sample.leadingSilenceMs() > voice.silenceStartMs + SilenceToleranceMs)
        problems.append(QStringLiteral("silence-start"));
    if (sample.trailingSilenceMs() > voice.silenceEndMs + SilenceToleranceMs)
        problems.append(QStringLiteral("silence-end"));
    if (sample.rate != voice.rate || sample.channels != voice.channels)
        problems.append(QStringLiteral("format"));
    if (sample.dcOffset > DcOffsetLimit)
        problems.append(QStringLiteral("dc-offset"));
    return problems;
}
