#include "voicefolder.h"

#include "catalogue.h"
#include "folderlisting.h"
#include "samplepath.h"

#include <QFileInfo>
#include <QHash>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

const QLatin1String WavSuffix(".wav");

// The regular files (or links to them) in folder named *.wav in any case,
// listed as the player lists a folder, so undecodable names show too.
QStringList wavFiles(const QString &folder)
{
    QStringList names;
    std::error_code error;
    for (fs::directory_iterator entry(nativePath(folder), error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code statusError;
        const QString name = fileNameOf(entry->path());
        if (name.endsWith(WavSuffix, Qt::CaseInsensitive) && entry->is_regular_file(statusError))
            names.append(name);
    }
    names.sort(Qt::CaseSensitive);
    return names;
}

} // namespace

std::optional<VoiceFolder> scanVoiceFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return std::nullopt;

    VoiceFolder voice;
    QHash<QString, qsizetype> byFileName;
    for (const CatalogueEntry &entry : SampleCatalogue) {
        SampleFiles files;
        files.name = QString::fromLatin1(entry.name.data(), qsizetype(entry.name.size()));
        if (const auto path = resolveSamplePath(files.name, folder, QString())) {
            files.takenPath = *path;
            files.taken = QFileInfo(*path).fileName();
        }
        byFileName.insert((files.name + WavSuffix).toCaseFolded(), voice.samples.size());
        voice.samples.append(files);
    }
    for (const QString &file : wavFiles(folder)) {
        const auto served = byFileName.constFind(file.toCaseFolded());
        if (served == byFileName.cend())
            voice.extras.append(file);
        else if (file != voice.samples[*served].taken)
            voice.samples[*served].others.append(file);
    }
    return voice;
}
