#include "wordjudgement.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int WindowSamples = Recogniser::Rate / 100;
// A copy may have been converted or dithered: levels within this of the
// other's, but for this share of windows, on lengths this close.
constexpr double CopyLevelDb = 6;
constexpr double CopyDifferingShare = 0.03;
constexpr double CopyLengthShare = 0.03;
// Windows this far below the loudest are room and dither, which a copy
// need not keep.
constexpr double CopyRangeDb = 40;

bool above(const std::optional<int> &margin, int least)
{
    return margin && *margin >= least;
}

// Whether sample i, heard as another line, says that line: see the top of
// the header for why each way of knowing is enough.
bool saysOther(const QList<SampleWords> &samples, int i, const MarginOf &marginOf)
{
    const Hearing &hearing = samples[i].hearing;
    const int other = hearing.line;
    const SampleWords &theirs = samples[other];
    const int theirLine = theirs.hearing.line;
    if (theirs.heard && theirLine == other && sameRecording(samples[i].contour, theirs.contour))
        return true;
    if (!above(hearing.margin, SwapMargin / 2))
        return false;
    // The two halves of a swap are evidence together.
    const auto back = !theirs.heard || theirLine == other ? std::nullopt
        : theirLine == i                                  ? theirs.hearing.margin
                                                          : marginOf(other, i);
    const bool swapped = above(back, SwapMargin / 2) && *back + *hearing.margin >= 2 * SwapMargin;
    return swapped || above(hearing.margin, LoneMargin);
}

// A sample that says the line of one found to say its own, heard as a
// third line because their words are alike ("the first exit" heard as "the
// third"), is the other half of that swap when it fits that line far
// better than its own.
void completeSwaps(const QList<SampleWords> &samples, const MarginOf &marginOf,
                   WordsVerdict &verdict)
{
    for (int found = 0; found < int(samples.size()); ++found) {
        const int i = verdict.wrong[found] ? verdict.heard[found] : -1;
        if (i < 0 || verdict.wrong[i] || !samples[i].heard || samples[i].hearing.line == i
            || !above(marginOf(i, found), SwapMargin))
            continue;
        verdict.wrong[i] = true;
        verdict.heard[i] = found;
    }
}

} // namespace

WordsVerdict judgeWords(const QList<SampleWords> &samples, const MarginOf &marginOf)
{
    WordsVerdict verdict;
    verdict.heard.fill(-1, samples.size());
    verdict.wrong.fill(false, samples.size());
    for (qsizetype i = 0; i < samples.size(); ++i) {
        verdict.checkable += samples[i].heard ? 1 : 0;
        verdict.heardOwn += samples[i].heard && samples[i].hearing.line == i ? 1 : 0;
    }
    if (verdict.checkable < MinJudgedSamples) {
        verdict.reason = QStringLiteral("only %1 samples have a line to hear in words the "
                                        "speech model knows; %2 are needed")
                             .arg(verdict.checkable)
                             .arg(MinJudgedSamples);
        return verdict;
    }
    if (verdict.heardOwn < MinOwnShare * verdict.checkable) {
        verdict.reason = QStringLiteral("only %1 of %2 samples were heard as their own lines "
                                        "(another language, or lines that are not the voice's)")
                             .arg(verdict.heardOwn)
                             .arg(verdict.checkable);
        return verdict;
    }
    verdict.checked = true;
    for (int i = 0; i < int(samples.size()); ++i) {
        const int line = samples[i].hearing.line;
        if (!samples[i].heard || line < 0)
            continue;
        verdict.wrong[i] = line != i && saysOther(samples, i, marginOf);
        verdict.heard[i] = line == i || verdict.wrong[i] ? line : -1;
    }
    completeSwaps(samples, marginOf, verdict);
    return verdict;
}

QList<float> levelContour(std::span<const qint16> audio)
{
    QList<float> levels;
    for (std::size_t from = 0; from + WindowSamples <= audio.size(); from += WindowSamples) {
        double squares = 0;
        for (std::size_t i = from; i < from + WindowSamples; ++i)
            squares += double(audio[i]) * audio[i];
        levels.append(float(10 * std::log10(squares / WindowSamples + 1)));
    }
    return levels;
}

bool sameRecording(const QList<float> &a, const QList<float> &b)
{
    const auto shorter = std::min(a.size(), b.size());
    if (shorter == 0 || std::max(a.size(), b.size()) - shorter > CopyLengthShare * shorter)
        return false;
    const float floorA = *std::max_element(a.begin(), a.end()) - CopyRangeDb;
    const float floorB = *std::max_element(b.begin(), b.end()) - CopyRangeDb;
    QList<float> differences;
    for (qsizetype i = 0; i < shorter; ++i) {
        if (a[i] > floorA || b[i] > floorB)
            differences.append(a[i] - b[i]);
    }
    if (differences.isEmpty())
        return false;
    QList<float> sorted = differences;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const float gain = sorted[sorted.size() / 2];
    const auto differing = std::count_if(differences.begin(), differences.end(), [gain](float d) {
        return std::fabs(d - gain) > CopyLevelDb;
    });
    return differing <= CopyDifferingShare * double(differences.size());
}
