#pragma once

#include <QString>

#include <array>
#include <functional>

// How one sample is reshaped on its way to the fixed voice. Positions count
// the source's frames.
struct ChainPlan
{
    static constexpr int MaxChannels = 8;

    std::array<double, MaxChannels> dc {}; // each channel's mean, taken away
    qint64 keepFrom = 0;                   // the source's frames [keepFrom, keepTo) are kept
    qint64 keepTo = 0;
    qint64 silenceBefore = 0; // frames of digital silence added at each end
    qint64 silenceAfter = 0;
    qint64 fadeIn = 0; // frames faded at each cut, so that no cut clicks
    qint64 fadeOut = 0;
    int channels = 1; // the fixed voice's format
    int rate = 0;
};

// A span of milliseconds in frames at rate.
qint64 framesOf(double ms, int rate);

// Has plan keep the frames of a sample sourceFrames long from start to end,
// with digital silence where either lies beyond it, and a fade at each cut
// inside the sample, no longer than the pad it falls in nor than what is kept.
void cutPlan(ChainPlan &plan, qint64 start, qint64 end, qint64 sourceFrames, int rate,
             double padStartMs, double padEndMs);
// The fades of the plan's cuts, as cutPlan sets them.
void fadeCuts(ChainPlan &plan, qint64 sourceFrames, int rate, double padStartMs, double padEndMs);

// Interleaved frames in the plan's format; false stops the chain.
using FrameSink = std::function<bool(const float *frames, qint64 count)>;

// Decodes the sample at path and hands it, reshaped, to sink piece by piece,
// so that an hour costs no more memory than a word. False when the file does
// not open or sink stopped it.
bool runChain(const QString &path, const ChainPlan &plan, const FrameSink &sink);

// Hands the sample at path to sink as it is decoded, in pieces.
bool decodeSample(const QString &path, const FrameSink &sink);
