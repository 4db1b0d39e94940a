#include "samplefix.h"

#include "chainwriter.h"
#include "encodings.h"
#include "fixchain.h"
#include "fixsettings.h"
#include "loudnessmeter.h"
#include "pausemeter.h"
#include "samplefile.h"
#include "samplewriter.h"
#include "thresholds.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using ChannelMeans = std::array<double, ChainPlan::MaxChannels>;

// The source as the fix sees it: its format, each channel's mean, and its
// pauses measured as the check measures them once the mean is gone.
struct Source
{
    QString path;
    int encoding = 0;
    int rate = 0;
    int channels = 0;
    qint64 frames = 0;
    ChannelMeans dc {};
    qint64 leadingPause = 0;
    qint64 trailingPause = 0;

    bool hasSound() const { return leadingPause < frames; }
};

qint64 framesOf(double ms, int rate)
{
    return std::llround(ms * rate / 1000);
}

double msOf(qint64 frames, int rate)
{
    return frames * 1000.0 / rate;
}

// Whether the check's findings on the sample leave anything to fix.
bool matches(const SampleMeasures &measures, int encoding, const FixTarget &target)
{
    // A sample that already peaks at the ceiling can be made no louder.
    const bool atCeiling = measures.peakDbfs() >= TruePeakCeilingDb - GainToleranceDb;
    const double gainDb = target.loudnessLufs.value_or(0) - measures.loudnessLufs;
    const bool levelMatches = !target.loudnessLufs || !std::isfinite(measures.loudnessLufs)
        || std::fabs(gainDb) <= GainToleranceDb || (gainDb > 0 && atCeiling);
    const bool pausesMatch = measures.leadingPause == measures.frames
        || (std::fabs(measures.leadingPauseMs() - target.padStartMs) <= PauseToleranceMs
            && std::fabs(measures.trailingPauseMs() - target.padEndMs) <= PauseToleranceMs);
    return measures.rate == target.rate && measures.channels == target.channels
        && encoding == target.encoding && measures.dcOffset <= DcOffsetLimit && levelMatches
        && pausesMatch;
}

std::optional<Source> readSource(const QString &path)
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
    PauseMeter pauses(channels, source.rate);
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
    if (!source.hasSound())
        return plan;
    const qint64 padStart = framesOf(target.padStartMs, source.rate);
    const qint64 padEnd = framesOf(target.padEndMs, source.rate);
    const qint64 fade = framesOf(CutFadeMs, source.rate);
    plan.keepFrom = std::max<qint64>(0, source.leadingPause - padStart);
    plan.keepTo -= std::max<qint64>(0, source.trailingPause - padEnd);
    plan.silenceBefore = std::max<qint64>(0, padStart - source.leadingPause);
    plan.silenceAfter = std::max<qint64>(0, padEnd - source.trailingPause);
    plan.fadeIn = plan.keepFrom > 0 ? std::min(fade, padStart) : 0;
    plan.fadeOut = plan.keepTo < source.frames ? std::min(fade, padEnd) : 0;
    return plan;
}

// The gain that brings the reshaped sample to the target loudness, or
// less where its true peak would pass the ceiling.
void chooseGain(const Source &source, const ChainPlan &plan, const FixTarget &target,
                SampleFix &fix)
{
    LoudnessMeter meter(plan.channels, plan.rate, true);
    runChain(source.path, plan, [&](const float *frames, qint64 count) {
        meter.add(frames, count);
        return true;
    });
    const double lufs = meter.lufs();
    if (target.loudnessLufs && std::isfinite(lufs))
        fix.gainDb = *target.loudnessLufs - lufs;
    const double peak = meter.truePeak();
    const double headroomDb = peak > 0 ? TruePeakCeilingDb - 20 * std::log10(peak) : fix.gainDb;
    if (fix.gainDb > headroomDb) {
        fix.wantedGainDb = fix.gainDb;
        fix.gainDb = headroomDb;
    }
}

QString formatOf(const Source &source)
{
    return QStringLiteral("%1 Hz %2ch %3")
        .arg(source.rate)
        .arg(source.channels)
        .arg(encodingName(source.encoding));
}

} // namespace

SampleFix fixSample(const SampleReport &sample, const QString &folder, const FixTarget &target,
                    const QString &out, QString *error)
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
    const auto source = readSource(from);
    if (!source) {
        *error = QStringLiteral("no longer decodes");
        return fix;
    }
    // A copy written whole would say the length its header promises, and so
    // hide that the sample was cut short: it stays as it is.
    if (sample.measures->truncated())
        fix.because = wordFor(Problem::Truncated);
    if (sample.measures->truncated() || matches(*sample.measures, source->encoding, target)) {
        fix.outcome = SampleFix::Outcome::Copied;
        *error = copySampleFile(from, to);
        return fix;
    }
    const ChainPlan plan = planFor(*source, target);
    chooseGain(*source, plan, target, fix);
    fix.outcome = SampleFix::Outcome::Written;
    fix.trimmedStartMs = msOf(plan.keepFrom - plan.silenceBefore, source->rate);
    fix.trimmedEndMs = msOf(source->frames - plan.keepTo - plan.silenceAfter, source->rate);
    if (source->rate != target.rate || source->channels != target.channels
        || source->encoding != target.encoding)
        fix.convertedFrom = formatOf(*source);
    fix.dcRemoved = sample.measures->dcOffset;
    writeReshaped(source->path, source->encoding, plan, target.encoding, fix.gainDb, to, error);
    return fix;
}
