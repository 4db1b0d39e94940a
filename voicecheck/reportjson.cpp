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

template<typename T> QJsonValue orNull(const std::optional<T> &value)
{
    return value ? QJsonValue(*value) : QJsonValue();
}

QJsonValue roundedOrNull(const std::optional<double> &value, int decimals)
{
    return value ? rounded(*value, decimals) : QJsonValue();
}

// A sample's measures, each null when the sample was not measured.
struct MeasureField
{
    const char *key;
    QJsonValue (*value)(const SampleMeasures &);
};

const MeasureField MeasureFields[] = {
    { "rate", [](const SampleMeasures &m) { return QJsonValue(m.rate); } },
    { "channels", [](const SampleMeasures &m) { return QJsonValue(m.channels); } },
    { "encoding", [](const SampleMeasures &m) { return QJsonValue(m.encoding); } },
    { "seconds", [](const SampleMeasures &m) { return rounded(m.seconds(), 3); } },
    { "promised_seconds", [](const SampleMeasures &m) { return rounded(m.promisedSeconds(), 3); } },
    { "peak_dbfs", [](const SampleMeasures &m) { return rounded(m.peakDbfs(), 2); } },
    { "loudness_lufs", [](const SampleMeasures &m) { return rounded(m.loudnessLufs, 2); } },
    { "silence_start_ms", [](const SampleMeasures &m) { return rounded(m.leadingPauseMs(), 0); } },
    { "silence_end_ms", [](const SampleMeasures &m) { return rounded(m.trailingPauseMs(), 0); } },
};

QJsonObject sampleObject(const SampleReport &sample)
{
    QJsonObject object;
    for (const MeasureField &field : MeasureFields)
        object.insert(QLatin1String(field.key),
                      sample.measures ? field.value(*sample.measures) : QJsonValue());
    object.insert("name", sample.name);
    object.insert("file", sample.file.isEmpty() ? QJsonValue() : QJsonValue(sample.file));
    object.insert("other_files", QJsonArray::fromStringList(sample.otherFiles));
    QJsonArray problems;
    for (const Problem problem : sample.problems)
        problems.append(wordFor(problem));
    object.insert("problems", problems);
    object.insert("reason", sample.reason.isEmpty() ? QJsonValue() : QJsonValue(sample.reason));
    object.insert("heard",
                  sample.heard ? QJsonObject { { "name", sample.heard->name },
                                               { "line", sample.heard->line } }
                               : QJsonValue());
    return object;
}

QJsonObject wordsObject(const WordsReport &words)
{
    return {
        { "checked", words.checked },
        { "reason", words.reason.isEmpty() ? QJsonValue() : QJsonValue(words.reason) },
        { "samples_heard", words.checkable },
        { "heard_as_own_line", words.heardOwn },
        { "notes", QJsonArray::fromStringList(words.notes) },
    };
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
        { "rate", orNull(voice.rate) },
        { "channels", orNull(voice.channels) },
        { "encoding", orNull(voice.encoding) },
        { "loudness_lufs", roundedOrNull(voice.loudnessLufs, 2) },
        { "silence_start_ms", roundedOrNull(voice.silenceStartMs, 0) },
        { "silence_end_ms", roundedOrNull(voice.silenceEndMs, 0) },
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
        extras.append(QJsonObject { { "file", extra.file }, { "nearest", orNull(extra.nearest) } });
    const QJsonObject root {
        { "folder", report.folder },
        { "samples", samples },
        { "extra", extras },
        { "summary", summaryObject(report) },
        { "words", wordsObject(report.words) },
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
