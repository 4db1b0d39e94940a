#pragma once

#include "loudnessmeter.h"
#include "pausemeter.h"
#include "samplemeasures.h"

#include <QString>

#include <array>
#include <optional>

// Measures a sample in one pass over its frames, fed in pieces, so that
// memory stays the same for a word and for an hour.
class SampleAnalyser
{
public:
    static constexpr int MaxChannels = 8;

    SampleAnalyser(int channels, int rate);
    void add(const float *frames, qint64 count);
    SampleMeasures result() const;

private:
    int m_channels;
    int m_rate;
    qint64 m_frames = 0;
    float m_peak = 0;
    bool m_clipped = false;
    std::array<int, MaxChannels> m_clipRuns {};
    std::array<double, MaxChannels> m_sums {};
    LoudnessMeter m_loudness;
    PauseMeter m_pauses;
};

// Decodes the file at path and measures it; nothing when it does not decode
// as a WAV sample or yields no frames.
std::optional<SampleMeasures> analyseSample(const QString &path);
