#pragma once

#include "recogniser.h"
#include "wordjudgement.h"

#include <QHash>
#include <QMutex>
#include <QString>

#include <optional>

// One version of a sample's file, heard as the line of catalogue name own
// against the lines a WordsCache numbered. A file written again, or another
// renamed over it, differs in its inode, size or times.
struct SampleKey
{
    QString path;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    int own = -1;
    int lines = 0;
    bool operator==(const SampleKey &) const = default;
};

// The key of the file at path as it is now; nothing when it cannot be read.
std::optional<SampleKey> sampleKey(const QString &path, int own, int lines);

// What samples were heard to say, kept from one check of a voice to the
// next so that a check hears again only the files that changed: the
// recorder checks its voice after every take. A hearing holds only for the
// lines it was heard against, since every line competes in it. Safe to use
// from several threads.
class WordsCache
{
public:
    // The number of lines for the keys of hearings against them. Hearings
    // against other lines are forgotten.
    int useLines(const LineSet &lines);
    // The hearing of the sample key names, when kept.
    std::optional<SampleWords> find(const SampleKey &key) const;
    void keep(const SampleKey &key, const SampleWords &words);
    // How many hearings it was given so far.
    int hearings() const;

private:
    struct Entry
    {
        SampleKey key;
        SampleWords words;
    };

    mutable QMutex m_lock;
    LineSet m_lines;                 // guarded by m_lock, as all below
    int m_linesNumber = 0;           // counts the lines used
    QHash<QString, Entry> m_entries; // by path: a file's newer hearing replaces its older
    int m_hearings = 0;
};
