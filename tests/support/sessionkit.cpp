#include "sessionkit.h"

#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sndfile.h>

namespace {

constexpr double LeadSeconds = 1.0;
constexpr double NoiseSeconds = 0.4;
constexpr double NoisePeak = 0.3;
// espeak-ng leaves silence at both ends of what it says; a reader does not.
constexpr float SilenceBelow = 0.002f;

// The same noise on every run: a hash of the frame's number.
double noiseAt(qint64 frame)
{
    return double(quint32(quint64(frame) * 2654435761u) >> 8) / (1 << 23) - 1;
}

std::vector<float> readMono(const QString &path, int *rate)
{
    SF_INFO info {};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file || info.channels != 1)
        return {};
    std::vector<float> frames(std::size_t(info.frames));
    frames.resize(std::size_t(sf_readf_float(file, frames.data(), info.frames)));
    sf_close(file);
    *rate = info.samplerate;
    return frames;
}

// frames at from resampled to to by straight lines between the samples:
// plenty for the recogniser, which listens below 7 kHz.
std::vector<float> resampled(const std::vector<float> &frames, int from, int to)
{
    std::vector<float> out(std::size_t(double(frames.size()) * to / from));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double at = double(i) * from / to;
        const auto before = std::size_t(at);
        const float next = before + 1 < frames.size() ? frames[before + 1] : 0.0f;
        out[i] = float(frames[before] + (next - frames[before]) * (at - double(before)));
    }
    return out;
}

} // namespace

SessionKit::SessionKit(const QStringList &espeakOptions) : m_options(espeakOptions) { }

const std::vector<float> *SessionKit::spoken(const QString &text)
{
    if (const auto found = m_spoken.constFind(text); found != m_spoken.constEnd())
        return &*found;
    const QString path = m_folder.filePath(QString::number(m_spoken.size()) + ".wav");
    QProcess espeak;
    espeak.start("espeak-ng", m_options + QStringList { "-w", path, text });
    if (!espeak.waitForFinished(60000) || espeak.exitStatus() != QProcess::NormalExit
        || espeak.exitCode() != 0)
        return nullptr;
    std::vector<float> frames = readMono(path, &m_rate);
    const auto loud = [](float x) { return std::fabs(x) > SilenceBelow; };
    const auto first = std::find_if(frames.begin(), frames.end(), loud);
    const auto last = std::find_if(frames.rbegin(), frames.rend(), loud).base();
    if (first >= last)
        return nullptr;
    return &*m_spoken.insert(text, std::vector<float>(first, last));
}

std::optional<QList<PartAt>> SessionKit::write(const QString &path, const QList<SessionPart> &parts,
                                               int rate, double roomDb)
{
    std::vector<float> session(std::size_t(LeadSeconds * rate), 0.0f);
    const auto pause = [&](double seconds) {
        session.resize(session.size() + std::size_t(seconds * rate), 0.0f);
    };
    const auto say = [&](const QString &text) {
        const std::vector<float> *words = spoken(text);
        if (!words)
            return false;
        const std::vector<float> at = resampled(*words, m_rate, rate);
        session.insert(session.end(), at.begin(), at.end());
        return true;
    };
    QList<PartAt> where;
    for (const SessionPart &part : parts) {
        const double from = double(session.size()) / rate;
        if (part.kind == SessionPart::Kind::Noise) {
            const auto frames = qint64(NoiseSeconds * rate);
            double low = 0;
            for (qint64 i = 0; i < frames; ++i) {
                // Brown noise rising and falling: a thump, a cough, a chair.
                low = 0.98 * low + 0.2 * noiseAt(i);
                session.push_back(float(NoisePeak * low
                                        * std::sin(std::numbers::pi * double(i) / double(frames))));
            }
        } else if (const qsizetype comma = part.text.indexOf(',');
                   part.pauseInside > 0 && comma > 0) {
            if (!say(part.text.left(comma + 1)))
                return std::nullopt;
            pause(part.pauseInside);
            if (!say(part.text.mid(comma + 1).trimmed()))
                return std::nullopt;
        } else if (!say(part.text)) {
            return std::nullopt;
        }
        where.append({ from, double(session.size()) / rate });
        pause(part.pauseAfter);
    }
    pause(LeadSeconds);
    const double room = std::pow(10.0, roomDb / 20) * std::sqrt(3.0);
    for (std::size_t i = 0; i < session.size(); ++i)
        session[i] += float(room * noiseAt(qint64(i) + 7919));
    SF_INFO info { 0, rate, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0 };
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return std::nullopt;
    const sf_count_t written = sf_writef_float(file, session.data(), sf_count_t(session.size()));
    sf_close(file);
    if (written != sf_count_t(session.size()))
        return std::nullopt;
    return where;
}

QList<SessionPart> linesInOrder(const QStringList &texts)
{
    QList<SessionPart> parts;
    for (qsizetype i = 0; i < texts.size(); ++i)
        parts.append({ SessionPart::Kind::Line, texts[i], int(i) });
    return parts;
}
