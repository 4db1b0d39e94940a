#include "voicejudgement.h"

#include "thresholds.h"

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

namespace {

std::optional<double> medianOf(const QList<double> &values)
{
    return values.isEmpty() ? std::nullopt : std::optional(median(values));
}

template<typename T> std::optional<T> mostCommonOf(const QList<T> &values)
{
    return values.isEmpty() ? std::nullopt : std::optional(mostCommon(values));
}

bool differs(const auto &value, const auto &reference)
{
    return reference && value != *reference;
}

bool beyond(double value, const std::optional<double> &reference, double tolerance)
{
    return reference && value > *reference + tolerance;
}

} // namespace

VoiceReference referenceOf(const QList<SampleMeasures> &voice)
{
    QList<double> loudness;
    QList<double> starts;
    QList<double> ends;
    QList<int> rates;
    QList<int> channels;
    QList<QString> encodings;
    for (const SampleMeasures &sample : voice) {
        if (std::isfinite(sample.loudnessLufs))
            loudness.append(sample.loudnessLufs);
        if (!sample.silent) {
            starts.append(sample.leadingPauseMs());
            ends.append(sample.trailingPauseMs());
        }
        rates.append(sample.rate);
        channels.append(sample.channels);
        encodings.append(sample.encoding);
    }
    return { medianOf(loudness),  medianOf(starts),       medianOf(ends),
             mostCommonOf(rates), mostCommonOf(channels), mostCommonOf(encodings) };
}

QList<Problem> problemsOf(const SampleMeasures &sample, const VoiceReference &voice)
{
    if (sample.silent)
        return { Problem::Silent };
    QList<Problem> problems;
    if (sample.truncated())
        problems.append(Problem::Truncated);
    if (sample.clipped)
        problems.append(Problem::Clipped);
    if (voice.loudnessLufs) {
        // Silence (minus infinity) is as quiet as a sample gets.
        if (sample.loudnessLufs < *voice.loudnessLufs - LoudnessToleranceLu)
            problems.append(Problem::Quiet);
        if (sample.loudnessLufs > *voice.loudnessLufs + LoudnessToleranceLu)
            problems.append(Problem::Loud);
    }
    if (beyond(sample.leadingPauseMs(), voice.silenceStartMs, SilenceToleranceMs))
        problems.append(Problem::SilenceStart);
    if (beyond(sample.trailingPauseMs(), voice.silenceEndMs, SilenceToleranceMs))
        problems.append(Problem::SilenceEnd);
    if (differs(sample.rate, voice.rate) || differs(sample.channels, voice.channels)
        || differs(sample.encoding, voice.encoding))
        problems.append(Problem::Format);
    if (sample.dcOffset > DcOffsetLimit)
        problems.append(Problem::DcOffset);
    return problems;
}
