#pragma once

#include "take.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Where a take is cut for its sample: the take's frames [from, to).
struct Cut
{
    qint64 from = 0;
    qint64 to = 0;
    bool operator==(const Cut &) const = default;
};

// The format every sample of the voice is written in.
struct VoiceFormat
{
    int rate = 22050;
    int channels = 1;
    int encoding = 0; // libsndfile's; 0 reads as 16-bit PCM
};

// A voice folder being recorded. Every take is kept raw in
// takes/NAME/N.wav; the sample NAME.wav is cut from one of them and
// converted to the voice's format. Files are written under temporary names
// and renamed when complete, and a sample is never replaced unless the take
// it came from stays in takes/: one that came from elsewhere is kept there
// first. Takes that cannot be written wait in memory.
class TakeFolder
{
public:
    explicit TakeFolder(const QString &folder);

    QString folder() const { return m_folder; }
    VoiceFormat format() const { return m_format; }
    // The numbers of name's takes on disk, ascending.
    QList<int> takes(const QString &name) const;
    // The take name's sample was cut from, and where; nothing when none.
    std::optional<std::pair<int, Cut>> chosen(const QString &name) const;
    QString takePath(const QString &name, int number) const;
    QString samplePath(const QString &name) const;

    // Keeps take as name's next take and cuts the sample from it. A silent
    // or clipped take is refused, and the sample stays as it was. Empty, or
    // why the take waits in memory.
    QString keep(const QString &name, Take take);
    // Writes what waits in memory; empty, or why it still waits.
    QString writeWaiting();
    qsizetype waiting() const { return m_waiting.size(); }

    // Makes take number of name the sample again, cut at cut, or at its
    // pauses and the pads when nothing. Empty, or why it is not.
    QString choose(const QString &name, int number, std::optional<Cut> cut = std::nullopt);

    // The last take written since the folder was opened, and the sample it
    // replaced: the choice made before it, or none.
    struct Kept
    {
        QString name;
        int number = 0;
        std::optional<std::pair<int, Cut>> before;
    };
    std::optional<Kept> lastKept() const;
    // Puts back what the last take replaced, the choice before it or no
    // sample at all, and forgets that take: a second undo goes back past the
    // one before it. Empty, or why it could not.
    QString undo();

private:
    QString writeTake(const QString &name, const Take &take);
    QString keepOutsideSample(const QString &name);
    QString writeSample(const QString &name, int number, const Cut &cut);
    QString takesOf(const QString &name) const;
    // The number the next take of name is kept under.
    int nextTake(const QString &name) const;

    QString m_folder;
    VoiceFormat m_format;
    QList<std::pair<QString, Take>> m_waiting;
    QList<Kept> m_kept; // in the order the takes were written
};

// The cut a take gets by itself: its pauses as voice-check measures them,
// trimmed to the fixer's pads.
std::optional<Cut> autoCut(const QString &takePath);
