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

// Whether the check's findings leave anything but the level to fix.
bool shapeMatches(const SampleMeasures &measures, int encoding, const FixTarget &target)
{
    // Counted in frames: a window is a whole number of them, a little more
    // or less than its milliseconds.
    const auto near = [&](qint64 pause, double padMs) {
        return std::abs(pause - framesOf(padMs, measures.rate))
            <= framesOf(PauseToleranceMs, measures.rate);
    };
    const bool pausesMatch = measures.leadingPause == measures.frames
        || (near(measures.leadingPause, target.padStartMs)
            && near(measures.trailingPause, target.padEndMs));
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

SampleFix copied(const QString &from, const QString &to, SampleFix fix, QString *error)
{
    fix.outcome = SampleFix::Outcome::Copied;
    *error = copySampleFile(from, to);
    return fix;
}

QString formatOf(const Source &source)
{
    return QStringLiteral("%1 Hz %2ch %3")
        .arg(source.rate)
        .arg(source.channels)
        .arg(encodingName(source.encoding));
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
    // Silence stays silence: a gain would make its noise pass for a word.
    const FixTarget own = planned->silent
        ? FixTarget { target.rate,  target.channels,   target.encoding,
                      std::nullopt, target.padStartMs, target.padEndMs }
        : target;
    // A sample kept as it is is judged as it is: a window less at an end
    // changes the loudness of a short word by tenths of a dB.
    if (shapeMatches(*sample.measures, planned->source.encoding, own)) {
        SampleFix kept = fix;
        chooseGain(sample.measures->loudnessLufs, planned->truePeakDb, own, kept);
        // Held by the ceiling, less than a step from it: no gain would be
        // given, whatever DC removal and rounding did to the true peak.
        const bool held = kept.wantedGainDb && kept.gainDb < GainStepDb + TruePeakSpreadDb;
        if (std::fabs(kept.gainDb) <= GainToleranceDb || held)
            return copied(from, to, fix, error);
    }
    chooseGain(planned->lufs, planned->truePeakDb, own, fix);
    const Source &source = planned->source;
    const ChainPlan &plan = planned->chain;
    fix.outcome = SampleFix::Outcome::Written;
    fix.trimmedStartMs = msOf(plan.keepFrom - plan.silenceBefore, source.rate);
    fix.trimmedEndMs = msOf(source.frames - plan.keepTo - plan.silenceAfter, source.rate);
    if (source.rate != target.rate || source.channels != target.channels
        || source.encoding != target.encoding)
        fix.convertedFrom = formatOf(source);
    fix.dcRemoved = sample.measures->dcOffset;
    fix.gainDb = stepped(fix);
    writeReshaped(source.path, source.encoding, plan, own.encoding, fix.gainDb, to, error,
                  sourceFaultsComment(sample.problems));
    return fix;
}
