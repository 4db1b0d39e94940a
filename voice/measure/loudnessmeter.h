#pragma once

#include <QtGlobal>

#include <memory>

// ITU-R BS.1770 loudness of one whole sample, fed piece by piece.
//
// Integrated loudness gates 400 ms blocks, so a sample shorter than one block
// would have none to measure. Such a sample is measured as a single block of
// its own length: the K-weighted mean square over the whole sample, with the
// same -70 LUFS absolute gate. Padding it with silence instead would lower the
// figure by the share of padding, so that "Then" would read quieter than
// "At the roundabout" at the same level.
class LoudnessMeter
{
public:
    // With truePeak, it also finds the peak between samples (4x oversampled),
    // which costs several times the time.
    LoudnessMeter(int channels, int rate, bool truePeak = false);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter &) = delete;
    LoudnessMeter &operator=(const LoudnessMeter &) = delete;

    void add(const float *frames, qint64 count);
    // LUFS; minus infinity for silence below the absolute gate.
    double lufs() const;
    // The highest true peak of any channel, a magnitude relative to full
    // scale; 0 without truePeak.
    double truePeak() const;

private:
    // libebur128's state, a typedef of an unnamed struct, cannot be declared here.
    struct State;
    std::unique_ptr<State> m_state;
    int m_channels = 0;
    int m_rate = 0;
    qint64 m_frames = 0;
};
