#pragma once

#include "clipdetector.h"
#include "loudnessmeter.h"
#include "pausemeter.h"
#include "samplemeasures.h"

#include <QString>

class SpeechAudio;

#include <array>
#include <optional>

// Measures a sample in one pass over its frames, fed in pieces, so that
// memory stays the same for a word and for an hour.
class SampleAnalyser
{
public:
    static constexpr int MaxChannels = 8;

    // step: the encoding's smallest step near full scale.
    SampleAnalyser(int channels, int rate, double step = 1.0 / 32768);
    void add(const float *frames, qint64 count);
    SampleMeasures result() const;

private:
    int m_channels;
    int m_rate;
    qint64 m_frames = 0;
    std::array<float, MaxChannels> m_peaks {};
    std::array<ClipDetector, MaxChannels> m_clips;
    std::array<double, MaxChannels> m_sums {};
    LoudnessMeter m_loudness;
    PauseMeter m_pauses;
};

// Decodes the file at path and measures it; nothing when it does not decode
// as a WAV sample or yields no frames, and then why, when why is given. A
// sample that carries faults from the source of its fix has them, and why
// says so. speech, when given, gets the sample as the recogniser hears it.
std::optional<SampleMeasures> analyseSample(const QString &path, QString *why = nullptr,
                                            SpeechAudio *speech = nullptr);
