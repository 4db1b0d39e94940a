#include "voicereport.h"

#include "nearestname.h"
#include "sampleanalysis.h"
#include "voicefolder.h"

#include <algorithm>

namespace {

SampleReport measured(const SampleFiles &files)
{
    SampleReport sample { files.name, files.taken, files.others, std::nullopt, {}, files.note };
    if (!files.takenPath.isEmpty())
        sample.measures = analyseSample(files.takenPath, &sample.reason);
    return sample;
}

// The problems that need no comparison with the rest of the voice come first.
QList<Problem> problemsOf(const SampleReport &sample, const VoiceReference &reference)
{
    QList<Problem> problems;
    if (sample.file.isEmpty())
        return { Problem::Missing };
    if (!sample.measures)
        problems.append(Problem::Unreadable);
    if (!sample.otherFiles.isEmpty())
        problems.append(Problem::SeveralFiles);
    if (sample.measures)
        problems += problemsOf(*sample.measures, reference);
    return problems;
}

} // namespace

qsizetype VoiceReport::fineCount() const
{
    return std::count_if(samples.cbegin(), samples.cend(),
                         [](const SampleReport &sample) { return sample.problems.isEmpty(); });
}

QStringList VoiceReport::namesWith(Problem problem) const
{
    QStringList names;
    for (const SampleReport &sample : samples) {
        if (sample.problems.contains(problem))
            names.append(sample.name);
    }
    return names;
}

std::optional<VoiceReport> checkVoice(const QString &folder)
{
    const auto voice = scanVoiceFolder(folder);
    if (!voice)
        return std::nullopt;

    VoiceReport report;
    report.folder = folder;
    QList<SampleMeasures> decoded;
    for (const SampleFiles &files : voice->samples) {
        report.samples.append(measured(files));
        if (report.samples.last().measures)
            decoded.append(*report.samples.last().measures);
    }
    report.reference = referenceOf(decoded);
    for (SampleReport &sample : report.samples)
        sample.problems = problemsOf(sample, report.reference);
    for (const QString &file : voice->extras)
        report.extras.append({ file, nearestSampleName(file) });
    return report;
}
