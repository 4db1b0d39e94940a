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
            return { {}, from + QLatin1Char('/') + sample.file + QStringLiteral(": ") + readError };
    }
    if (!options.loudnessLufs)
        target.loudnessLufs = reachableLevel(target.loudnessLufs, voice, plans);
    for (qsizetype i = 0; i < voice.samples.size(); ++i) {
        const SampleReport &sample = voice.samples[i];
        QString writeError;
        fix.samples.append(fixSample(sample, plans[i], from, target, out, &writeError));
        if (sample.problems.contains(Problem::WrongWords))
            fix.samples.last().saysOther = sample.heard;
        if (!writeError.isEmpty()) {
            fix.error = out + QLatin1Char('/') + sample.file + QStringLiteral(": ") + writeError;
            return fix;
        }
    }
    fix.error = copyLines(from, out);
    return fix;
}
