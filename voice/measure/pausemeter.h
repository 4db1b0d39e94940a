#pragma once

#include "thresholds.h"

#include <QtGlobal>

#include <array>
#include <limits>

// How much of each end of a sample holds no speech, fed piece by piece.
//
// The sample is cut into 10 ms windows, each measured by its mean square,
// and judged against its loudest window alone. The word is every window
// within PauseBelowSpeechDb of it, and at each end of that the soft sound
// (s, f, h, th) that runs on from it, down to PauseSoftBelowSpeechDb, for
// at most PauseSoftSoundMs. Everything outside is pause, whatever it holds:
// nothing outside the word moves the line, so a fix that replaces a pause
// by its pad leaves the pause's end where it was.
//
// The loudest window is known only at the end, so each level is kept in a
// histogram with the first and last window at that level, and the windows
// just before its first and after its last: memory stays the same for a
// word and an hour.
class PauseMeter
{
public:
    // step: the encoding's smallest step; a window no louder than that is
    // pause however quiet the word, so that the coding's own noise (an
    // 8-bit sample's dither) is.
    PauseMeter(int channels, int rate, double step = 0);
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
    static constexpr int Soft = int(PauseSoftSoundMs / PauseWindowMs); // windows at most
    using Neighbours = std::array<float, Soft>; // levels, nearest first; -inf for none

    void closeWindow();
    static int binOf(double db);
    static int softWindows(const Neighbours &neighbours, double softDb);

    int m_channels;
    qint64 m_windowFrames;
    double m_floorDb;
    qint64 m_frames = 0;
    qint64 m_inWindow = 0;
    double m_sum = 0;
    qint64 m_windows = 0;
    double m_loudestDb = -std::numeric_limits<double>::infinity();
    std::array<qint64, Bins> m_first;
    std::array<qint64, Bins> m_last;
    std::array<Neighbours, Bins> m_before; // the windows before the first at that level
    std::array<Neighbours, Bins> m_after;  // and after the last, as far as they came
    Neighbours m_recent;                   // the latest windows, newest first
    std::array<qint16, Soft> m_recentBins;
};
