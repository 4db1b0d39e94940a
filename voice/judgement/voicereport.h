#pragma once

#include "samplemeasures.h"
#include "voicejudgement.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

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

    qsizetype fineCount() const;
    // The names of the samples that have problem, in catalogue order.
    QStringList namesWith(Problem problem) const;
    bool clean() const { return fineCount() == samples.size() && extras.isEmpty(); }
};

// Checks the voice in folder; nothing when the folder cannot be read.
std::optional<VoiceReport> checkVoice(const QString &folder);
