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

struct Entry
{
    QString name;
    fs::path path;
    fs::file_type type; // what a link leads to; not_found for a dangling one
};

// The entries of folder named *.wav in any case, listed as the player lists
// a folder, so undecodable names show too.
QList<Entry> wavEntries(const QString &folder)
{
    QList<Entry> entries;
    std::error_code error;
    for (fs::directory_iterator entry(nativePath(folder), error), end; !error && entry != end;
         entry.increment(error)) {
        const QString name = fileNameOf(entry->path());
        std::error_code statusError;
        if (name.endsWith(WavSuffix, Qt::CaseInsensitive))
            entries.append({ name, entry->path(), entry->status(statusError).type() });
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry &a, const Entry &b) { return a.name < b.name; });
    return entries;
}

bool sameFile(const fs::path &a, const fs::path &b)
{
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

// Why an entry with a sample's name does not serve it.
QString whyNotServed(const Entry &entry)
{
    const char *why = entry.type == fs::file_type::directory ? "%1 is a folder"
        : entry.type == fs::file_type::not_found             ? "%1 is a link to nothing"
                                                             : "%1 is not a regular file";
    return QString::fromLatin1(why).arg(entry.name);
}

// Sorts the entries with one sample's name into the file the player takes
// (found at takenPath) and the other files.
void sortOut(SampleFiles &files, const QList<Entry> &named)
{
    QList<Entry> regular;
    for (const Entry &entry : named) {
        if (entry.type == fs::file_type::regular)
            regular.append(entry);
        else if (files.takenPath.isEmpty() && files.note.isEmpty())
            files.note = whyNotServed(entry);
    }
    if (files.takenPath.isEmpty())
        return;
    const QString spelt = QFileInfo(files.takenPath).fileName();
    const auto taken = std::find_if(regular.cbegin(), regular.cend(),
                                    [&](const Entry &entry) { return entry.name == spelt; });
    // Not listed as spelt: the file system ignores case and lists the one
    // file under its own spelling.
    const Entry *listed = taken != regular.cend() ? &*taken
        : regular.size() == 1                     ? &regular.first()
                                                  : nullptr;
    files.taken = listed ? listed->name : spelt;
    const fs::path takenPath = listed ? listed->path : nativePath(files.takenPath);
    for (const Entry &entry : regular) {
        if (&entry != listed && !sameFile(entry.path, takenPath))
            files.others.append(entry.name);
    }
}

} // namespace

std::optional<VoiceFolder> scanVoiceFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return std::nullopt;

    QHash<QString, QList<Entry>> byName;
    QList<Entry> entries = wavEntries(folder);
    for (const Entry &entry : entries)
        byName[entry.name.toCaseFolded()].append(entry);

    VoiceFolder voice;
    for (const CatalogueEntry &entry : SampleCatalogue) {
        SampleFiles files;
        files.name = QString::fromLatin1(entry.name.data(), qsizetype(entry.name.size()));
        if (const auto path = resolveSamplePath(files.name, folder, QString()))
            files.takenPath = *path;
        sortOut(files, byName.take((files.name + WavSuffix).toCaseFolded()));
        voice.samples.append(files);
    }
    for (const Entry &entry : entries) {
        if (entry.type == fs::file_type::regular && byName.contains(entry.name.toCaseFolded()))
            voice.extras.append(entry.name);
    }
    return voice;
}
