#include "reportjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

QJsonValue rounded(double value, int decimals)
{
    if (!std::isfinite(value))
        return QJsonValue::Null;
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

const char *const MeasureKeys[]
    = { "rate",          "channels",         "seconds",       "peak_dbfs",
        "loudness_lufs", "silence_start_ms", "silence_end_ms" };

QJsonObject measureFields(const std::optional<SampleMeasures> &measures)
{
    if (!measures) {
        QJsonObject nulls;
        for (const char *key : MeasureKeys)
            nulls.insert(QLatin1String(key), QJsonValue::Null);
        return nulls;
    }
    return {
        { "rate", measures->rate },
        { "channels", measures->channels },
        { "seconds", rounded(measures->seconds(), 3) },
        { "peak_dbfs", rounded(measures->peakDbfs(), 2) },
        { "loudness_lufs", rounded(measures->loudnessLufs, 2) },
        { "silence_start_ms", rounded(measures->leadingPauseMs(), 0) },
        { "silence_end_ms", rounded(measures->trailingPauseMs(), 0) },
    };
}

QJsonObject sampleObject(const SampleReport &sample)
{
    QJsonObject object = measureFields(sample.measures);
    object.insert("name", sample.name);
    object.insert("file", sample.file.isEmpty() ? QJsonValue() : QJsonValue(sample.file));
    object.insert("other_files", QJsonArray::fromStringList(sample.otherFiles));
    QJsonArray problems;
    for (const Problem problem : sample.problems)
        problems.append(wordFor(problem));
    object.insert("problems", problems);
    return object;
}

QJsonObject summaryObject(const VoiceReport &report)
{
    QJsonObject problems;
    for (const Problem problem : allProblems()) {
        if (const QStringList names = report.namesWith(problem); !names.isEmpty())
            problems.insert(wordFor(problem), QJsonArray::fromStringList(names));
    }
    const VoiceReference &voice = report.reference;
    const QJsonObject reference {
        { "rate", voice.rate },
        { "channels", voice.channels },
        { "loudness_lufs", voice.loudnessLufs ? rounded(*voice.loudnessLufs, 2) : QJsonValue() },
        { "silence_start_ms", rounded(voice.silenceStartMs, 0) },
        { "silence_end_ms", rounded(voice.silenceEndMs, 0) },
    };
    return {
        { "samples", report.samples.size() },
        { "fine", report.fineCount() },
        { "extra", report.extras.size() },
        { "problems", problems },
        { "voice", reference },
    };
}

} // namespace

QByteArray reportJson(const VoiceReport &report)
{
    QJsonArray samples;
    for (const SampleReport &sample : report.samples)
        samples.append(sampleObject(sample));
    QJsonArray extras;
    for (const ExtraFile &extra : report.extras)
        extras.append(QJsonObject { { "file", extra.file }, { "nearest", extra.nearest } });
    const QJsonObject root {
        { "folder", report.folder },
        { "samples", samples },
        { "extra", extras },
        { "summary", summaryObject(report) },
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
