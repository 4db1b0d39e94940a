#include "samplepath.h"

#include "caseinsensitivepath.h"

#include <QDir>

std::optional<QString> resolveSamplePath(QString name, const QString &currentDir,
                                         const QString &programDir)
{
    // A NUL cannot be part of a path (and Qt would warn about it).
    if (name.isEmpty() || name.contains(QChar(0)))
        return std::nullopt;
    if (name.right(4).toUpper() != QLatin1String(".WAV"))
        name += QLatin1String(".Wav");

    const QString own = QDir::isAbsolutePath(name) ? name : currentDir + QLatin1Char('/') + name;
    if (auto found = findFileIgnoringCase(own))
        return found;
    // Joined as text: a full path that was not found is looked for below wavs/ as well.
    if (programDir.isEmpty())
        return std::nullopt;
    return findFileIgnoringCase(programDir + QLatin1String("/wavs/") + name);
}
