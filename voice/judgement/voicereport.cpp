#include "voicereport.h"

#include "nearestname.h"
#include "sampleanalysis.h"
#include "speechaudio.h"
#include "voicefolder.h"
#include "voicelines.h"
#include "voicewords.h"
#include "wordscache.h"
#include "wordslog.h"

#include <QMutex>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// More threads than this only wait on the disk.
constexpr unsigned MaxThreads = 8;
constexpr qsizetype MaxUnheardNotes = 3;

// The problems that need no comparison with the rest of the voice come first.
QList<Problem> problemsOf(const SampleReport &sample, const VoiceReference &reference)
{
    QList<Problem> problems;
    if (sample.file.isEmpty())
        return { Problem::Missing };
    if (!sample.measures)
        problems.append(Problem::Unreadable);
    if (!sample.otherFiles.isEmpty())
        problems.append(Problem::SeveralFiles);
    if (sample.measures)
        problems += problemsOf(*sample.measures, reference);
    return problems;
}

// Measures every sample in one pass over its file, and hears it when lines
// are given, on a few threads: each loads the speech model once. A hearing
// the cache keeps of the file as it is now is taken instead.
class SampleWorkers
{
public:
    SampleWorkers(const QList<SampleFiles> &files, const HeardLines *lines, WordsCache *cache)
        : m_files(files)
        , m_lines(lines)
        , m_cache(lines ? cache : nullptr)
        , m_linesNumber(m_cache ? m_cache->useLines(lines->set) : 0)
        , m_reports(std::size_t(files.size()))
        , m_words(std::size_t(files.size()))
    { }

    void run()
    {
        const auto threads = std::clamp<qsizetype>(std::thread::hardware_concurrency(), 1,
                                                   std::min<qsizetype>(MaxThreads, m_files.size()));
        std::vector<std::jthread> helpers;
        for (qsizetype i = 1; i < threads; ++i)
            helpers.emplace_back([this] { work(); });
        work();
    }

    QList<SampleReport> reports() const { return { m_reports.begin(), m_reports.end() }; }
    QList<SampleWords> words() const { return { m_words.begin(), m_words.end() }; }
    QString modelFault() const { return m_modelFault; }

private:
    void work()
    {
        std::unique_ptr<Recogniser> recogniser;
        bool loaded = false;
        for (qsizetype i = m_next++; i < m_files.size(); i = m_next++) {
            const SampleFiles &files = m_files[i];
            SampleReport &sample = m_reports[std::size_t(i)];
            sample = { files.name, files.taken, files.others, std::nullopt, {}, files.note, {} };
            if (files.takenPath.isEmpty())
                continue;
            // Keyed before it is read: a file that changes meanwhile is heard again next time.
            const auto key
                = m_cache ? sampleKey(files.takenPath, int(i), m_linesNumber) : std::nullopt;
            const auto kept = key ? m_cache->find(*key) : std::nullopt;
            SpeechAudio speech;
            sample.measures = analyseSample(files.takenPath, &sample.reason,
                                            m_lines && !kept ? &speech : nullptr);
            if (!hearable(sample, i))
                continue;
            SampleWords &words = m_words[std::size_t(i)];
            if (kept) {
                words = *kept;
                continue;
            }
            if (!std::exchange(loaded, true))
                recogniser = load();
            if (!recogniser)
                continue;
            words = hearSample(
                *recogniser, speech, sample.measures->leadingPause / double(sample.measures->rate),
                sample.measures->trailingPause / double(sample.measures->rate), int(i));
            if (key)
                m_cache->keep(*key, words);
        }
    }

    bool hearable(const SampleReport &sample, qsizetype i) const
    {
        return m_lines && sample.measures && !sample.measures->silent
            && !m_lines->set.lines[i].isEmpty();
    }

    std::unique_ptr<Recogniser> load()
    {
        QString why;
        auto recogniser = Recogniser::create(m_lines->set, &why);
        if (!recogniser) {
            const QMutexLocker lock(&m_faultLock);
            m_modelFault = why;
        }
        return recogniser;
    }

    const QList<SampleFiles> &m_files;
    const HeardLines *m_lines;
    WordsCache *m_cache;
    int m_linesNumber;
    std::atomic<qsizetype> m_next = 0;
    // Each thread writes the entries of the samples it took.
    std::vector<SampleReport> m_reports;
    std::vector<SampleWords> m_words;
    QMutex m_faultLock;
    QString m_modelFault; // guarded by m_faultLock
};

// The notes on the lines a voice is heard against: each line with a word
// the model does not know, or one note for many, as a voice in another
// language has.
QStringList lineNotes(const VoiceLines &lines, const HeardLines &heard, const VoiceFolder &voice)
{
    QStringList notes = lines.notes;
    QStringList unheard;
    for (qsizetype i = 0; i < heard.unknown.size(); ++i) {
        if (!heard.unknown[i].isEmpty())
            unheard.append(QStringLiteral("%1: not heard, the speech model does not know \"%2\"")
                               .arg(voice.samples[i].name, heard.unknown[i].join("\", \"")));
    }
    if (unheard.size() <= MaxUnheardNotes)
        return notes + unheard;
    notes.append(QStringLiteral("%1 lines not heard: the speech model does not know their words "
                                "(it knows English)")
                     .arg(unheard.size()));
    return notes;
}

// The words of the voice judged as a set, into report.
void judgeWordsInto(VoiceReport &report, const QList<SampleWords> &words, const HeardLines &lines)
{
    std::unique_ptr<Recogniser> again;
    const MarginOf marginOf = [&](int sample, int line) -> std::optional<int> {
        if (words[sample].audio.empty())
            return std::nullopt;
        if (!again)
            again = Recogniser::create(lines.set);
        return again ? again->margin(words[sample].audio, line, sample) : std::nullopt;
    };
    const WordsVerdict verdict = judgeWords(words, marginOf);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const Hearing &hearing = words[i].hearing;
        if (words[i].heard && hearing.line != i)
            qCDebug(lcWords) << report.samples[i].name << "heard as"
                             << (hearing.line < 0 ? QString() : report.samples[hearing.line].name)
                             << "by" << hearing.margin.value_or(0);
    }
    report.words.checked = verdict.checked;
    report.words.reason = verdict.reason;
    report.words.checkable = verdict.checkable;
    report.words.heardOwn = verdict.heardOwn;
    for (qsizetype i = 0; i < report.samples.size(); ++i) {
        SampleReport &sample = report.samples[i];
        if (const int line = verdict.heard[i]; line >= 0)
            sample.heard = HeardLine { report.samples[line].name,
                                       lines.set.lines[line].join(QLatin1Char(' ')) };
        if (verdict.wrong[i])
            sample.problems.append(Problem::WrongWords);
    }
}

} // namespace

qsizetype VoiceReport::fineCount() const
{
    return std::count_if(samples.cbegin(), samples.cend(),
                         [](const SampleReport &sample) { return sample.problems.isEmpty(); });
}

QStringList VoiceReport::namesWith(Problem problem) const
{
    QStringList names;
    for (const SampleReport &sample : samples) {
        if (sample.problems.contains(problem))
            names.append(sample.name);
    }
    return names;
}

std::optional<VoiceReport> checkVoice(const QString &folder, const CheckOptions &options)
{
    const auto voice = scanVoiceFolder(folder);
    if (!voice)
        return std::nullopt;

    VoiceReport report;
    report.folder = folder;
    const QString missingModel = options.words ? Recogniser::missingModel() : QString();
    const bool hearing = options.words && missingModel.isEmpty();
    const VoiceLines lines = hearing ? readVoiceLines(folder) : VoiceLines();
    const HeardLines heard = hearing ? heardLines(lines.texts) : HeardLines();
    SampleWorkers workers(voice->samples, hearing ? &heard : nullptr, options.cache);
    workers.run();
    report.samples = workers.reports();
    QList<SampleMeasures> decoded;
    for (const SampleReport &sample : report.samples) {
        if (sample.measures)
            decoded.append(*sample.measures);
    }
    report.reference = referenceOf(decoded);
    for (SampleReport &sample : report.samples)
        sample.problems = problemsOf(sample, report.reference);
    report.words.asked = options.words;
    report.words.reason = options.words ? missingModel : QStringLiteral("not asked for");
    if (hearing) {
        report.words.notes = lineNotes(lines, heard, *voice);
        judgeWordsInto(report, workers.words(), heard);
        if (!workers.modelFault().isEmpty())
            report.words.reason = workers.modelFault();
    }
    for (const QString &file : voice->extras)
        report.extras.append({ file, nearestSampleName(file) });
    return report;
}
