#include "sessionaudio.h"

#include "recordingfile.h"
#include "speechaudio.h"

#include <QDir>

#include <algorithm>
#include <cmath>

namespace {

constexpr double LowestDb = -127.5;
constexpr double LevelStepDb = 0.5;

quint8 levelOf(double meanSquare)
{
    if (meanSquare <= 0)
        return 0;
    const double steps = (10 * std::log10(meanSquare) - LowestDb) / LevelStepDb;
    return quint8(std::clamp(std::lround(steps), 0L, 255L));
}

QString noRoom(const QFile &copy)
{
    return QStringLiteral("no room for a working copy in %1: %2")
        .arg(QDir::tempPath(), copy.errorString());
}

} // namespace

double SessionAudio::dbOf(quint8 level)
{
    return LowestDb + level * LevelStepDb;
}

std::unique_ptr<SessionAudio> SessionAudio::read(const QString &path, const Progress &progress,
                                                 QString *why)
{
    std::unique_ptr<SessionAudio> audio(new SessionAudio);
    if (!audio->readFrom(path, progress, why))
        return nullptr;
    return audio;
}

qint64 SessionAudio::frameAt(qint64 window) const
{
    return window * m_rate / WindowsPerSecond;
}

bool SessionAudio::readFrom(const QString &path, const Progress &progress, QString *why)
{
    const auto file = RecordingFile::open(path, why);
    if (!file)
        return false;
    m_copy.setFileTemplate(QDir::tempPath() + QStringLiteral("/voice-recorder-XXXXXX.raw"));
    if (!m_copy.open()) {
        *why = noRoom(m_copy);
        return false;
    }
    m_rate = file->rate();
    m_promised = file->frames();
    const int channels = file->channels();
    bool written = true;
    SpeechAudio speech;
    speech.begin(channels, m_rate, [&](std::span<const qint16> samples) {
        const auto bytes = qint64(samples.size_bytes());
        written = m_copy.write(reinterpret_cast<const char *>(samples.data()), bytes) == bytes;
        return written;
    });
    std::vector<float> block(std::size_t(RecordingFile::BlockFrames * channels));
    double sum = 0;
    qint64 windowEnd = frameAt(1);
    for (qint64 read; (read = file->read(block.data(), RecordingFile::BlockFrames)) > 0;) {
        const float *frame = block.data();
        for (qint64 i = 0; i < read; ++i) {
            for (int channel = 0; channel < channels; ++channel, ++frame)
                sum += double(*frame) * *frame;
            if (++m_frames < windowEnd)
                continue;
            const qint64 windowFrames = windowEnd - frameAt(qint64(m_levels.size()));
            m_levels.push_back(levelOf(sum / double(windowFrames * channels)));
            windowEnd = frameAt(qint64(m_levels.size()) + 1);
            sum = 0;
        }
        speech.add(block.data(), read);
        if (!written) {
            *why = noRoom(m_copy);
            return false;
        }
        if (progress && !progress(double(m_frames) / double(std::max(m_promised, m_frames)))) {
            *why = QStringLiteral("stopped");
            return false;
        }
    }
    speech.end();
    if (m_frames == 0 || !speech.whole()) {
        *why = QStringLiteral("no sound could be decoded from it");
        return false;
    }
    if (!written || !m_copy.flush()) {
        *why = noRoom(m_copy);
        return false;
    }
    return true;
}

std::vector<qint16> SessionAudio::speech(qint64 from, qint64 to) const
{
    from = std::clamp<qint64>(from, 0, qint64(m_levels.size()));
    to = std::clamp<qint64>(to, from, qint64(m_levels.size()));
    std::vector<qint16> samples(std::size_t((to - from) * SpeechPerWindow));
    const QMutexLocker lock(&m_lock);
    m_copy.seek(from * SpeechPerWindow * qint64(sizeof(qint16)));
    const qint64 got = m_copy.read(reinterpret_cast<char *>(samples.data()),
                                   qint64(samples.size() * sizeof(qint16)));
    samples.resize(std::size_t(std::max<qint64>(got, 0)) / sizeof(qint16));
    return samples;
}
