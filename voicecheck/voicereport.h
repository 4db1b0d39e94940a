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
};

// A WAV file that serves no catalogue name, and the name it was probably meant for.
struct ExtraFile
{
    QString file;
    QString nearest;
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
