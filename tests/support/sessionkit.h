#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <vector>

// One thing heard in a session recording.
struct SessionPart
{
    enum class Kind { Line, Words, Noise };
    Kind kind = Kind::Line;
    QString text;            // what is said
    int name = -1;           // for a line, the catalogue name it is said for
    double pauseInside = 0;  // a pause this long at the first comma of text
    double pauseAfter = 1.5; // before the next part
};

// Where a part lies in a session, in seconds.
struct PartAt
{
    double from = 0;
    double to = 0;
};

// Session recordings as a voice's author makes them: lines read one after
// another, with retakes, slips and noises, spoken by espeak-ng, with the
// room's noise under all of it, in one 16-bit mono WAV file.
class SessionKit
{
public:
    // espeakOptions choose the voice: { "-v", "de" } ...
    explicit SessionKit(const QStringList &espeakOptions = {});
    // Writes parts to path at rate with the room at roomDb (RMS, dBFS); where
    // each part lies, or nothing when espeak-ng is missing or fails.
    std::optional<QList<PartAt>> write(const QString &path, const QList<SessionPart> &parts,
                                       int rate = 44100, double roomDb = -60);

private:
    // text as espeak-ng says it at its own rate, without its pauses at the ends.
    const std::vector<float> *spoken(const QString &text);

    QStringList m_options;
    QTemporaryDir m_folder;
    QHash<QString, std::vector<float>> m_spoken;
    int m_rate = 0;
};

// Every line of texts (one per catalogue name) read once, in order.
QList<SessionPart> linesInOrder(const QStringList &texts);
