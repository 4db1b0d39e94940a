#include "caseinsensitivepath.h"

#include "folderlisting.h"

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

bool isKind(const QString &path, bool wantFile)
{
    const QFileInfo info(path);
    return wantFile ? info.isFile() : info.isDir();
}

// The names that differ from component in letter case only, in code-unit
// order, so that the same name always picks the same entry.
QStringList caseVariants(QStringList names, const QString &component)
{
    names.removeIf([&](const QString &name) {
        return name == component || name.compare(component, Qt::CaseInsensitive) != 0;
    });
    names.sort(Qt::CaseSensitive);
    return names;
}

// The entry of base, of the wanted kind, that component names. The exact
// name is tried before the folder is looked into: it is the common case, and
// a folder that cannot be listed may still be passed through by name.
std::optional<QString> matchComponent(const QString &base, const QString &component, bool wantFile)
{
    const QString exact = joined(base, component);
    if (isKind(exact, wantFile))
        return exact;
    if (component == QLatin1String(".") || component == QLatin1String(".."))
        return std::nullopt;
    const auto names = folderEntries(base);
    if (!names)
        return std::nullopt;
    for (const QString &name : caseVariants(*names, component)) {
        const QString path = joined(base, name);
        if (isKind(path, wantFile))
            return path;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> findFileIgnoringCase(const QString &path)
{
    const QString normal = QDir::fromNativeSeparators(path);
    if (normal.isEmpty() || normal.endsWith(QLatin1Char('/')))
        return std::nullopt;

    // Folders that exist as spelt need no walk from the root.
    const qsizetype slash = normal.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : normal.left(qMax(slash, qsizetype(1)));
    if (auto found = matchComponent(folder, normal.sliced(slash + 1), true))
        return found;
    if (folder.isEmpty() || QFileInfo(folder).isDir())
        return std::nullopt;

    const QStringList components = normal.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString base = normal.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (qsizetype i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        const auto found = matchComponent(base, components[i], last);
        if (!found)
            return std::nullopt;
        base = *found;
    }
    return base;
}
