#pragma once

#include "fixsettings.h"
#include "samplefix.h"
#include "voicereport.h"

#include <QList>
#include <QString>

#include <optional>

struct FixOptions
{
    double padStartMs = DefaultPadStartMs;
    double padEndMs = DefaultPadEndMs;
    std::optional<double> loudnessLufs; // nothing: the voice's median
};

// The libsndfile encoding of the voice's most common format, read from the
// first of its samples in the folder from that has it; 0 when none has.
int voiceEncoding(const VoiceReport &voice, const QString &from);

// Whether path is folder or lies inside it, links and ".." resolved.
bool liesInside(const QString &path, const QString &folder);

// Why out cannot take a fixed copy of the voice in folder: it exists and is
// not an empty folder, or it is folder or lies inside it. Empty when it can.
QString outFolderFault(const QString &folder, const QString &out);

struct VoiceFix
{
    QList<SampleFix> samples; // catalogue order
    QString error;            // the file that could not be written and why; stops the fix
};

// Writes the fixed copy of the checked voice, read from the folder from,
// into out, which outFolderFault has accepted; creates out.
VoiceFix fixVoice(const VoiceReport &voice, const QString &from, const QString &out,
                  const FixOptions &options);
