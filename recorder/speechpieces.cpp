#include "speechpieces.h"

#include "sessionaudio.h"
#include "thresholds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace {

// The room is the level that this share of windows stays below: a session
// pauses more than this between its lines.
constexpr double RoomShare = 0.1;
constexpr double LoudQuantile = 0.95;
constexpr double SpeechOverRoomDb = 10.0;
// Where speech is far louder than the room, it must stand this share of
// the way up.
constexpr double SpeechShareOfRange = 0.3;
constexpr double SoftAboveRoomDb = 6.0;
constexpr qint64 SoftWindows = qint64(PauseSoftSoundMs / PauseWindowMs);
// Pauses inside a line and between lines are told apart where their two
// kinds differ this much in length on average, with a gap this wide
// between the longest of one and the shortest of the other; the line gap
// then lies between these.
constexpr double DistinctKinds = 2.5;
constexpr double Valley = 1.3;
constexpr qint64 ShortestLineGap = 25;
constexpr qint64 LongestLineGap = 200;

// The level that share of the windows louder than digital silence stays below.
int quantile(const std::array<qint64, 256> &histogram, double share)
{
    const qint64 sounding = std::accumulate(histogram.begin() + 1, histogram.end(), qint64(0));
    qint64 below = 0;
    for (int level = 1; level < 256; ++level) {
        below += histogram[std::size_t(level)];
        if (double(below) > share * double(sounding))
            return level;
    }
    return 255;
}

} // namespace

QList<Stretch> speechPieces(const std::vector<quint8> &levels)
{
    std::array<qint64, 256> histogram {};
    for (const quint8 level : levels)
        ++histogram[level];
    if (histogram[0] == qint64(levels.size()))
        return {};
    const double room = SessionAudio::dbOf(quint8(quantile(histogram, RoomShare)));
    const double loud = SessionAudio::dbOf(quint8(quantile(histogram, LoudQuantile)));
    const double speech = std::max(
        { room + SpeechOverRoomDb, room + SpeechShareOfRange * (loud - room), SilentLevelDb });
    const double soft = room + SoftAboveRoomDb;
    const auto size = qint64(levels.size());
    const auto at = [&](qint64 window) { return SessionAudio::dbOf(levels[std::size_t(window)]); };

    QList<Stretch> pieces;
    for (qint64 window = 0; window < size;) {
        if (at(window) < speech) {
            ++window;
            continue;
        }
        Stretch loud { window, window };
        while (loud.to < size && at(loud.to) >= speech)
            ++loud.to;
        window = loud.to;
        if (!pieces.isEmpty() && loud.from - pieces.last().to < MinPauseWindows)
            pieces.last().to = loud.to;
        else
            pieces.append(loud);
    }
    pieces.removeIf([](const Stretch &piece) { return piece.length() < MinSpeechWindows; });
    // The soft sound at each end, as far as the neighbour leaves room.
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const qint64 before = i > 0 ? pieces[i - 1].to : 0;
        const qint64 after = i + 1 < pieces.size() ? pieces[i + 1].from : size;
        Stretch &piece = pieces[i];
        for (qint64 n = 0; n < SoftWindows && piece.from > before && at(piece.from - 1) >= soft;
             ++n)
            --piece.from;
        for (qint64 n = 0; n < SoftWindows && piece.to < after && at(piece.to) >= soft; ++n)
            ++piece.to;
    }
    return pieces;
}

// Two kinds of pause, split where they differ most (Otsu's threshold on the
// logarithm of their lengths).
qint64 lineGap(const QList<Stretch> &pieces)
{
    std::vector<double> gaps;
    for (qsizetype i = 1; i < pieces.size(); ++i)
        gaps.push_back(std::log(double(pieces[i].from - pieces[i - 1].to)));
    std::sort(gaps.begin(), gaps.end());
    const auto count = gaps.size();
    if (count < 4)
        return DefaultLineGapWindows;
    const double total = std::accumulate(gaps.begin(), gaps.end(), 0.0);
    double below = 0;
    double bestSpread = -1;
    std::size_t split = 0;
    for (std::size_t n = 1; n < count; ++n) {
        below += gaps[n - 1];
        const double meanBelow = below / double(n);
        const double meanAbove = (total - below) / double(count - n);
        const double spread
            = double(n) * double(count - n) * (meanAbove - meanBelow) * (meanAbove - meanBelow);
        if (spread > bestSpread) {
            bestSpread = spread;
            split = n;
        }
    }
    const double meanBelow
        = std::accumulate(gaps.begin(), gaps.begin() + std::ptrdiff_t(split), 0.0) / double(split);
    const double meanAbove = (total - meanBelow * double(split)) / double(count - split);
    const auto gap = qint64(std::lround(std::exp((gaps[split - 1] + gaps[split]) / 2)));
    if (meanAbove - meanBelow < std::log(DistinctKinds)
        || gaps[split] - gaps[split - 1] < std::log(Valley) || gap < ShortestLineGap
        || gap > LongestLineGap)
        return DefaultLineGapWindows;
    return gap;
}

QList<PieceRun> utterances(const QList<Stretch> &pieces, qint64 gap)
{
    QList<PieceRun> runs;
    for (int i = 0; i < int(pieces.size()); ++i) {
        if (!runs.isEmpty() && pieces[i].from - pieces[i - 1].to < gap)
            runs.last().last = i;
        else
            runs.append({ i, i });
    }
    return runs;
}
