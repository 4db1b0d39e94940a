#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The words of a line as the dictionary spells them: lower case, without
// the punctuation around them ("Ahead, take the U-turn." is ahead, take,
// the, u-turn).
QStringList wordsOf(const QString &line);

// One way a word is said, in the speech model's phones.
struct Pronunciation
{
    QString word;
    QString phones; // "T ER N"
    bool operator==(const Pronunciation &) const = default;
};

// How the words of a voice's lines are said: as the speech model's
// dictionary has them, and as the project adds, for the words it lacks and
// the British way of saying those it has.
class Lexicon
{
public:
    // The pronunciations of words from the dictionary at path; none from it
    // when it cannot be read.
    static Lexicon load(const QString &path, const QSet<QString> &words);

    bool knows(const QString &word) const { return m_known.contains(word); }
    const QList<Pronunciation> &pronunciations() const { return m_pronunciations; }

private:
    void add(const QString &word, const QString &phones);

    QSet<QString> m_known;
    QList<Pronunciation> m_pronunciations;
};
