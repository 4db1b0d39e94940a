#pragma once

#include "recogniser.h"
#include "speechpieces.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class SessionAudio;

// What one run of a session's pieces was heard to say, as a whole.
struct HeardRun
{
    int line = -1;     // the line it says best; -1 when no line fits it at all
    int score = 0;     // how well that line explains it
    int loose = 0;     // how well its loosest explanation does (Recogniser::looseScore)
    qint64 speech = 0; // windows of speech in it

    // How far the line falls behind the loose explanation, in points per
    // window of speech: near 0 for a line said clearly, far more for a slip,
    // half a line, a cough or another language.
    double deficit() const;
};

// Hears runs of pieces; what the import's judgement asks of the recogniser.
class RunHearer
{
public:
    virtual ~RunHearer() = default;
    virtual QList<HeardRun> hear(const QList<PieceRun> &runs) = 0;
    // The score of each line laid alone on its run; nothing where it does not fit.
    virtual QList<std::optional<int>> lineScores(const QList<std::pair<PieceRun, int>> &asked) = 0;
};

// Hears runs of a session's pieces on a few threads, each with a recogniser
// of its own, loaded once. A run is heard as its pieces with the pauses
// between them cut short, so that a long pause inside a line costs no
// more than a short one. A line heard in a run must pause where the run
// pauses: one that runs a word across a long pause (a cough, then the
// line) is no line there.
class SessionHearing : public RunHearer
{
public:
    // Says how many of the runs asked for are heard; false stops the hearing.
    using Progress = std::function<bool(qsizetype done, qsizetype of)>;

    SessionHearing(const SessionAudio &audio, const QList<Stretch> &pieces, const LineSet &lines);
    ~SessionHearing() override;
    // Why nothing can be heard (no speech model), or empty.
    QString fault() const { return m_fault; }
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    QList<HeardRun> hear(const QList<PieceRun> &runs) override;
    QList<std::optional<int>> lineScores(const QList<std::pair<PieceRun, int>> &asked) override;

    // The audio of run as it is heard, and where in it the pauses between
    // its pieces lie, in windows.
    struct RunAudio
    {
        std::vector<qint16> samples;
        QList<Stretch> pauses;
    };
    RunAudio audioOf(const PieceRun &run) const;

private:
    // Runs job(recogniser, i) for i in [0, count) on the threads.
    void onThreads(qsizetype count, const std::function<void(Recogniser &, qsizetype)> &job);

    const SessionAudio &m_audio;
    const QList<Stretch> &m_pieces;
    std::vector<std::unique_ptr<Recogniser>> m_recognisers;
    QString m_fault;
    Progress m_progress;
};
