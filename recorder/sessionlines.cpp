#include "sessionlines.h"

#include "recorderlog.h"
#include "sessionaudio.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <utility>

namespace {

// The words of a session are heard when at least half its utterances are
// heard as lines this clearly (a deficit, in points per window of speech).
// Honest English voices, synthetic ones too, keep most lines under 8;
// another language, or English with a strong foreign accent, stays above 12.
constexpr double HeardDeficit = 10;
// A run says a line clearly within this of the session's typical deficit,
// and never beyond these; a slip, a cough, half a line came to 16 and more.
constexpr double ClearAboveTypical = 5;
constexpr double LeastClear = 8;
constexpr double MostClear = 12;
// A run heard as a line less clearly, up to this much beyond, is that line
// only where the order of the lines expects it and nothing else says it.
constexpr double UnclearBeyondClear = 8;
// A line may hold pauses up to this long, and last this long with them.
constexpr qint64 LongestPauseInLine = 400;
constexpr qint64 LongestLine = 2000;
// The order settles a close call up to this margin, in points, where the
// lines on both sides expect the same line: honest samples in voices of
// several engines and accents were heard as a line like theirs by up to
// this much. Where only one side expects it, the call must be closer: a
// voice that says "enter" and "exit" alike was heard rightly by less.
constexpr int OrderMargin = 1500;
constexpr int OneSidedOrderMargin = 400;
// A line missing between the two lines read before and after it is found
// in an utterance between them heard up to this much less clearly still: a
// word said alone ("eighty", "after") fits the loose explanation far better
// than a line does, and came to 20 beyond the session's typical deficit.
constexpr double MissingBeyondUnclear = 12;
// A line heard again less clearly, up to this many lines after a take of
// it, is a retake.
constexpr qsizetype RetakeWithin = 3;
// A take of a line shorter than this share of its last take is a slip that
// sounded like it ("take the sec-, sorry"): a line said again whole takes
// about as long.
constexpr double PartialShare = 0.7;

using RunKey = std::pair<int, int>;

RunKey keyOf(const PieceRun &run)
{
    return { run.first, run.last };
}

// Whether two lines differ by at most one word: put in, left out or changed.
bool alike(const QStringList &a, const QStringList &b)
{
    if (a.isEmpty() || b.isEmpty() || std::abs(a.size() - b.size()) > 1)
        return false;
    qsizetype front = 0;
    while (front < a.size() && front < b.size() && a[front] == b[front])
        ++front;
    qsizetype back = 0;
    while (back < a.size() - front && back < b.size() - front
           && a[a.size() - 1 - back] == b[b.size() - 1 - back])
        ++back;
    return std::max(a.size(), b.size()) - front - back <= 1;
}

// Whether part's words stand in line, fewer and next to each other, as
// "turn left" stands in "ahead, turn left".
bool partOf(const QStringList &part, const QStringList &line)
{
    if (part.isEmpty() || part.size() >= line.size())
        return false;
    for (qsizetype at = 0; at + part.size() <= line.size(); ++at) {
        if (std::equal(part.begin(), part.end(), line.begin() + at))
            return true;
    }
    return false;
}

// One run the judgement takes for a line.
struct Taken
{
    PieceRun run;
    HeardRun heard;
    bool clear = false;
    int line = -1;
};

// The lines the order expects at taken[i], -1 where none: the one after
// the clear line before it, and the one before the clear line after it.
std::pair<int, int> expectedAt(const QList<Taken> &taken, qsizetype i)
{
    const auto clearLine = [&](qsizetype n, int step) {
        for (; n >= 0 && n < taken.size(); n += step) {
            if (taken[n].clear)
                return taken[n].line;
        }
        return -1;
    };
    const int before = clearLine(i - 1, -1);
    const int after = clearLine(i + 1, 1);
    return { before < 0 ? -1 : before + 1, after < 0 ? -1 : after - 1 };
}

// How many times each line was heard clearly.
QList<int> clearCounts(const QList<Taken> &taken, qsizetype lines)
{
    QList<int> found(lines, 0);
    for (const Taken &one : taken)
        found[one.line] += one.clear ? 1 : 0;
    return found;
}

// How far the order settles a close call for line at taken[i]: by
// OrderMargin where both lines either side of it expect it, by
// OneSidedOrderMargin where one does and nothing else says it; 0 otherwise.
int orderMargin(const QList<Taken> &taken, qsizetype i, int line, const QList<int> &found)
{
    const auto [next, previous] = expectedAt(taken, i);
    if (line == next && line == previous)
        return OrderMargin;
    return found[line] == 0 && (line == next || line == previous) ? OneSidedOrderMargin : 0;
}

// Whether the order moves taken[i] onto other, which its own line explains
// better by margin. One side's say moves nothing onto a line another run is
// heard as, however unclearly: that run is likelier the line's own reading,
// and taken[i] the reading of a neighbour alike to it.
bool orderMoves(const QList<Taken> &taken, qsizetype i, int other, const QList<int> &found,
                int margin)
{
    const int allowed = orderMargin(taken, i, other, found);
    const bool heardElsewhere = std::any_of(taken.begin(), taken.end(), [&](const Taken &run) {
        return &run != &taken[i] && run.line == other;
    });
    return margin < allowed && (allowed == OrderMargin || !heardElsewhere);
}

class LineFinder
{
public:
    LineFinder(const QList<Stretch> &pieces, const QList<QStringList> &lines, RunHearer &hearer)
        : m_pieces(pieces), m_lines(lines), m_hearer(hearer)
    { }

    SessionLines find(qint64 lineGap);

private:
    void hear(QList<PieceRun> runs);
    const HeardRun *known(const PieceRun &run) const;
    bool fits(const PieceRun &run) const;
    qint64 pauseAfter(int piece) const { return m_pieces[piece + 1].from - m_pieces[piece].to; }
    QList<PieceRun> otherReadings(const QList<PieceRun> &utterances, qsizetype i, bool more) const;
    bool explained(const PieceRun &utterance) const;
    bool partOfLonger(const RunKey &run, const HeardRun &heard) const;
    bool overrides(const RunKey &run, const HeardRun &heard) const;
    bool splitsUtterance(const RunKey &run) const;
    bool expectedThere(const QList<Taken> &alone, const PieceRun &utterance) const;
    QList<Taken> cover() const;
    QList<SpokenLine> inOrder(QList<Taken> taken);
    template<typename Look>
    void betweenSpoken(const QList<SpokenLine> &spoken, const Look &look) const;
    QList<SpokenLine> withMissing(const QList<SpokenLine> &spoken);
    QList<SpokenLine> withRetakes(const QList<SpokenLine> &spoken);
    QList<SpokenLine> withFitting(QList<SpokenLine> spoken,
                                  const QList<std::pair<PieceRun, int>> &asked);
    QList<SpokenLine> withoutSlips(QList<SpokenLine> spoken) const;
    qint64 speechIn(const PieceRun &run) const;

    const QList<Stretch> &m_pieces;
    const QList<QStringList> &m_lines;
    RunHearer &m_hearer;
    QList<PieceRun> m_utterances;
    std::map<RunKey, HeardRun> m_heard;
    double m_clear = LeastClear;
    double m_unclear = LeastClear + UnclearBeyondClear;
};

void LineFinder::hear(QList<PieceRun> runs)
{
    runs.removeIf([this](const PieceRun &run) { return known(run) || !fits(run); });
    std::sort(runs.begin(), runs.end(),
              [](const PieceRun &a, const PieceRun &b) { return keyOf(a) < keyOf(b); });
    runs.erase(std::unique(runs.begin(), runs.end()), runs.end());
    const QList<HeardRun> heard = m_hearer.hear(runs);
    for (qsizetype i = 0; i < runs.size() && i < heard.size(); ++i) {
        m_heard[keyOf(runs[i])] = heard[i];
        qCDebug(lcRecorder).nospace()
            << "pieces " << runs[i].first << "-" << runs[i].last << " at "
            << double(m_pieces[runs[i].first].from) / SessionAudio::WindowsPerSecond
            << " s heard as line " << heard[i].line << ", deficit " << heard[i].deficit();
    }
}

const HeardRun *LineFinder::known(const PieceRun &run) const
{
    const auto found = m_heard.find(keyOf(run));
    return found == m_heard.end() ? nullptr : &found->second;
}

// Whether a line could be said in run: not too long, and no pause in it
// longer than a line holds.
bool LineFinder::fits(const PieceRun &run) const
{
    if (run.first < 0 || run.last >= m_pieces.size() || run.first > run.last
        || m_pieces[run.last].to - m_pieces[run.first].from > LongestLine)
        return false;
    for (int piece = run.first; piece < run.last; ++piece) {
        if (pauseAfter(piece) > LongestPauseInLine)
            return false;
    }
    return true;
}

// The utterance i joined to a neighbour, and cut in two at its longest
// pause; more: joined to both neighbours where neither is a line itself,
// and cut at its next longest pauses too.
QList<PieceRun> LineFinder::otherReadings(const QList<PieceRun> &utterances, qsizetype i,
                                          bool more) const
{
    const PieceRun &own = utterances[i];
    const PieceRun before = i > 0 ? utterances[i - 1] : own;
    const PieceRun after = i + 1 < utterances.size() ? utterances[i + 1] : own;
    QList<PieceRun> runs;
    if (!more)
        runs += { { before.first, own.last }, { own.first, after.last } };
    else if (!explained(before) && !explained(after))
        runs.append({ before.first, after.last });
    QList<int> pauses;
    for (int piece = own.first; piece < own.last; ++piece)
        pauses.append(piece);
    std::sort(pauses.begin(), pauses.end(),
              [this](int a, int b) { return pauseAfter(a) > pauseAfter(b); });
    for (qsizetype n = more ? 1 : 0; n < pauses.size() && n < (more ? 3 : 1); ++n)
        runs += { { own.first, pauses[n] }, { pauses[n] + 1, own.last } };
    return runs;
}

// Whether some run heard so far explains utterance as a line, or its part
// of one.
bool LineFinder::explained(const PieceRun &utterance) const
{
    return std::any_of(m_heard.begin(), m_heard.end(), [&](const auto &run) {
        return run.first.first <= utterance.last && utterance.first <= run.first.second
            && run.second.deficit() <= m_clear;
    });
}

// Whether utterance, heard alone as a line less clearly, stands as that line
// by the order, so that nothing else need be tried.
bool LineFinder::expectedThere(const QList<Taken> &alone, const PieceRun &utterance) const
{
    for (qsizetype i = 0; i < alone.size(); ++i) {
        if (alone[i].run == utterance)
            return orderMargin(alone, i, alone[i].line, clearCounts(alone, m_lines.size())) > 0;
    }
    return false;
}

// Whether run is heard as the words of a longer run around it, heard as a
// line: then it is that line's end, not a line of its own.
bool LineFinder::partOfLonger(const RunKey &run, const HeardRun &heard) const
{
    return std::any_of(m_heard.begin(), m_heard.end(), [&](const auto &longer) {
        return longer.first != run && longer.first.first <= run.first
            && run.second <= longer.first.second && longer.second.deficit() <= m_unclear
            && partOf(m_lines[heard.line], m_lines[longer.second.line]);
    });
}

// Whether run, heard as a line, takes in an utterance heard as a line of its
// own, however unclearly, that is not part of it: a cough before a line,
// heard with it as that line, does not make the cough part of the line, nor
// do two lines said one after the other make a third they sound like
// together ("At the roundabout, turn right. Take the third left." as "At the
// roundabout, take the fourth exit", in a voice heard poorly).
bool LineFinder::overrides(const RunKey &run, const HeardRun &heard) const
{
    return std::any_of(m_utterances.begin(), m_utterances.end(), [&](const PieceRun &utterance) {
        const HeardRun *alone = known(utterance);
        return keyOf(utterance) != run && run.first <= utterance.first
            && utterance.last <= run.second && alone && alone->deficit() <= m_unclear
            && !partOf(m_lines[alone->line], m_lines[heard.line]);
    });
}

// Whether run begins or ends inside an utterance: two lines said in one
// breath, which a voice heard poorly seems to hold wherever a word alone
// sounds like a short line ("ahead" like "after"). Such a run must be heard
// clearly by the strictest measure, whatever the session's typical deficit.
bool LineFinder::splitsUtterance(const RunKey &run) const
{
    return std::none_of(m_utterances.begin(), m_utterances.end(),
                        [&](const PieceRun &utterance) { return utterance.first == run.first; })
        || std::none_of(m_utterances.begin(), m_utterances.end(),
                        [&](const PieceRun &utterance) { return utterance.last == run.second; });
}

// The pieces covered by the runs heard as lines that explain them best. A
// piece left over costs as much as the least clear line would.
QList<Taken> LineFinder::cover() const
{
    const auto count = m_pieces.size();
    QList<double> cost(count + 1, std::numeric_limits<double>::infinity());
    QList<std::optional<RunKey>> from(count + 1); // the line that ends there, when one does
    cost[0] = 0;
    auto run = m_heard.begin();
    for (int piece = 0; piece < count; ++piece) {
        const double leftOver = cost[piece] + m_unclear * double(m_pieces[piece].length());
        if (leftOver < cost[piece + 1]) {
            cost[piece + 1] = leftOver;
            from[piece + 1].reset();
        }
        for (; run != m_heard.end() && run->first.first == piece; ++run) {
            const HeardRun &heard = run->second;
            const double line = cost[piece] + heard.deficit() * double(heard.speech);
            const int end = run->first.second + 1;
            if (heard.deficit() <= m_unclear && line < cost[end] && !partOfLonger(run->first, heard)
                && !overrides(run->first, heard)
                && (!splitsUtterance(run->first) || heard.deficit() <= LeastClear)) {
                cost[end] = line;
                from[end] = run->first;
            }
        }
    }
    QList<Taken> taken;
    for (auto end = count; end > 0;) {
        if (!from[end]) {
            --end;
            continue;
        }
        const RunKey key = *from[end];
        const HeardRun &heard = m_heard.at(key);
        taken.prepend({ { key.first, key.second }, heard, heard.deficit() <= m_clear, heard.line });
        end = key.first;
    }
    return taken;
}

// Settles each run's line by the order the lines are read in: a clear line
// stands, unless the order expects a line like it found nowhere that fits
// nearly as well; an unclear one only where the order expects it and
// nothing else says it. Both lines are laid on the run by the scoring
// decoder, whose scores compare. See the header.
QList<SpokenLine> LineFinder::inOrder(QList<Taken> taken)
{
    QList<int> found = clearCounts(taken, m_lines.size());
    // Per question: the run's index in taken, and the line asked about; its
    // own line is asked right after it.
    QList<std::pair<qsizetype, int>> questions;
    QList<std::pair<PieceRun, int>> asked;
    for (qsizetype i = 0; i < taken.size(); ++i) {
        const auto [next, previous] = expectedAt(taken, i);
        const int line = taken[i].line;
        // A line the order expects here stands, unless it is heard elsewhere
        // too and the other side expects a line found nowhere.
        if ((line == next || line == previous) && found[line] < 2)
            continue;
        for (const int other : next == previous ? QList { next } : QList { next, previous }) {
            if (other != line && other >= 0 && other < m_lines.size()
                && orderMargin(taken, i, other, found) > 0
                && (next == previous || alike(m_lines[other], m_lines[line]))) {
                questions.append({ i, other });
                asked += { { taken[i].run, other }, { taken[i].run, line } };
            }
        }
    }
    const QList<std::optional<int>> scores = m_hearer.lineScores(asked);
    QList<SpokenLine> spoken;
    for (qsizetype i = 0; i < taken.size(); ++i) {
        Taken &one = taken[i];
        bool stands = one.clear || orderMargin(taken, i, one.line, found) > 0;
        for (qsizetype n = 0; n < questions.size() && 2 * n + 1 < scores.size(); ++n) {
            const auto [at, other] = questions[n];
            const auto theirs = scores[2 * n];
            const auto ours = scores[2 * n + 1];
            if (at != i || !theirs || !ours)
                continue;
            const int margin = *ours - *theirs;
            qCDebug(lcRecorder) << "line" << one.line << "at piece" << one.run.first
                                << "or the expected" << other << "by" << margin;
            if (!orderMoves(taken, i, other, found, margin)
                || one.heard.deficit() + double(margin) / double(one.heard.speech) > m_unclear)
                continue;
            found[one.line] -= one.clear ? 1 : 0;
            one.line = other;
            ++found[other];
            stands = true;
            break;
        }
        if (stands)
            spoken.append({ one.line, one.run });
    }
    return spoken;
}

// The utterances in the stretches between the lines spoken, each with
// the lines spoken either side of it, for a second look at what was heard
// there less clearly.
template<typename Look>
void LineFinder::betweenSpoken(const QList<SpokenLine> &spoken, const Look &look) const
{
    for (qsizetype i = 0; i <= spoken.size(); ++i) {
        const int from = i > 0 ? spoken[i - 1].run.last : -1;
        const int to = i < spoken.size() ? spoken[i].run.first : int(m_pieces.size());
        for (const PieceRun &utterance : m_utterances) {
            const HeardRun *heard = known(utterance);
            if (utterance.first > from && utterance.last < to && heard && heard->line >= 0
                && heard->deficit() <= m_unclear + MissingBeyondUnclear)
                look(utterance, heard->line, i);
        }
    }
}

// Where the lines said before and after a stretch expect the line between
// them, found nowhere, an utterance in that stretch heard as it, or as
// another line that it fits nearly as well, is that line, however unclear.
// Where only one of them expects it (the session's start and end expect
// the first and the last line), it must be heard as that line.
QList<SpokenLine> LineFinder::withMissing(const QList<SpokenLine> &spoken)
{
    QList<bool> found(m_lines.size(), false);
    for (const SpokenLine &one : spoken)
        found[one.line] = true;
    const auto lineCount = int(m_lines.size());
    QList<std::pair<PieceRun, int>> asked;
    betweenSpoken(spoken, [&](const PieceRun &utterance, int line, qsizetype i) {
        const int next = i > 0 ? spoken[i - 1].line + 1 : 0;
        const int previous = i < spoken.size() ? spoken[i].line - 1 : lineCount - 1;
        for (const int missing : next == previous ? QList { next } : QList { next, previous }) {
            if (missing >= 0 && missing < lineCount && !found[missing]
                && (next == previous || line == missing))
                asked += { { utterance, missing }, { utterance, line } };
        }
    });
    return withFitting(spoken, asked);
}

// A line heard again, however unclearly, a moment after it was said is a
// retake; unless the order expects a line there that is found nowhere,
// which is the likelier reading ("five hundred" heard as "four hundred").
QList<SpokenLine> LineFinder::withRetakes(const QList<SpokenLine> &spoken)
{
    QList<bool> found(m_lines.size(), false);
    for (const SpokenLine &one : spoken)
        found[one.line] = true;
    const auto missing = [&](int line) { return line >= 0 && line < found.size() && !found[line]; };
    QList<std::pair<PieceRun, int>> asked;
    betweenSpoken(spoken, [&](const PieceRun &utterance, int line, qsizetype i) {
        if ((i > 0 && missing(spoken[i - 1].line + 1))
            || (i < spoken.size() && missing(spoken[i].line - 1)))
            return;
        for (qsizetype n = std::max<qsizetype>(0, i - RetakeWithin); n < i; ++n) {
            if (spoken[n].line == line) {
                asked += { { utterance, line }, { utterance, line } };
                return;
            }
        }
    });
    return withFitting(spoken, asked);
}

// spoken with each run asked about (pairs: a line for it, then the line it
// was heard as) that fits that line nearly as well as the one heard.
QList<SpokenLine> LineFinder::withFitting(QList<SpokenLine> spoken,
                                          const QList<std::pair<PieceRun, int>> &asked)
{
    const QList<std::optional<int>> scores = m_hearer.lineScores(asked);
    for (qsizetype n = 0; 2 * n + 1 < scores.size(); ++n) {
        const auto theirs = scores[2 * n];
        const auto ours = scores[2 * n + 1];
        const PieceRun &run = asked[2 * n].first;
        if (!theirs || !ours)
            continue;
        const int margin = *ours - *theirs;
        qCDebug(lcRecorder) << "line" << asked[2 * n].second << "at piece" << run.first
                            << "after all, by" << margin;
        const bool taken = std::any_of(spoken.begin(), spoken.end(),
                                       [&](const SpokenLine &one) { return one.run == run; });
        if (!taken && margin < OrderMargin
            && known(run)->deficit() + double(std::max(margin, 0)) / double(known(run)->speech)
                <= m_unclear + MissingBeyondUnclear)
            spoken.append({ asked[2 * n].second, run });
    }
    std::sort(spoken.begin(), spoken.end(),
              [](const SpokenLine &a, const SpokenLine &b) { return a.run.first < b.run.first; });
    return spoken;
}

qint64 LineFinder::speechIn(const PieceRun &run) const
{
    qint64 speech = 0;
    for (int piece = run.first; piece <= run.last; ++piece)
        speech += m_pieces[piece].length();
    return speech;
}

QList<SpokenLine> LineFinder::withoutSlips(QList<SpokenLine> spoken) const
{
    QHash<int, qint64> last;
    for (const SpokenLine &one : spoken)
        last[one.line] = speechIn(one.run);
    spoken.removeIf([&](const SpokenLine &one) {
        return double(speechIn(one.run)) < PartialShare * double(last[one.line]);
    });
    return spoken;
}

SessionLines LineFinder::find(qint64 lineGap)
{
    SessionLines result;
    m_utterances = utterances(m_pieces, lineGap);
    const QList<PieceRun> &utterances = m_utterances;
    hear(utterances);
    QList<double> deficits;
    for (const PieceRun &utterance : utterances)
        deficits.append(known(utterance) ? known(utterance)->deficit()
                                         : std::numeric_limits<double>::infinity());
    std::sort(deficits.begin(), deficits.end());
    const auto heard = std::count_if(deficits.begin(), deficits.end(),
                                     [](double d) { return d <= HeardDeficit; });
    if (deficits.isEmpty() || 2 * heard < deficits.size()) {
        result.why = QStringLiteral("only %1 of %2 utterances were heard as lines")
                         .arg(heard)
                         .arg(deficits.size());
        return result;
    }
    result.wordsHeard = true;
    m_clear = std::clamp(deficits[deficits.size() / 2] + ClearAboveTypical, LeastClear, MostClear);
    m_unclear = m_clear + UnclearBeyondClear;
    // Other readings of what is not clearly a line, the likelier ones first;
    // none for a line heard less clearly where the order expects it.
    const QList<Taken> alone = cover();
    for (const bool more : { false, true }) {
        QList<PieceRun> others;
        for (qsizetype i = 0; i < utterances.size(); ++i) {
            if (!explained(utterances[i]) && !expectedThere(alone, utterances[i]))
                others += otherReadings(utterances, i, more);
        }
        hear(others);
    }
    result.spoken = withoutSlips(withRetakes(withMissing(inOrder(cover()))));
    return result;
}

} // namespace

SessionLines findLines(const QList<Stretch> &pieces, qint64 lineGap,
                       const QList<QStringList> &lines, RunHearer &hearer)
{
    return LineFinder(pieces, lines, hearer).find(lineGap);
}

QList<SpokenLine> layInOrder(const QList<PieceRun> &utterances, int lineCount)
{
    QList<SpokenLine> spoken;
    if (utterances.size() != lineCount)
        return spoken;
    for (int i = 0; i < lineCount; ++i)
        spoken.append({ i, utterances[i] });
    return spoken;
}
