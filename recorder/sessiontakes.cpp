#include "sessiontakes.h"

#include "recordingfile.h"
#include "takefolder.h"

#include <utility>

QString keepTakes(const QString &path, int rate, const QList<TakeSpan> &spans, TakeFolder &folder,
                  const std::function<bool(double done)> &progress, qsizetype *kept)
{
    *kept = 0;
    QString why;
    const auto file = RecordingFile::open(path, &why);
    if (!file)
        return QStringLiteral("the recording cannot be read again: %1").arg(why);
    if (file->rate() != rate)
        return QStringLiteral("the recording changed while it was imported");
    const int channels = file->channels();
    std::vector<float> block(std::size_t(RecordingFile::BlockFrames * channels));
    std::vector<float> frames;
    qint64 at = 0;
    for (qint64 read;
         *kept < spans.size() && (read = file->read(block.data(), RecordingFile::BlockFrames)) > 0;
         at += read) {
        for (qint64 i = 0; i < read && *kept < spans.size(); ++i) {
            const TakeSpan &span = spans[*kept];
            if (at + i < span.from)
                continue;
            float sum = 0;
            for (int channel = 0; channel < channels; ++channel)
                sum += block[std::size_t(i * channels + channel)];
            frames.push_back(sum / float(channels));
            if (at + i + 1 < span.to)
                continue;
            // A session cannot be said again: a take that clipped is kept,
            // and voice-check names it.
            const QString error = folder.keep(
                span.name, Take { .rate = rate, .frames = std::exchange(frames, {}) });
            if (!error.isEmpty())
                return QStringLiteral("%1: %2").arg(span.name, error);
            ++*kept;
            if (progress && !progress(double(*kept) / double(spans.size())))
                return QStringLiteral("stopped");
        }
    }
    return *kept < spans.size()
        ? QStringLiteral("the recording ended before %1's take").arg(spans[*kept].name)
        : QString();
}
