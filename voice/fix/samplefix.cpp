#include "samplefix.h"

#include "chainwriter.h"
#include "encodings.h"
#include "fixchain.h"
#include "fixsettings.h"
#include "loudnessmeter.h"
#include "pausemeter.h"
#include "samplefile.h"
#include "samplewriter.h"
#include "sourcefaults.h"
#include "thresholds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

double msOf(qint64 frames, int rate)
{
    return frames * 1000.0 / rate;
}

// How far the check's pause at one end lies off its pad, in frames; none
// within the tolerance, nor for a sample with no sound. Counted in frames: a
// window is a whole number of them, a little more or less than its
// milliseconds.
qint64 offPad(const SampleMeasures &measures, qint64 pause, double padMs)
{
    const qint64 off = pause - framesOf(padMs, measures.rate);
    const bool near = std::abs(off) <= framesOf(PauseToleranceMs, measures.rate);
    return near || measures.leadingPause == measures.frames ? 0 : off;
}

// Whether the check's findings leave anything but the level to fix.
bool shapeMatches(const SampleMeasures &measures, int encoding, const FixTarget &target)
{
    const bool pausesMatch = offPad(measures, measures.leadingPause, target.padStartMs) == 0
        && offPad(measures, measures.trailingPause, target.padEndMs) == 0;
    return measures.rate == target.rate && measures.channels == target.channels
        && encoding == target.encoding && measures.dcOffset <= DcOffsetLimit && pausesMatch;
}

std::optional<Source> readSource(const QString &path, int targetEncoding)
{
    const auto file = SampleFile::open(path);
    if (!file)
        return std::nullopt;
    Source source { path, file->encoding(), file->sampleRate(), file->channels() };
    const int channels = source.channels;
    decodeSample(path, [&](const float *data, qint64 count) {
        for (qint64 i = 0; i < count * channels; ++i)
            source.dc[std::size_t(i % channels)] += data[i];
        source.frames += count;
        return true;
    });
    for (double &mean : source.dc)
        mean /= double(std::max<qint64>(source.frames, 1));
    // Measured in the coarser of the two encodings, as the check of the
    // fixed sample will measure them.
    PauseMeter pauses(channels, source.rate,
                      std::max(encodingStep(source.encoding), encodingStep(targetEncoding)));
    std::vector<float> dcFree;
    decodeSample(path, [&](const float *data, qint64 count) {
        dcFree.assign(data, data + count * channels);
        for (qint64 i = 0; i < count * channels; ++i)
            dcFree[std::size_t(i)] -= float(source.dc[std::size_t(i % channels)]);
        pauses.add(dcFree.data(), count);
        return true;
    });
    const PauseMeter::Ends ends = pauses.ends();
    source.leadingPause = ends.leading;
    source.trailingPause = ends.trailing;
    return source;
}

ChainPlan planFor(const Source &source, const FixTarget &target)
{
    ChainPlan plan;
    plan.dc = source.dc;
    plan.keepTo = source.frames;
    plan.channels = target.channels;
    plan.rate = target.rate;
    if (source.hasSound())
        cutPlan(plan, source.leadingPause - framesOf(target.padStartMs, source.rate),
                source.frames - source.trailingPause + framesOf(target.padEndMs, source.rate),
                source.frames, source.rate, target.padStartMs, target.padEndMs);
    return plan;
}

// The reshaped sample's loudness and true peak at no gain.
void measure(PlannedSample &planned)
{
    LoudnessMeter meter(planned.chain.channels, planned.chain.rate, true);
    runChain(planned.source.path, planned.chain, [&](const float *frames, qint64 count) {
        meter.add(frames, count);
        return true;
    });
    planned.lufs = meter.lufs();
    const double peak = meter.truePeak();
    planned.truePeakDb
        = peak > 0 ? 20 * std::log10(peak) : -std::numeric_limits<double>::infinity();
}

// The gain that brings a sample of that loudness to the target's, or less
// where its true peak would pass the ceiling.
void chooseGain(double lufs, double truePeakDb, const FixTarget &target, SampleFix &fix)
{
    if (std::isfinite(lufs))
        fix.gainDb = target.loudnessLufs.value_or(lufs) - lufs;
    const double headroomDb
        = std::isfinite(truePeakDb) ? TruePeakCeilingDb - truePeakDb : fix.gainDb;
    if (fix.gainDb > headroomDb) {
        fix.wantedGainDb = fix.gainDb;
        fix.gainDb = headroomDb;
    }
}

// The gain in whole steps of the pause meter's levels, so that every window
// keeps its place among them and the fixed sample's pauses are the planned
// ones; below the ceiling where that holds the gain.
double stepped(const SampleFix &fix)
{
    const double steps = fix.gainDb / GainStepDb;
    return (fix.wantedGainDb ? std::floor(steps) : std::round(steps)) * GainStepDb;
}

// Silence stays silence: a gain would make its noise pass for a word.
FixTarget ownTarget(const PlannedSample &planned, const FixTarget &target)
{
    if (!planned.silent)
        return target;
    FixTarget own = target;
    own.loudnessLufs.reset();
    return own;
}

// Whether a sample measured so is at the target's level, or held below it
// by the ceiling less than a step from it: then no gain would be given,
// whatever DC removal and rounding did to the true peak.
bool levelMatches(const SampleMeasures &measures, const PlannedSample &planned,
                  const FixTarget &target)
{
    SampleFix kept;
    chooseGain(measures.loudnessLufs, planned.truePeakDb, ownTarget(planned, target), kept);
    const bool held = kept.wantedGainDb && kept.gainDb < GainStepDb + TruePeakSpreadDb;
    return std::fabs(kept.gainDb) <= GainToleranceDb || held;
}

// The chain writing took, changed so that the check of the copy finds
// each end's pause at its pad and no DC offset: a trim read in the
// source's frames takes first from the silence writing added and then from
// the source, and silence is added where the copy's pause falls short.
ChainPlan mended(const Writing &writing, const Source &source, const SampleMeasures &copy,
                 const PlannedSample &again, const FixTarget &target)
{
    ChainPlan plan = writing.chain;
    const double gain = std::pow(10.0, writing.gainDb / 20);
    for (int channel = 0; copy.dcOffset > DcOffsetLimit && channel < source.channels; ++channel)
        plan.dc[std::size_t(channel)]
            += again.source.dc[std::size_t(channel % copy.channels)] / gain;
    const auto inSource = [&](qint64 copyFrames) {
        return std::llround(double(copyFrames) * source.rate / copy.rate);
    };
    const qint64 startTrim
        = inSource(offPad(copy, copy.leadingPause, target.padStartMs)) - plan.silenceBefore;
    plan.keepFrom += std::max<qint64>(0, startTrim);
    plan.silenceBefore = std::max<qint64>(0, -startTrim);
    const qint64 endTrim
        = inSource(offPad(copy, copy.trailingPause, target.padEndMs)) - plan.silenceAfter;
    plan.keepTo = std::max(plan.keepFrom, plan.keepTo - std::max<qint64>(0, endTrim));
    plan.silenceAfter = std::max<qint64>(0, -endTrim);
    fadeCuts(plan, source.frames, source.rate, target.padStartMs, target.padEndMs);
    return plan;
}

QString formatOf(const Source &source)
{
    return QStringLiteral("%1 Hz %2ch %3")
        .arg(source.rate)
        .arg(source.channels)
        .arg(encodingName(source.encoding));
}

// Writes the source through writing's chain and gain, in target's encoding.
SampleFix written(const SampleReport &sample, const Source &source, const Writing &writing,
                  const FixTarget &target, const QString &to, SampleFix fix, QString *error)
{
    const ChainPlan &plan = writing.chain;
    fix.outcome = SampleFix::Outcome::Written;
    fix.trimmedStartMs = msOf(plan.keepFrom - plan.silenceBefore, source.rate);
    fix.trimmedEndMs = msOf(source.frames - plan.keepTo - plan.silenceAfter, source.rate);
    if (source.rate != target.rate || source.channels != target.channels
        || source.encoding != target.encoding)
        fix.convertedFrom = formatOf(source);
    fix.dcRemoved = sample.measures->dcOffset;
    writeReshaped(source.path, source.encoding, plan, target.encoding, writing.gainDb, to, error,
                  sourceFaultsComment(sample.problems));
    return fix;
}

SampleFix copied(const QString &from, const QString &to, SampleFix fix, QString *error)
{
    fix.outcome = SampleFix::Outcome::Copied;
    *error = copySampleFile(from, to);
    return fix;
}

} // namespace

double PlannedSample::reachableLufs() const
{
    return silent ? lufs
                  : lufs + std::floor((TruePeakCeilingDb - truePeakDb) / GainStepDb) * GainStepDb;
}

std::optional<PlannedSample> planSample(const SampleReport &sample, const QString &folder,
                                        const FixTarget &target, QString *error)
{
    // A copy written whole would say the length its header promises, and so
    // hide that the sample was cut short: it stays as it is.
    if (sample.file.isEmpty() || !sample.measures || sample.measures->truncated())
        return std::nullopt;
    auto source = readSource(folder + QLatin1Char('/') + sample.file, target.encoding);
    if (!source) {
        *error = QStringLiteral("no longer decodes");
        return std::nullopt;
    }
    PlannedSample planned { *source, planFor(*source, target) };
    planned.silent = sample.measures->silent;
    measure(planned);
    return planned;
}

bool keptAsItIs(const SampleReport &sample, const PlannedSample &planned, const FixTarget &target)
{
    // A sample kept as it is is judged as it is: a window less at an end
    // changes the loudness of a short word by tenths of a dB.
    return shapeMatches(*sample.measures, planned.source.encoding, target)
        && levelMatches(*sample.measures, planned, target);
}

SampleFix fixSample(const SampleReport &sample, const std::optional<PlannedSample> &planned,
                    const QString &folder, const FixTarget &target, const QString &out,
                    QString *error)
{
    SampleFix fix;
    fix.name = sample.name;
    fix.file = sample.file;
    if (sample.file.isEmpty() || !sample.measures) {
        fix.file.clear();
        fix.because = wordFor(sample.problems.value(0, Problem::Missing));
        return fix;
    }
    const QString from = folder + QLatin1Char('/') + sample.file;
    const QString to = out + QLatin1Char('/') + sample.file;
    if (!planned) {
        fix.because = wordFor(Problem::Truncated);
        return copied(from, to, fix, error);
    }
    if (keptAsItIs(sample, *planned, target))
        return copied(from, to, fix, error);
    chooseGain(planned->lufs, planned->truePeakDb, ownTarget(*planned, target), fix);
    fix.gainDb = stepped(fix);
    return written(sample, planned->source, { planned->chain, fix.gainDb }, target, to, fix, error);
}

Writing writingOf(const SampleFix &fix, const PlannedSample &planned)
{
    if (fix.outcome == SampleFix::Outcome::Written)
        return { planned.chain, fix.gainDb };
    ChainPlan whole;
    whole.keepTo = planned.source.frames;
    whole.channels = planned.source.channels;
    whole.rate = planned.source.rate;
    return { whole, 0 };
}

SampleFix fixAgain(SampleFix fix, const SampleReport &sample, const PlannedSample &planned,
                   Writing &writing, const SampleReport &copy, const PlannedSample &again,
                   const FixTarget &againTarget, const QString &out, QString *error)
{
    if (!levelMatches(*copy.measures, again, againTarget)) {
        SampleFix change;
        chooseGain(copy.measures->loudnessLufs, again.truePeakDb, ownTarget(again, againTarget),
                   change);
        if (change.wantedGainDb)
            fix.wantedGainDb = writing.gainDb + *change.wantedGainDb;
        writing.gainDb += stepped(change);
    }
    writing.chain = mended(writing, planned.source, *copy.measures, again, againTarget);
    fix.gainDb = writing.gainDb;
    return written(sample, planned.source, writing, againTarget,
                   out + QLatin1Char('/') + sample.file, fix, error);
}
