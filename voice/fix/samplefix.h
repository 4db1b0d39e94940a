#pragma once

#include "fixchain.h"
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
    QString convertedFrom;              // "44100 Hz 2ch PCM 24"; empty when the format was kept
    double dcRemoved = 0;               // the largest channel mean, as a magnitude
    std::optional<HeardLine> saysOther; // another name's line, which no fix changes
};

// The source as the fix sees it: its format, each channel's mean, and its
// pauses measured as the check measures them once the mean is gone.
struct Source
{
    QString path;
    int encoding = 0;
    int rate = 0;
    int channels = 0;
    qint64 frames = 0;
    std::array<double, ChainPlan::MaxChannels> dc {};
    qint64 leadingPause = 0;
    qint64 trailingPause = 0;

    bool hasSound() const { return leadingPause < frames; }
};

// A sample read, reshaped and measured as it would be written at no gain:
// what the fix needs to know of it before it sets the voice's level.
struct PlannedSample
{
    Source source;
    ChainPlan chain;
    bool silent = false;
    double lufs = 0; // minus infinity for silence
    double truePeakDb = 0;

    // How loud it will be made at most: as loud as the true-peak ceiling
    // lets it be in whole gain steps; silence as it is.
    double reachableLufs() const;
};

// Plans the sample from folder for target; nothing for a sample that is
// not there, does not decode or is copied as it is, and then error says
// why when it no longer decodes.
std::optional<PlannedSample> planSample(const SampleReport &sample, const QString &folder,
                                        const FixTarget &target, QString *error);

// Writes the sample, as planned and brought to target, into the folder out
// under its own file name, or copies it byte for byte from folder when
// there is nothing to fix. error says why its file could not be written.
SampleFix fixSample(const SampleReport &sample, const std::optional<PlannedSample> &planned,
                    const QString &folder, const FixTarget &target, const QString &out,
                    QString *error);

// Whether a fix copies the sample as it is, planned as planned for target.
bool keptAsItIs(const SampleReport &sample, const PlannedSample &planned, const FixTarget &target);

// How a sample went from its source into the copy: the chain, and the gain
// after it. A sample copied as it is went through a chain that keeps it whole.
struct Writing
{
    ChainPlan chain;
    double gainDb = 0;
};
Writing writingOf(const SampleFix &fix, const PlannedSample &planned);

// Writes the sample into out again from its source, changed where the
// check of its copy (copy, planned there as again for againTarget) finds it
// off its pads, level or mean; writing becomes how it was written now, and
// fix, what was done to it before, what was done now.
SampleFix fixAgain(SampleFix fix, const SampleReport &sample, const PlannedSample &planned,
                   Writing &writing, const SampleReport &copy, const PlannedSample &again,
                   const FixTarget &againTarget, const QString &out, QString *error);
