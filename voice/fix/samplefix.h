#pragma once

#include "voicereport.h"

#include <QString>

#include <optional>

// What every sample of a fixed voice is made to be.
struct FixTarget
{
    int rate = 0;
    int channels = 0;
    int encoding = 0;                   // libsndfile's
    std::optional<double> loudnessLufs; // nothing leaves levels alone
    double padStartMs = 0;
    double padEndMs = 0;
};

// What was done to one sample.
struct SampleFix
{
    enum class Outcome { Written, Copied, LeftOut };

    QString name;
    QString file;
    Outcome outcome = Outcome::LeftOut;
    QString because; // the problem that left it out, or kept it as it was
    double gainDb = 0;
    std::optional<double> wantedGainDb; // when the true-peak ceiling allowed less
    double trimmedStartMs = 0;          // negative where silence was added
    double trimmedEndMs = 0;
    QString convertedFrom; // "44100 Hz 2ch PCM 24"; empty when the format was kept
    double dcRemoved = 0;  // the largest channel mean, as a magnitude
};

// Writes the sample, from folder and fixed to target, into the folder out
// under its own file name, or copies it byte for byte when the check found
// nothing to fix. error says why its file could not be written.
SampleFix fixSample(const SampleReport &sample, const QString &folder, const FixTarget &target,
                    const QString &out, QString *error);
