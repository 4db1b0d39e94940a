#include "recogniser.h"

#include "wordslog.h"

#include <QDir>
#include <QFile>

#include <cstdarg>
#include <mutex>
#include <pocketsphinx.h>
#include <sphinxbase/err.h>
#include <sphinxbase/fsg_model.h>

// Overview of the way a sample is heard:
//
// The whole line must cover the speech: the caller trims the sample to its
// words (the pause meter's), and the grammar has no silence at its ends.
// Silence at the ends would let a short line ("Then") claim a long sample,
// the model's silence standing in for the words it fits badly, as it does
// for synthetic and accented voices. Between two words a pause may stand,
// as after "At the roundabout,".
//
// One search over every line picks the line that fits best. Its scores are
// relative to the states it visits, so they compare only within it: when
// the line is not the sample's own, a second decoder, with wider beams and
// scoring every state of the model in every frame, lays each of the two
// lines on the sample alone, and the difference of those two scores is the
// margin the judgement weighs.
//
// Neither decoder keeps anything from one sample to the next: the front
// end's noise removal would carry its estimate of the noise over, and what
// a sample was heard to say would depend on the sample heard before it.

namespace {

constexpr char Silence[] = "<sil>";
// A pause between two words costs a little, so that it stands only where
// the sample pauses.
constexpr float PauseProbability = 0.1f;
// Wide beams: a line laid on a sample that says it badly must still reach
// the end, or there is no score to compare.
constexpr char SearchBeam[] = "1e-80";
constexpr char ScoringBeam[] = "1e-150";
// Any words in any order always reach the end: a narrow beam finds as good
// a path, at two thirds of the time.
constexpr char LooseBeam[] = "1e-20";
constexpr char AllLines[] = "lines";
constexpr char AnyWords[] = "loose";
constexpr char Noise[] = "[NOISE]";
// Each word or noise of the loose explanation costs this much, so that it
// does not chop a line into words it fits a little better.
constexpr float LooseWordProbability = 0.1f;

// Setting up a decoder touches the library's shared state; decoding does not.
std::mutex setUpLock;

void logMessage(void *, err_lvl_t level, const char *format, ...)
{
    if (level < ERR_WARN || !lcWords().isDebugEnabled())
        return;
    va_list arguments;
    va_start(arguments, format);
    const QString text = QString::vasprintf(format, arguments);
    va_end(arguments);
    qCDebug(lcWords).noquote() << text.trimmed();
}

// The library prints to standard error by default; the program prints nothing.
void routeMessages()
{
    static std::once_flag once;
    std::call_once(once, [] {
        err_set_logfp(nullptr);
        err_set_callback(logMessage, nullptr);
    });
}

ps_decoder_t *newDecoder(const char *allStates, const char *beam)
{
    const QByteArray model
        = QFile::encodeName(Recogniser::modelFolder() + QStringLiteral("/en-us"));
    cmd_ln_t *config
        = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", model.constData(), "-compallsen", allStates,
                      "-beam", beam, "-wbeam", beam, "-pbeam", beam, "-remove_silence", "no",
                      "-remove_noise", "no", "-fsgusefiller", "no", nullptr);
    if (!config)
        return nullptr;
    ps_decoder_t *decoder = ps_init(config);
    cmd_ln_free_r(config);
    return decoder;
}

// Every pronunciation into the decoder's dictionary, alternatives as
// word(2), word(3) ...; false when the model refuses one.
bool addWords(ps_decoder_t *decoder, const QList<Pronunciation> &pronunciations)
{
    QHash<QString, int> seen;
    for (const Pronunciation &entry : pronunciations) {
        const int count = ++seen[entry.word];
        const QByteArray word
            = (count == 1 ? entry.word : QStringLiteral("%1(%2)").arg(entry.word).arg(count))
                  .toUtf8();
        if (ps_add_word(decoder, word.constData(), entry.phones.toLatin1().constData(), FALSE) < 0)
            return false;
    }
    return true;
}

// A grammar of lines: any one of them, a pause allowed between two words.
void setGrammar(ps_decoder_t *decoder, const char *name, const QList<QStringList> &lines)
{
    int states = 2;
    for (const QStringList &words : lines)
        states += int(words.size()) - 1;
    fsg_model_t *fsg = fsg_model_init(name, ps_get_logmath(decoder), 1.0, states);
    fsg->start_state = 0;
    fsg->final_state = 1;
    int next = 2;
    for (const QStringList &words : lines) {
        int from = 0;
        for (qsizetype i = 0; i < words.size(); ++i) {
            const int to = i + 1 == words.size() ? fsg->final_state : next++;
            const int word = fsg_model_word_add(fsg, words[i].toUtf8().constData());
            fsg_model_trans_add(fsg, from, to, 0, word);
            if (to != fsg->final_state)
                fsg_model_add_silence(fsg, Silence, to, PauseProbability);
            from = to;
        }
    }
    ps_set_fsg(decoder, name, fsg);
    fsg_model_free(fsg); // the search keeps its own reference
}

// A grammar of any of words, or the model's noise, one after another,
// with pauses between.
void setLooseGrammar(ps_decoder_t *decoder, const char *name, const QStringList &words)
{
    fsg_model_t *fsg = fsg_model_init(name, ps_get_logmath(decoder), 1.0, 3);
    fsg->start_state = 0;
    fsg->final_state = 1;
    const int any = 2;
    const int cost = logmath_log(ps_get_logmath(decoder), LooseWordProbability);
    for (const QString &text : words + QStringList { QLatin1String(Noise) }) {
        const int word = fsg_model_word_add(fsg, text.toUtf8().constData());
        fsg_model_trans_add(fsg, 0, any, cost, word);
        fsg_model_trans_add(fsg, any, any, cost, word);
    }
    fsg_model_add_silence(fsg, Silence, any, PauseProbability);
    fsg_model_null_trans_add(fsg, any, fsg->final_state, 0);
    ps_set_fsg(decoder, name, fsg);
    fsg_model_free(fsg);
}

struct Decoded
{
    QString words;
    int score = 0;
    int from = 0; // the first and last frame of the words
    int to = 0;
    QList<std::pair<int, int>> pauses;
};

std::optional<Decoded> decode(ps_decoder_t *decoder, const char *search,
                              std::span<const qint16> audio)
{
    if (ps_set_search(decoder, search) < 0 || ps_start_utt(decoder) < 0)
        return std::nullopt;
    ps_process_raw(decoder, audio.data(), audio.size(), FALSE, TRUE);
    ps_end_utt(decoder);
    int32 score = 0;
    const char *hypothesis = ps_get_hyp(decoder, &score);
    if (!hypothesis || !*hypothesis)
        return std::nullopt;
    Decoded decoded { QString::fromUtf8(hypothesis), score, -1, 0, {} };
    for (ps_seg_t *segment = ps_seg_iter(decoder); segment; segment = ps_seg_next(segment)) {
        int from = 0;
        int to = 0;
        ps_seg_frames(segment, &from, &to);
        if (*ps_seg_word(segment) == '<') {
            decoded.pauses.append({ from, to });
            continue;
        }
        decoded.from = decoded.from < 0 ? from : decoded.from;
        decoded.to = to;
    }
    decoded.from = std::max(decoded.from, 0);
    return decoded;
}

} // namespace

QString Recogniser::modelFolder()
{
    const QString chosen = qEnvironmentVariable("VP_SPEECH_MODEL");
    return chosen.isEmpty() ? QStringLiteral(VP_SPEECH_MODEL) : chosen;
}

QString Recogniser::missingModel()
{
    const QDir model(modelFolder());
    if (model.exists(QStringLiteral("en-us/mdef"))
        && model.exists(QStringLiteral("cmudict-en-us.dict")))
        return {};
    return QStringLiteral("the speech model is not installed (pocketsphinx-en-us)");
}

std::unique_ptr<Recogniser> Recogniser::create(const LineSet &lines, QString *why)
{
    routeMessages();
    const std::lock_guard lock(setUpLock);
    std::unique_ptr<Recogniser> recogniser;
    QString fault = missingModel();
    if (fault.isEmpty()) {
        recogniser.reset(
            new Recogniser(lines, newDecoder("no", SearchBeam), newDecoder("yes", ScoringBeam)));
        if (!recogniser->m_search || !recogniser->m_scoring
            || !addWords(recogniser->m_search, lines.pronunciations)
            || !addWords(recogniser->m_scoring, lines.pronunciations))
            fault = QStringLiteral("the speech model does not load");
        else if (!recogniser->setUpSearch())
            fault = QStringLiteral("no line to hear");
    }
    if (fault.isEmpty())
        return recogniser;
    if (why)
        *why = fault;
    return nullptr;
}

Recogniser::Recogniser(const LineSet &lines, ps_decoder_s *search, ps_decoder_s *scoring)
    : m_lines(lines)
    , m_search(search)
    , m_scoring(scoring)
    , m_scoringGrammars(lines.lines.size(), false)
{ }

Recogniser::~Recogniser()
{
    for (ps_decoder_t *decoder : { m_search, m_scoring, m_loose }) {
        if (decoder)
            ps_free(decoder);
    }
}

// One grammar of every line there is to hear; lines of the same words are
// one way through it. False when there is none.
bool Recogniser::setUpSearch()
{
    QList<QStringList> heard;
    for (qsizetype i = 0; i < m_lines.lines.size(); ++i) {
        const QStringList &words = m_lines.lines[i];
        QList<int> &same = m_linesByWords[words.join(QLatin1Char(' '))];
        if (!words.isEmpty() && same.isEmpty())
            heard.append(words);
        same.append(int(i));
        m_vocabulary += words;
    }
    m_vocabulary.removeDuplicates();
    if (!heard.isEmpty())
        setGrammar(m_search, AllLines, heard);
    return !heard.isEmpty();
}

Hearing Recogniser::hear(std::span<const qint16> audio, int own)
{
    Hearing hearing;
    const auto best = decode(m_search, AllLines, audio);
    if (!best)
        return hearing;
    const QList<int> lines = m_linesByWords.value(best->words);
    if (lines.isEmpty())
        return hearing;
    hearing.line = lines.contains(own) ? own : lines.first();
    hearing.score = best->score;
    hearing.wordsFrom = best->from;
    hearing.wordsTo = best->to;
    hearing.pauses = best->pauses;
    if (hearing.line != own)
        hearing.margin = margin(audio, hearing.line, own);
    return hearing;
}

std::optional<int> Recogniser::margin(std::span<const qint16> audio, int line, int own)
{
    if (own < 0 || own >= m_lines.lines.size())
        return std::nullopt;
    const auto theirs = lineScore(audio, line);
    const auto ours = lineScore(audio, own);
    if (!theirs || !ours)
        return std::nullopt;
    return *theirs - *ours;
}

std::optional<int> Recogniser::lineScore(std::span<const qint16> audio, int line)
{
    if (line < 0 || line >= m_lines.lines.size() || m_lines.lines[line].isEmpty())
        return std::nullopt;
    const QStringList &words = m_lines.lines[line];
    const QByteArray name = QByteArray::number(line);
    if (!m_scoringGrammars[line]) {
        const std::lock_guard lock(setUpLock);
        setGrammar(m_scoring, name.constData(), { words });
        m_scoringGrammars[line] = true;
    }
    const auto laid = decode(m_scoring, name.constData(), audio);
    return laid ? std::optional(laid->score) : std::nullopt;
}

std::optional<int> Recogniser::looseScore(std::span<const qint16> audio)
{
    if (!m_loose) {
        const std::lock_guard lock(setUpLock);
        m_loose = newDecoder("no", LooseBeam);
        if (!m_loose || !addWords(m_loose, m_lines.pronunciations))
            return std::nullopt;
        setLooseGrammar(m_loose, AnyWords, m_vocabulary);
    }
    const auto loose = decode(m_loose, AnyWords, audio);
    return loose ? std::optional(loose->score) : std::nullopt;
}
