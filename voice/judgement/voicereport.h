#pragma once

#include "samplemeasures.h"
#include "voicejudgement.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class WordsCache;

// A line a sample was heard to say: the name it belongs to, and its words.
struct HeardLine
{
    QString name;
    QString line;
};

// One catalogue name's findings. measures is empty when the name is missing
// or its file does not decode.
struct SampleReport
{
    QString name;
    QString file; // empty when missing
    QStringList otherFiles;
    std::optional<SampleMeasures> measures;
    QList<Problem> problems;
    QString reason; // why a sample is missing or unreadable, when known; the faults it carries
    std::optional<HeardLine> heard; // nothing where no line was heard clearly
};

// How the voice's words were heard.
struct WordsReport
{
    bool asked = false;
    bool checked = false;
    QString reason;    // why not, when not
    int checkable = 0; // samples with a line and speech to hear
    int heardOwn = 0;  // of those, heard as their own line
    QStringList notes; // lines.txt rows passed over, lines that cannot be heard
};

// A WAV file that serves no catalogue name, and the name it was probably
// meant for, when its name looks like a misspelling of one.
struct ExtraFile
{
    QString file;
    std::optional<QString> nearest;
};

struct VoiceReport
{
    QString folder;
    QList<SampleReport> samples; // catalogue order
    QList<ExtraFile> extras;
    VoiceReference reference;
    WordsReport words;

    qsizetype fineCount() const;
    // The names of the samples that have problem, in catalogue order.
    QStringList namesWith(Problem problem) const;
    bool clean() const { return fineCount() == samples.size() && extras.isEmpty(); }
};

struct CheckOptions
{
    bool words = true; // hear each sample's words
    // Hearings of an earlier check, to take those of unchanged files from,
    // and to keep this check's in.
    WordsCache *cache = nullptr;
};

// Checks the voice in folder; nothing when the folder cannot be read.
std::optional<VoiceReport> checkVoice(const QString &folder, const CheckOptions &options = {});
