#include "sessionimport.h"

#include "catalogue.h"
#include "recorderlog.h"
#include "recordingfile.h"
#include "sessionaudio.h"
#include "sessionhearing.h"
#include "sessionlines.h"
#include "sessiontakes.h"
#include "speechpieces.h"
#include "takefolder.h"
#include "takerecorder.h"
#include "voicelines.h"
#include "voicewords.h"

#include <QDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>

namespace {

// How the import's time is spent, for its progress: reading, hearing, writing.
constexpr double ReadShare = 0.1;
constexpr double HearShare = 0.8;

QString nameAt(qsizetype i)
{
    const std::string_view name = SampleCatalogue[std::size_t(i)].name;
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

// Why folder cannot take the import, or empty.
QString folderFault(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("%1: the folder cannot be made").arg(folder);
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".import-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("%1: the folder cannot be written (%2)")
            .arg(folder, probe.errorString());
    return {};
}

// The stretch of the recording kept as a take of spoken: its speech, with
// the recorder's pre-roll before it and its wait after it, as far as the
// pieces either side leave room.
TakeSpan spanOf(const SpokenLine &spoken, const QList<Stretch> &pieces, const SessionAudio &audio)
{
    const auto windows = [](double seconds) {
        return qint64(std::lround(seconds * SessionAudio::WindowsPerSecond));
    };
    const qint64 from = pieces[spoken.run.first].from;
    const qint64 to = pieces[spoken.run.last].to;
    const qint64 before = spoken.run.first > 0 ? pieces[spoken.run.first - 1].to : 0;
    const qint64 after = spoken.run.last + 1 < pieces.size() ? pieces[spoken.run.last + 1].from
                                                             : qint64(audio.levels().size());
    return {
        nameAt(spoken.line),
        audio.frameAt(from - std::min(windows(TakeRecorder::PreRollSeconds), (from - before) / 2)),
        std::min(audio.frames(),
                 audio.frameAt(
                     to + std::min(windows(TakeRecorder::EndAfterSpeechSeconds), (after - to) / 2)))
    };
}

// The notes on lines that cannot be heard, per name.
QStringList unheardLines(const HeardLines &heard)
{
    QStringList unheard;
    for (const QStringList &words : heard.unknown)
        unheard.append(words.isEmpty() ? QString()
                                       : QStringLiteral("the speech model does not know \"%1\"")
                                             .arg(words.join(QStringLiteral("\", \""))));
    return unheard;
}

class Importer
{
public:
    Importer(const QString &recording, const QString &folder, const ImportProgress &progress)
        : m_recording(recording), m_folder(folder), m_progress(progress)
    { }

    SessionImport run();

private:
    QList<SpokenLine> spokenLines(const SessionAudio &audio, const QList<Stretch> &pieces,
                                  const HeardLines &heard);
    bool tell(double done) { return !m_progress || m_progress(done); }

    QString m_recording;
    QString m_folder;
    const ImportProgress &m_progress;
    SessionImport m_import;
};

QList<SpokenLine> Importer::spokenLines(const SessionAudio &audio, const QList<Stretch> &pieces,
                                        const HeardLines &heard)
{
    const qint64 gap = lineGap(pieces);
    qCDebug(lcRecorder) << pieces.size() << "pieces, line gap" << gap;
    const QList<PieceRun> utterances = ::utterances(pieces, gap);
    SessionHearing hearing(audio, pieces, heard.set);
    // The first hearing, of every utterance, is most of the work.
    bool first = true;
    hearing.setProgress([&](qsizetype done, qsizetype of) {
        const double share = first ? double(done) / double(of) : 1.0;
        first = first && done < of;
        return tell(ReadShare + HearShare * share);
    });
    QString why = hearing.fault();
    if (why.isEmpty()) {
        const SessionLines lines = findLines(pieces, gap, heard.set.lines, hearing);
        if (lines.wordsHeard)
            return lines.spoken;
        why = lines.why;
    }
    const QList<SpokenLine> laid = layInOrder(utterances, int(SampleCatalogue.size()));
    m_import.notes.append(
        laid.isEmpty()
            ? QStringLiteral(
                  "The words could not be heard (%1). Split at its pauses, the recording "
                  "holds %2 utterances for %3 names: nothing was written.")
                  .arg(why)
                  .arg(utterances.size())
                  .arg(SampleCatalogue.size())
            : QStringLiteral("The words could not be heard (%1): the recording was split at its "
                             "pauses and laid on the names in order.")
                  .arg(why));
    return laid;
}

SessionImport Importer::run()
{
    m_import.takes.resize(qsizetype(SampleCatalogue.size()));
    QString why;
    // A recording that cannot be read leaves no folder behind.
    if (!RecordingFile::open(m_recording, &why)) {
        m_import.error = QStringLiteral("%1: %2").arg(m_recording, why);
        return m_import;
    }
    if (const QString fault = folderFault(m_folder); !fault.isEmpty()) {
        m_import.error = fault;
        return m_import;
    }
    const auto audio = SessionAudio::read(
        m_recording, [this](double done) { return tell(ReadShare * done); }, &why);
    if (!audio) {
        m_import.error = QStringLiteral("%1: %2").arg(m_recording, why);
        return m_import;
    }
    if (audio->frames() < audio->promisedFrames())
        m_import.notes.append(QStringLiteral("The recording ends early: %1 of %2 s could be read.")
                                  .arg(double(audio->frames()) / audio->rate(), 0, 'f', 1)
                                  .arg(double(audio->promisedFrames()) / audio->rate(), 0, 'f', 1));
    const VoiceLines lines = readVoiceLines(m_folder);
    m_import.notes += lines.notes;
    const HeardLines heard = heardLines(lines.texts);
    m_import.unheard = unheardLines(heard);
    const QList<Stretch> pieces = speechPieces(audio->levels());
    const QList<SpokenLine> spoken = spokenLines(*audio, pieces, heard);
    QList<TakeSpan> spans;
    for (const SpokenLine &line : spoken) {
        spans.append(spanOf(line, pieces, *audio));
        m_import.takes[line.line].append(double(pieces[line.run.first].from)
                                         / SessionAudio::WindowsPerSecond);
    }
    TakeFolder folder(m_folder);
    qsizetype kept = 0;
    const QString error = keepTakes(
        m_recording, audio->rate(), spans, folder,
        [this](double done) {
            return tell(ReadShare + HearShare + (1 - ReadShare - HearShare) * done);
        },
        &kept);
    if (!error.isEmpty()) {
        qCInfo(lcRecorder) << "import stopped after" << kept << "takes:" << error;
        m_import.error = QStringLiteral("%1 (%2 of %3 takes were kept before)")
                             .arg(error)
                             .arg(kept)
                             .arg(spans.size());
        return m_import;
    }
    const bool all = std::all_of(m_import.takes.begin(), m_import.takes.end(),
                                 [](const QList<double> &takes) { return !takes.isEmpty(); });
    m_import.outcome
        = all ? SessionImport::Outcome::AllFound : SessionImport::Outcome::SomeNotFound;
    return m_import;
}

QString timeOf(double seconds)
{
    const auto tenths = std::llround(seconds * 10);
    return QStringLiteral("%1:%2.%3")
        .arg(tenths / 600)
        .arg(tenths / 10 % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}

} // namespace

SessionImport importSession(const QString &recording, const QString &folder,
                            const ImportProgress &progress)
{
    return Importer(recording, folder, progress).run();
}

QString outcomeOf(const SessionImport &import, qsizetype name)
{
    const QList<double> takes = import.takes.value(name);
    if (!takes.isEmpty())
        return QStringLiteral("found at %1 (take %2 of %2)")
            .arg(timeOf(takes.last()))
            .arg(takes.size());
    const QString why = import.unheard.value(name);
    return why.isEmpty() ? QStringLiteral("not found") : QStringLiteral("not found: ") + why;
}

QString foundSummary(const SessionImport &import)
{
    const auto found = std::count_if(import.takes.begin(), import.takes.end(),
                                     [](const QList<double> &takes) { return !takes.isEmpty(); });
    return QStringLiteral("%1 of %2 found").arg(found).arg(import.takes.size());
}

QStringList importReport(const SessionImport &import)
{
    QStringList report = import.notes;
    if (import.outcome == SessionImport::Outcome::Failed) {
        report.append(import.error);
        return report;
    }
    qsizetype width = 0;
    for (qsizetype i = 0; i < import.takes.size(); ++i)
        width = std::max(width, nameAt(i).size());
    for (qsizetype i = 0; i < import.takes.size(); ++i)
        report.append(nameAt(i).leftJustified(width + 2) + outcomeOf(import, i));
    report.append(foundSummary(import));
    return report;
}
