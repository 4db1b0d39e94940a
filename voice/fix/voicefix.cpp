#include "voicefix.h"

#include "encodings.h"
#include "folderlisting.h"
#include "samplefile.h"
#include "samplewriter.h"
#include "voicelines.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

namespace {

namespace fs = std::filesystem;

// Enough for a voice whose median the rewrites move in turn.
constexpr int SettleRounds = 4;

QString fileError(const QString &folder, const SampleReport &sample, const QString &error)
{
    return folder + QLatin1Char('/') + sample.file + QStringLiteral(": ") + error;
}

FixTarget targetOf(const VoiceReport &voice, const QString &from, const FixOptions &options)
{
    const VoiceReference &reference = voice.reference;
    // A voice with no sample measured has nothing to fix.
    const int rate = reference.rate.value_or(0);
    const int channels = reference.channels.value_or(0);
    return { rate,
             channels,
             writableEncoding(voiceEncoding(voice, from), channels, rate),
             options.loudnessLufs ? options.loudnessLufs : reference.loudnessLufs,
             options.padStartMs,
             options.padEndMs };
}

// The voice's median level, or less where most samples cannot be made that
// loud under the true-peak ceiling: then the level that just over half of
// them reach, so that the fixed voice's median is the level it was fixed to
// and a second fix finds nothing to change.
std::optional<double> reachableLevel(std::optional<double> median, const VoiceReport &voice,
                                     const QList<std::optional<PlannedSample>> &plans)
{
    QList<double> levels;
    for (qsizetype i = 0; i < plans.size(); ++i) {
        const auto &measures = voice.samples[i].measures;
        const double level = plans[i] ? plans[i]->reachableLufs()
            : measures                ? measures->loudnessLufs
                                      : -std::numeric_limits<double>::infinity();
        if (std::isfinite(level))
            levels.append(level);
    }
    if (!median || levels.isEmpty())
        return median;
    std::sort(levels.begin(), levels.end());
    return std::min(*median, levels[(levels.size() - 1) / 2]);
}

// The voice's own wording goes with it, so that the copy is heard against
// the same lines; the error, empty on success.
QString copyLines(const QString &from, const QString &out)
{
    const QString lines = from + QLatin1Char('/') + QLatin1String(LinesFileName);
    if (!QFileInfo::exists(lines))
        return {};
    const QString to = out + QLatin1Char('/') + QLatin1String(LinesFileName);
    const QString error = copySampleFile(lines, to);
    return error.isEmpty() ? QString() : to + QStringLiteral(": ") + error;
}

// Writing moves a little of what it writes: rounding, dither and
// resampling carry a window across a pause line or a level across a
// step's edge, a cut leaves the kept part a mean of its own, and the fix
// moves the voice's median by what it does. So the copy is planned again
// as a fix of it would plan it, and every sample that fix would change is
// written again from its source with that change carried back, until it
// would change none.
void settle(VoiceFix &fix, const VoiceReport &voice,
            const QList<std::optional<PlannedSample>> &plans, const QString &out,
            const FixOptions &options)
{
    QList<std::optional<Writing>> writings;
    for (qsizetype i = 0; i < plans.size(); ++i)
        writings.append(plans[i] ? std::optional(writingOf(fix.samples[i], *plans[i]))
                                 : std::nullopt);
    for (int round = 0; round < SettleRounds; ++round) {
        const auto copy = checkVoice(out, { .words = false });
        if (!copy)
            return;
        FixTarget target = targetOf(*copy, out, options);
        QList<std::optional<PlannedSample>> again;
        for (qsizetype i = 0; i < plans.size(); ++i) {
            QString ignored;
            again.append(writings[i] ? planSample(copy->samples[i], out, target, &ignored)
                                     : std::nullopt);
        }
        if (!options.loudnessLufs)
            target.loudnessLufs = reachableLevel(target.loudnessLufs, *copy, again);
        bool settled = true;
        for (qsizetype i = 0; i < plans.size(); ++i) {
            if (!again[i] || keptAsItIs(copy->samples[i], *again[i], target))
                continue;
            settled = false;
            QString error;
            fix.samples[i] = fixAgain(fix.samples[i], voice.samples[i], *plans[i], *writings[i],
                                      copy->samples[i], *again[i], target, out, &error);
            if (!error.isEmpty()) {
                fix.error = fileError(out, voice.samples[i], error);
                return;
            }
        }
        if (settled)
            return;
    }
}

// No fix changes what a sample says: each that says another name's line
// is reported as such.
void noteWords(VoiceFix &fix, const VoiceReport &voice)
{
    for (qsizetype i = 0; i < fix.samples.size(); ++i) {
        if (voice.samples[i].problems.contains(Problem::WrongWords))
            fix.samples[i].saysOther = voice.samples[i].heard;
    }
}

} // namespace

// The encoding of the check's reference as libsndfile names it: that of the
// first sample the check found in it.
int voiceEncoding(const VoiceReport &voice, const QString &from)
{
    for (const SampleReport &sample : voice.samples) {
        if (sample.measures && sample.measures->encoding == voice.reference.encoding) {
            if (const auto file = SampleFile::open(from + QLatin1Char('/') + sample.file))
                return file->encoding();
        }
    }
    return 0;
}

bool liesInside(const QString &path, const QString &folder)
{
    std::error_code error;
    const fs::path inner = fs::weakly_canonical(nativePath(path), error);
    const fs::path outer = fs::weakly_canonical(nativePath(folder), error);
    // What cannot be resolved cannot be shown to lie elsewhere.
    return error
        || std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first
        == outer.end();
}

QString outFolderFault(const QString &folder, const QString &out)
{
    if (liesInside(out, folder))
        return QStringLiteral("is the voice's folder or lies inside it");
    const fs::path target = nativePath(out);
    std::error_code error;
    if (!fs::exists(target, error))
        return {};
    if (!fs::is_directory(target, error))
        return QStringLiteral("exists and is not a folder");
    if (!fs::is_empty(target, error) || error)
        return QStringLiteral("is not an empty folder");
    return {};
}

VoiceFix fixVoice(const VoiceReport &voice, const QString &from, const QString &out,
                  const FixOptions &options)
{
    VoiceFix fix;
    std::error_code error;
    fs::create_directories(nativePath(out), error);
    if (error)
        return { {}, out + QStringLiteral(": ") + QString::fromStdString(error.message()) };
    FixTarget target = targetOf(voice, from, options);
    QList<std::optional<PlannedSample>> plans;
    for (const SampleReport &sample : voice.samples) {
        QString readError;
        plans.append(planSample(sample, from, target, &readError));
        if (!readError.isEmpty())
            return { {}, fileError(from, sample, readError) };
    }
    if (!options.loudnessLufs)
        target.loudnessLufs = reachableLevel(target.loudnessLufs, voice, plans);
    for (qsizetype i = 0; i < voice.samples.size(); ++i) {
        const SampleReport &sample = voice.samples[i];
        QString writeError;
        fix.samples.append(fixSample(sample, plans[i], from, target, out, &writeError));
        if (!writeError.isEmpty()) {
            fix.error = fileError(out, sample, writeError);
            return fix;
        }
    }
    settle(fix, voice, plans, out, options);
    if (fix.error.isEmpty())
        fix.error = copyLines(from, out);
    noteWords(fix, voice);
    return fix;
}
