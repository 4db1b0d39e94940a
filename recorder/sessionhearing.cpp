#include "sessionhearing.h"

#include "sessionaudio.h"
#include "speechaudio.h"

#include <QMutex>

#include <algorithm>
#include <atomic>
#include <limits>
#include <thread>

namespace {

// The recogniser decodes on one core each; more threads than cores only wait.
constexpr unsigned MaxThreads = 4;
// Kept either side of the speech, for a soft start the levels missed.
constexpr qint64 EdgeWindows = 3;
// A pause inside a run is heard as at most this much of it, the start and the end.
constexpr qint64 KeptPauseWindows = 40;

// A pause this long inside a run must be a pause in the line heard in it,
// for at least half its length.
constexpr qint64 KeptPauseInLine = 30;

// Of a pause of gap windows inside a run: what is heard of its start, and of its end.
qint64 keptStart(qint64 gap)
{
    return std::min(KeptPauseWindows / 2, gap - gap / 2);
}

qint64 keptEnd(qint64 gap)
{
    return std::min(KeptPauseWindows / 2, gap / 2);
}

// Whether the heard line pauses, in the frames heard, over at least half of
// each long pause of the run.
bool pausesKept(const QList<Stretch> &runPauses, const QList<std::pair<int, int>> &heard)
{
    return std::all_of(runPauses.begin(), runPauses.end(), [&](const Stretch &pause) {
        qint64 paused = 0;
        for (const auto &[first, last] : heard)
            paused += std::max<qint64>(
                0, std::min<qint64>(pause.to, last + 1) - std::max<qint64>(pause.from, first));
        return pause.length() < KeptPauseInLine || 2 * paused >= pause.length();
    });
}

} // namespace

double HeardRun::deficit() const
{
    if (line < 0)
        return std::numeric_limits<double>::infinity();
    return double(loose - score) / double(std::max<qint64>(speech, 1));
}

SessionHearing::SessionHearing(const SessionAudio &audio, const QList<Stretch> &pieces,
                               const LineSet &lines)
    : m_audio(audio), m_pieces(pieces)
{
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, MaxThreads);
    for (unsigned i = 0; i < threads && m_fault.isEmpty(); ++i) {
        auto recogniser = Recogniser::create(lines, &m_fault);
        if (recogniser)
            m_recognisers.push_back(std::move(recogniser));
    }
}

SessionHearing::~SessionHearing() = default;

SessionHearing::RunAudio SessionHearing::audioOf(const PieceRun &run) const
{
    RunAudio audio;
    for (int i = run.first; i <= run.last; ++i) {
        const Stretch &piece = m_pieces[i];
        const qint64 before
            = i == run.first ? EdgeWindows : keptEnd(piece.from - m_pieces[i - 1].to);
        const qint64 after
            = i == run.last ? EdgeWindows : keptStart(m_pieces[i + 1].from - piece.to);
        if (i > run.first)
            audio.pauses.last().to += before;
        const std::vector<qint16> part = m_audio.speech(piece.from - before, piece.to + after);
        audio.samples.insert(audio.samples.end(), part.begin(), part.end());
        const auto end = qint64(audio.samples.size()) / SessionAudio::SpeechPerWindow;
        if (i < run.last)
            audio.pauses.append({ end - after, end });
    }
    return audio;
}

void SessionHearing::onThreads(qsizetype count,
                               const std::function<void(Recogniser &, qsizetype)> &job)
{
    std::atomic<qsizetype> next = 0;
    std::atomic<qsizetype> done = 0;
    std::atomic<bool> stopped = false;
    QMutex progressLock;
    const auto work = [&](Recogniser &recogniser) {
        for (qsizetype i = next++; i < count && !stopped; i = next++) {
            job(recogniser, i);
            const QMutexLocker lock(&progressLock);
            if (m_progress && !m_progress(++done, count))
                stopped = true;
        }
    };
    std::vector<std::jthread> helpers;
    for (std::size_t i = 1; i < m_recognisers.size(); ++i)
        helpers.emplace_back([&, i] { work(*m_recognisers[i]); });
    if (!m_recognisers.empty())
        work(*m_recognisers.front());
}

QList<HeardRun> SessionHearing::hear(const QList<PieceRun> &runs)
{
    QList<HeardRun> heard(runs.size());
    onThreads(runs.size(), [&](Recogniser &recogniser, qsizetype i) {
        const RunAudio audio = audioOf(runs[i]);
        HeardRun &run = heard[i];
        for (int piece = runs[i].first; piece <= runs[i].last; ++piece)
            run.speech += m_pieces[piece].length();
        const Hearing hearing = recogniser.hear(audio.samples, -1);
        const auto loose = hearing.line >= 0 && pausesKept(audio.pauses, hearing.pauses)
            ? recogniser.looseScore(audio.samples)
            : std::nullopt;
        if (!loose)
            return;
        run.line = hearing.line;
        run.score = hearing.score;
        run.loose = *loose;
    });
    return heard;
}

QList<std::optional<int>> SessionHearing::lineScores(const QList<std::pair<PieceRun, int>> &asked)
{
    QList<std::optional<int>> scores(asked.size());
    onThreads(asked.size(), [&](Recogniser &recogniser, qsizetype i) {
        scores[i] = recogniser.lineScore(audioOf(asked[i].first).samples, asked[i].second);
    });
    return scores;
}
