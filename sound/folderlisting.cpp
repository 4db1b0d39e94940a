#include "folderlisting.h"

#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <deque>
#include <filesystem>
#include <mutex>

namespace {

using FileTime = std::filesystem::file_time_type;

struct Listing
{
    QString folder;
    FileTime modified;
    QStringList names;
};

constexpr std::size_t KeptListings = 8;
// A folder may change again within one tick of its file system's clock
// (two seconds on FAT) without its time changing, so a listing is kept only
// once the folder has been left alone for longer than that.
constexpr auto Settled = std::chrono::seconds(3);

std::mutex guard;
std::deque<Listing> listings;

// Through the standard library: Qt 6.8's QDirIterator ends the listing at
// the first name that is not valid UTF-8, hiding the entries after it.
QStringList listFolder(const QString &folder)
{
    QStringList names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(nativePath(folder), error), end;
         !error && entry != end; entry.increment(error)) {
        names.append(fileNameOf(entry->path()));
    }
    return names;
}

void keep(Listing listing)
{
    std::erase_if(listings, [&](const Listing &old) { return old.folder == listing.folder; });
    listings.push_front(std::move(listing));
    if (listings.size() > KeptListings)
        listings.pop_back();
}

} // namespace

std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

QString fileNameOf(const std::filesystem::path &path)
{
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.filename().native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.filename().native()));
#endif
}

std::optional<QStringList> folderEntries(const QString &folder)
{
    const QString path
        = QFileInfo(folder.isEmpty() ? QStringLiteral(".") : folder).absoluteFilePath();
    // Read through the standard library rather than QFileInfo: the time
    // comes without a conversion to local time, which costs more than the
    // look-up it guards.
    std::error_code error;
    const FileTime modified
        = std::filesystem::last_write_time(std::filesystem::path(path.toStdU16String()), error);
    if (error)
        return std::nullopt;

    std::lock_guard lock(guard);
    for (const Listing &listing : listings) {
        if (listing.folder == path && listing.modified == modified)
            return listing.names;
    }
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable())
        return std::nullopt;
    QStringList names = listFolder(path);
    if (FileTime::clock::now() - modified > Settled)
        keep({ path, modified, names });
    return names;
}
