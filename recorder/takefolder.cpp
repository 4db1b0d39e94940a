#include "takefolder.h"

#include "caseinsensitivepath.h"
#include "chainwriter.h"
#include "encodings.h"
#include "fixchain.h"
#include "fixsettings.h"
#include "pausemeter.h"
#include "recorderlog.h"
#include "samplefile.h"
#include "samplewriter.h"
#include "voicefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <sndfile.h>

namespace {

const QString TakesFolder = QStringLiteral("takes");
const QString ChoiceFile = QStringLiteral("chosen");

VoiceFormat formatOf(const QString &folder)
{
    const auto voice = checkVoice(folder);
    VoiceFormat format;
    if (!voice || !voice->reference.rate || !voice->reference.channels)
        return format;
    format.rate = *voice->reference.rate;
    format.channels = *voice->reference.channels;
    format.encoding = writableEncoding(voiceEncoding(*voice, folder), format.channels, format.rate);
    return format;
}

std::optional<qint64> frameCount(const QString &path)
{
    const auto file = SampleFile::open(path);
    if (!file)
        return std::nullopt;
    return file->frames();
}

} // namespace

TakeFolder::TakeFolder(const QString &folder) : m_folder(folder), m_format(formatOf(folder))
{
    if (m_format.encoding == 0)
        m_format.encoding = SF_FORMAT_PCM_16;
}

QString TakeFolder::takesOf(const QString &name) const
{
    return m_folder + QLatin1Char('/') + TakesFolder + QLatin1Char('/') + name;
}

QString TakeFolder::takePath(const QString &name, int number) const
{
    return takesOf(name) + QStringLiteral("/%1.wav").arg(number);
}

// The file the player takes for the name, whatever its spelling.
QString TakeFolder::samplePath(const QString &name) const
{
    const QString exact = m_folder + QLatin1Char('/') + name + QStringLiteral(".wav");
    return findFileIgnoringCase(exact).value_or(exact);
}

QList<int> TakeFolder::takes(const QString &name) const
{
    QList<int> numbers;
    for (const QString &file : QDir(takesOf(name)).entryList({ QStringLiteral("*.wav") })) {
        bool number = false;
        const int n = QFileInfo(file).completeBaseName().toInt(&number);
        if (number && n > 0)
            numbers << n;
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

int TakeFolder::nextTake(const QString &name) const
{
    const QList<int> numbers = takes(name);
    return numbers.isEmpty() ? 1 : numbers.last() + 1;
}

std::optional<std::pair<int, Cut>> TakeFolder::chosen(const QString &name) const
{
    QFile file(takesOf(name) + QLatin1Char('/') + ChoiceFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> fields = file.readAll().simplified().split(' ');
    if (fields.size() != 3)
        return std::nullopt;
    const int number = fields[0].toInt();
    if (!QFileInfo::exists(takePath(name, number)))
        return std::nullopt;
    return std::pair { number, Cut { fields[1].toLongLong(), fields[2].toLongLong() } };
}

QString TakeFolder::keep(const QString &name, Take take)
{
    if (take.verdict == Take::Verdict::Silent)
        return QStringLiteral("no speech heard: the take was not kept");
    if (take.verdict == Take::Verdict::Clipped)
        return QStringLiteral("the take clipped: turn the input down; it was not kept");
    m_waiting.append({ name, std::move(take) });
    return writeWaiting();
}

QString TakeFolder::writeWaiting()
{
    while (!m_waiting.isEmpty()) {
        const auto &[name, take] = m_waiting.first();
        if (const QString error = writeTake(name, take); !error.isEmpty()) {
            qCInfo(lcRecorder) << "take of" << name << "waits in memory:" << error;
            return error;
        }
        m_waiting.removeFirst();
    }
    return {};
}

// The raw take, then the sample cut from it; when the sample cannot be
// written the take is taken back, so that both are tried again together.
QString TakeFolder::writeTake(const QString &name, const Take &take)
{
    if (!QDir().mkpath(takesOf(name)))
        return QStringLiteral("cannot make the folder %1").arg(takesOf(name));
    if (const QString error = keepOutsideSample(name); !error.isEmpty())
        return error;
    const int number = nextTake(name);
    const QString path = takePath(name, number);
    SampleWriter writer(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, take.rate);
    if (!writer.write(take.frames.data(), qint64(take.frames.size())) || !writer.commit())
        return writer.error();
    const auto before = chosen(name);
    const QString error = choose(name, number);
    if (!error.isEmpty())
        QFile::remove(path);
    else
        m_kept.append({ name, number, before });
    return error;
}

// A sample that came from no kept take (recorded before, elsewhere) is
// kept as a take before anything replaces it.
QString TakeFolder::keepOutsideSample(const QString &name)
{
    const QString sample = samplePath(name);
    if (chosen(name) || !QFileInfo::exists(sample))
        return {};
    const int number = nextTake(name);
    const QString error = copySampleFile(sample, takePath(name, number));
    if (error.isEmpty())
        saveWholeFile(takesOf(name) + QLatin1Char('/') + ChoiceFile,
                      QByteArray::number(number) + " 0 "
                          + QByteArray::number(frameCount(sample).value_or(0)) + '\n');
    return error;
}

QString TakeFolder::choose(const QString &name, int number, std::optional<Cut> cut)
{
    if (!cut)
        cut = autoCut(takePath(name, number));
    if (!cut)
        return QStringLiteral("take %1 of %2 does not decode").arg(number).arg(name);
    if (const QString error = writeSample(name, number, *cut); !error.isEmpty())
        return error;
    return saveWholeFile(
        takesOf(name) + QLatin1Char('/') + ChoiceFile,
        QStringLiteral("%1 %2 %3\n").arg(number).arg(cut->from).arg(cut->to).toUtf8());
}

std::optional<TakeFolder::Kept> TakeFolder::lastKept() const
{
    return m_kept.isEmpty() ? std::nullopt : std::optional(m_kept.last());
}

QString TakeFolder::undo()
{
    if (m_kept.isEmpty())
        return QStringLiteral("no take to undo");
    const Kept &last = m_kept.last();
    QString error;
    if (last.before)
        error = choose(last.name, last.before->first, last.before->second);
    else if (!QFile::remove(samplePath(last.name))
             || !QFile::remove(takesOf(last.name) + QLatin1Char('/') + ChoiceFile))
        error = QStringLiteral("cannot remove the sample of %1").arg(last.name);
    if (error.isEmpty())
        m_kept.removeLast();
    return error;
}

QString TakeFolder::writeSample(const QString &name, int number, const Cut &cut)
{
    const QString from = takePath(name, number);
    const auto source = SampleFile::open(from);
    if (!source)
        return QStringLiteral("take %1 of %2 does not decode").arg(number).arg(name);
    // Within the take: a cut never adds silence of its own.
    const qint64 frames = source->frames();
    ChainPlan plan;
    cutPlan(plan, std::max<qint64>(cut.from, 0), std::min(cut.to, frames), frames,
            source->sampleRate(), DefaultPadStartMs, DefaultPadEndMs);
    plan.channels = m_format.channels;
    plan.rate = m_format.rate;
    QString error;
    writeReshaped(from, source->encoding(), plan, m_format.encoding, 0, samplePath(name), &error);
    return error;
}

std::optional<Cut> autoCut(const QString &takePath)
{
    const auto file = SampleFile::open(takePath);
    if (!file)
        return std::nullopt;
    PauseMeter pauses(file->channels(), file->sampleRate());
    decodeSample(takePath, [&](const float *frames, qint64 count) {
        pauses.add(frames, count);
        return true;
    });
    const PauseMeter::Ends ends = pauses.ends();
    const qint64 frames = file->frames();
    if (ends.leading >= frames)
        return Cut { 0, frames };
    const int rate = file->sampleRate();
    return Cut { std::max<qint64>(0, ends.leading - framesOf(DefaultPadStartMs, rate)),
                 std::min(frames, frames - ends.trailing + framesOf(DefaultPadEndMs, rate)) };
}
