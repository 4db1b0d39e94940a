#pragma once

#include <QList>
#include <QtGlobal>

#include <vector>

// Where a long recording holds speech, from the level of each 10 ms window
// (SessionAudio's levels). Positions count windows.

// The windows [from, to).
struct Stretch
{
    qint64 from = 0;
    qint64 to = 0;
    qint64 length() const { return to - from; }
    bool operator==(const Stretch &) const = default;
};

// Speech is what stands clear of the room, the quieter part of the
// recording, by at least 10 dB, and by more where the speech is
// far louder, with the soft sound (s, f, h) that runs on from it for up to
// PauseSoftSoundMs. A pause of MinPauseWindows or more parts two pieces; a
// click shorter than MinSpeechWindows is none.
inline constexpr qint64 MinPauseWindows = 15;
inline constexpr qint64 MinSpeechWindows = 5;

QList<Stretch> speechPieces(const std::vector<quint8> &levels);

// The shortest pause that lies between two lines rather than inside one:
// the valley between the two kinds of pause, where the recording shows one;
// otherwise DefaultLineGapWindows.
inline constexpr qint64 DefaultLineGapWindows = 50;
qint64 lineGap(const QList<Stretch> &pieces);

// A run of pieces, pieces[first] to pieces[last], with the pauses between.
struct PieceRun
{
    int first = 0;
    int last = 0;
    bool operator==(const PieceRun &) const = default;
};

// The pieces joined across every pause shorter than gap: what was said in
// one breath, a line as far as the pauses tell.
QList<PieceRun> utterances(const QList<Stretch> &pieces, qint64 gap);
