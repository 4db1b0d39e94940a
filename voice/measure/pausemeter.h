#pragma once

#include <QtGlobal>

#include <array>

// How much of each end of a sample holds no speech, fed piece by piece.
//
// The sample is cut into 10 ms windows, each measured by its mean square.
// An end is pause up to the first window louder than a threshold set from
// the sample itself: well below its loudest window, so that a soft s, f, h
// or th stays part of the word, and well above its quietest, so that hiss,
// dither, room tone or a breath does not. The threshold is known only at
// the end, so each window level is kept in a histogram with the first and
// last window at that level: memory stays the same for a word and an hour.
// The room's own level is read at each end, where a pause would be, from
// its outermost window: a noisy end gets a threshold above its noise.
class PauseMeter
{
public:
    PauseMeter(int channels, int rate);
    void add(const float *frames, qint64 count);

    struct Ends
    {
        qint64 leading = 0; // frames
        qint64 trailing = 0;
        double speechDb = 0; // the loudest window; minus infinity for digital silence
    };
    Ends ends() const;

private:
    static constexpr int Bins = 300; // 0.5 dB each from -140 dB, bin 0 for anything below
    void closeWindow();
    double levelOf(int bin) const;
    double threshold(double speech, int endBin) const;

    int m_channels;
    qint64 m_windowFrames;
    qint64 m_frames = 0;
    qint64 m_inWindow = 0;
    double m_sum = 0;
    qint64 m_windows = 0;
    int m_firstBin = 0;
    int m_lastBin = 0;
    std::array<qint64, Bins> m_first;
    std::array<qint64, Bins> m_last;
};
