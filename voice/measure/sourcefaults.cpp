#include "sourcefaults.h"

#include <QFile>

#include <sndfile.h>

namespace {

constexpr QLatin1String Prefix("voice-check: ");
constexpr QLatin1String Suffix(" in the source");

QList<Problem> carried(const QList<Problem> &problems)
{
    QList<Problem> faults;
    for (const Problem problem : { Problem::Silent, Problem::Clipped }) {
        if (problems.contains(problem))
            faults.append(problem);
    }
    return faults;
}

} // namespace

QString sourceFaultsNote(const QList<Problem> &faults)
{
    QStringList words;
    for (const Problem problem : faults)
        words.append(wordFor(problem));
    return words.join(QLatin1String(", ")) + Suffix;
}

QByteArray sourceFaultsComment(const QList<Problem> &problems)
{
    const QList<Problem> faults = carried(problems);
    return faults.isEmpty() ? QByteArray() : (Prefix + sourceFaultsNote(faults)).toUtf8();
}

QList<Problem> sourceFaults(const QString &path)
{
    SF_INFO info {};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return {};
    const QString comment = QString::fromUtf8(sf_get_string(file, SF_STR_COMMENT));
    sf_close(file);
    if (!comment.startsWith(Prefix) || !comment.endsWith(Suffix))
        return {};
    QList<Problem> faults;
    const QStringList words
        = comment.mid(Prefix.size(), comment.size() - Prefix.size() - Suffix.size())
              .split(QLatin1String(", "));
    for (const Problem problem : allProblems()) {
        if (words.contains(wordFor(problem)))
            faults.append(problem);
    }
    return carried(faults);
}
