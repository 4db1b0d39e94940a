#include "lexicon.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// What the dictionary lacks or says only the American way. A voice for
// British roads says "metres" and "motorway", and drops the r before a
// consonant or the end of a word.
constexpr const char *OwnPronunciations[][2] = {
    { "motorway", "M OW T ER W EY" },
    { "motorway", "M OW T AH W EY" },
    { "motorways", "M OW T ER W EY Z" },
    { "motorways", "M OW T AH W EY Z" },
    { "metres", "M IY T AH Z" },
    { "meters", "M IY T AH Z" },
    { "metre", "M IY T AH" },
    { "uturn", "Y UW T ER N" },
    { "u-turns", "Y UW T ER N Z" },
    { "yards", "Y AA D Z" },
    { "sharp", "SH AA P" },
    { "four", "F AO" },
    { "fourth", "F AO TH" },
    { "bear", "B EH" },
    { "enter", "EH N T AH" },
    { "after", "AA F T AH" },
    { "charging", "CH AA JH IH NG" },
    { "your", "Y AO" },
    { "arrived", "AH R AY V D" },
    { "for", "F AO" },
    { "possible", "P AO S AH B AH L" },
    { "here", "HH IY AH" },
    { "there", "DH EH AH" },
    { "near", "N IY AH" },
};

} // namespace

QStringList wordsOf(const QString &line)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    static const QRegularExpression edges(QStringLiteral("^[^\\w']+|[^\\w']+$"));
    QStringList words;
    for (QString word : line.toLower().split(space, Qt::SkipEmptyParts)) {
        word.remove(edges);
        if (!word.isEmpty())
            words.append(word);
    }
    return words;
}

Lexicon Lexicon::load(const QString &path, const QSet<QString> &words)
{
    Lexicon lexicon;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QByteArray row = file.readLine().trimmed();
            const qsizetype space = row.indexOf(' ');
            QString word = QString::fromUtf8(row.left(space));
            // Alternatives are word(2), word(3) ...
            if (const qsizetype paren = word.indexOf(QLatin1Char('(')); paren > 0)
                word.truncate(paren);
            if (space > 0 && words.contains(word))
                lexicon.add(word, QString::fromLatin1(row.mid(space + 1)).simplified());
        }
    }
    for (const auto &[word, phones] : OwnPronunciations) {
        if (words.contains(QLatin1String(word)))
            lexicon.add(QLatin1String(word), QLatin1String(phones));
    }
    return lexicon;
}

void Lexicon::add(const QString &word, const QString &phones)
{
    m_known.insert(word);
    m_pronunciations.append({ word, phones });
}
