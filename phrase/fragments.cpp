#include "fragments.h"

QStringList phraseFragments(const QString &phrase)
{
    if (phrase.isEmpty())
        return {};
    return phrase.split(QLatin1Char(','));
}

QString trimSpaces(const QString &fragment)
{
    qsizetype start = 0;
    qsizetype end = fragment.size();
    while (start < end && fragment[start] == QLatin1Char(' '))
        ++start;
    while (end > start && fragment[end - 1] == QLatin1Char(' '))
        --end;
    return fragment.sliced(start, end - start);
}
