#include "wordscache.h"

#include <QFile>

#include <sys/stat.h>

namespace {

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

} // namespace

std::optional<SampleKey> sampleKey(const QString &path, int own, int lines)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return SampleKey { path,
                       quint64(status.st_dev),
                       quint64(status.st_ino),
                       qint64(status.st_size),
                       nanoseconds(status.st_mtim),
                       nanoseconds(status.st_ctim),
                       own,
                       lines };
}

int WordsCache::useLines(const LineSet &lines)
{
    const QMutexLocker lock(&m_lock);
    if (m_linesNumber == 0 || lines != m_lines) {
        m_lines = lines;
        ++m_linesNumber;
        m_entries.clear();
    }
    return m_linesNumber;
}

std::optional<SampleWords> WordsCache::find(const SampleKey &key) const
{
    const QMutexLocker lock(&m_lock);
    const auto entry = m_entries.constFind(key.path);
    if (entry == m_entries.cend() || entry->key != key)
        return std::nullopt;
    return entry->words;
}

void WordsCache::keep(const SampleKey &key, const SampleWords &words)
{
    const QMutexLocker lock(&m_lock);
    ++m_hearings;
    if (key.lines == m_linesNumber)
        m_entries.insert(key.path, { key, words });
}

int WordsCache::hearings() const
{
    const QMutexLocker lock(&m_lock);
    return m_hearings;
}
