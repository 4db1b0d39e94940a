#include "caseinsensitivepath.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

QString joined(const QString &base, const QString &component)
{
    if (base.isEmpty())
        return component;
    return base.endsWith(QLatin1Char('/')) ? base + component : base + QLatin1Char('/') + component;
}

// The names in base that component may stand for: itself, then its case variants.
QStringList candidates(const QString &base, const QString &component)
{
    QStringList names { component };
    if (component == QLatin1String(".") || component == QLatin1String(".."))
        return names;
    const QDir::Filters filter
        = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QStringList variants = QDir(base.isEmpty() ? QStringLiteral(".") : base).entryList(filter);
    variants.removeIf([&](const QString &name) {
        return name == component || name.compare(component, Qt::CaseInsensitive) != 0;
    });
    variants.sort(Qt::CaseSensitive);
    return names + variants;
}

std::optional<QString> search(const QString &base, const QStringList &components, qsizetype index)
{
    const bool last = index + 1 == components.size();
    for (const QString &name : candidates(base, components[index])) {
        const QString path = joined(base, name);
        const QFileInfo info(path);
        if (last && info.isFile())
            return path;
        if (!last && info.isDir()) {
            if (auto found = search(path, components, index + 1))
                return found;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> findFileIgnoringCase(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    if (QFileInfo(path).isFile())
        return path;
    const QString normal = QDir::fromNativeSeparators(path);
    const QStringList components = normal.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (components.isEmpty())
        return std::nullopt;
    const QString root = normal.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    return search(root, components, 0);
}
