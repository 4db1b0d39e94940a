#include "nearestname.h"

#include "catalogue.h"

#include <QList>

#include <algorithm>

namespace {

// One edit in this many letters of a name is still a misspelling of it.
constexpr int MisspellingLetters = 4;

} // namespace

int editDistance(QStringView a, QStringView b)
{
    const QString from = a.toString().toCaseFolded();
    const QString to = b.toString().toCaseFolded();
    // One row of the table at a time: row[j] is the distance between the
    // first i characters of from and the first j of to.
    QList<int> row(to.size() + 1);
    for (qsizetype j = 0; j <= to.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= from.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= to.size(); ++j) {
            const int substitution = diagonal + (from[i - 1] == to[j - 1] ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({ row[j] + 1, row[j - 1] + 1, substitution });
        }
    }
    return row[to.size()];
}

std::optional<QString> nearestSampleName(const QString &fileName)
{
    QStringView base(fileName);
    if (base.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive))
        base.chop(4);
    QString nearest;
    int best = -1;
    for (const CatalogueEntry &entry : SampleCatalogue) {
        const QString name = QString::fromLatin1(entry.name.data(), qsizetype(entry.name.size()));
        const int distance = editDistance(base, name);
        if (best < 0 || distance < best) {
            best = distance;
            nearest = name;
        }
    }
    if (best > std::max(1, int(nearest.size()) / MisspellingLetters))
        return std::nullopt;
    return nearest;
}
