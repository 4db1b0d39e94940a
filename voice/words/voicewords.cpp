#include "voicewords.h"

#include "speechaudio.h"

#include <QSet>

#include <algorithm>

namespace {

// Kept either side of the words the pause meter found, for the soft start
// of a word it may have counted as pause.
constexpr double MarginSeconds = 0.03;

QString dictionaryPath()
{
    return Recogniser::modelFolder() + QStringLiteral("/cmudict-en-us.dict");
}

// The words of a line the lexicon can say, hyphenated ones split where
// only their parts are known; unknown collects the rest.
QStringList sayable(const QStringList &words, const Lexicon &lexicon, QStringList &unknown)
{
    QStringList said;
    for (const QString &word : words) {
        const QStringList parts = word.split(QLatin1Char('-'), Qt::SkipEmptyParts);
        if (lexicon.knows(word))
            said.append(word);
        else if (parts.size() > 1
                 && std::all_of(parts.begin(), parts.end(),
                                [&](const QString &part) { return lexicon.knows(part); }))
            said += parts;
        else
            unknown.append(word);
    }
    return said;
}

} // namespace

HeardLines heardLines(const QStringList &texts)
{
    QList<QStringList> lines;
    QSet<QString> wanted;
    for (const QString &text : texts) {
        lines.append(wordsOf(text));
        for (const QString &word : lines.last()) {
            wanted.insert(word);
            for (const QString &part : word.split(QLatin1Char('-'), Qt::SkipEmptyParts))
                wanted.insert(part);
        }
    }
    const Lexicon lexicon = Lexicon::load(dictionaryPath(), wanted);
    HeardLines heard;
    heard.set.pronunciations = lexicon.pronunciations();
    for (const QStringList &words : lines) {
        QStringList unknown;
        const QStringList said = sayable(words, lexicon, unknown);
        heard.set.lines.append(unknown.isEmpty() ? said : QStringList());
        heard.unknown.append(unknown);
    }
    return heard;
}

SampleWords hearSample(Recogniser &recogniser, const SpeechAudio &speech, double leadSeconds,
                       double trailSeconds, int own)
{
    SampleWords sample;
    const std::vector<qint16> &audio = speech.samples();
    const auto at = [&audio](double seconds) {
        return std::clamp(std::size_t(std::max(seconds, 0.0) * SpeechAudio::Rate), std::size_t(0),
                          audio.size());
    };
    const std::size_t from = at(leadSeconds - MarginSeconds);
    const std::size_t to = audio.size() - at(trailSeconds - MarginSeconds);
    if (!speech.whole() || to <= from)
        return sample;
    const std::span<const qint16> words(audio.data() + from, to - from);
    sample.heard = true;
    sample.hearing = recogniser.hear(words, own);
    const int offset = int(from / (SpeechAudio::Rate / 1000 * Recogniser::FrameMs));
    sample.hearing.wordsFrom += offset;
    sample.hearing.wordsTo += offset;
    sample.contour = levelContour(words);
    if (sample.hearing.line != own)
        sample.audio.assign(words.begin(), words.end());
    return sample;
}
