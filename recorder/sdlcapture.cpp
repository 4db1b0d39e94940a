#include "sdlcapture.h"

#include "recorderlog.h"
#include "sdlaudiostart.h"

#include <SDL.h>

namespace {

// What the recorder asks for; SDL converts whatever the device gives.
constexpr int WantedRate = 48000;
// The reader comes by every few tens of milliseconds; two seconds leave a
// busy machine room before anything is lost.
constexpr int RingSeconds = 2;

class AudioStarted
{
public:
    AudioStarted() : m_started(startSdlAudio()) { }
    ~AudioStarted()
    {
        if (m_started)
            stopSdlAudio();
    }
    AudioStarted(const AudioStarted &) = delete;
    AudioStarted &operator=(const AudioStarted &) = delete;
    bool started() const { return m_started; }

private:
    bool m_started;
};

} // namespace

SdlCapture::~SdlCapture()
{
    close();
}

QStringList SdlCapture::devices()
{
    QStringList names;
    // Where SDL's audio starts here, its threads are started here.
    atSoundPriority([&] {
        const AudioStarted audio;
        const int count = audio.started() ? SDL_GetNumAudioDevices(1) : 0;
        for (int i = 0; i < count; ++i) {
            if (const char *name = SDL_GetAudioDeviceName(i, 1))
                names << QString::fromUtf8(name);
        }
    });
    return names;
}

bool SdlCapture::open(const QString &device)
{
    close();
    // Made first, as the callback may run before SDL_OpenAudioDevice
    // returns; sized for the highest rate a device may keep.
    m_ring = std::make_unique<RingBuffer>(sizeof(float) * 192000 * RingSeconds);
    m_overruns = 0;
    SDL_AudioSpec got {};
    atSoundPriority([&] { startAndOpen(device, got); });
    if (!m_sdlStarted || m_device == 0) {
        qCInfo(lcRecorder) << (m_sdlStarted ? "no input:" : "no audio:") << m_error;
        close();
        return false;
    }
    m_rate = got.freq;
    m_error.clear();
    SDL_PauseAudioDevice(m_device, 0);
    qCInfo(lcRecorder) << "input open at" << m_rate << "Hz";
    return true;
}

// On the thread that opens: SDL's error text is that thread's own.
void SdlCapture::startAndOpen(const QString &device, SDL_AudioSpec &got)
{
    m_sdlStarted = startSdlAudio();
    if (m_sdlStarted) {
        SDL_AudioSpec want {};
        want.freq = WantedRate;
        want.format = AUDIO_F32SYS;
        want.channels = 1;
        want.samples = 512;
        want.callback = &SdlCapture::captureCallback;
        want.userdata = this;
        const QByteArray name = device.toUtf8();
        m_device = SDL_OpenAudioDevice(device.isEmpty() ? nullptr : name.constData(), 1, &want,
                                       &got, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    }
    if (!m_sdlStarted || m_device == 0)
        m_error = QString::fromUtf8(SDL_GetError());
}

void SdlCapture::close()
{
    if (m_device != 0)
        SDL_CloseAudioDevice(m_device);
    m_device = 0;
    m_ring.reset();
    if (m_sdlStarted)
        stopSdlAudio();
    m_sdlStarted = false;
}

bool SdlCapture::lost() const
{
    return m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
}

qint64 SdlCapture::read(float *out, qint64 maxFrames)
{
    if (!m_ring)
        return 0;
    const std::size_t got = m_ring->read(reinterpret_cast<std::uint8_t *>(out),
                                         std::size_t(maxFrames) * sizeof(float));
    return qint64(got / sizeof(float));
}

// SDL's capture thread: a copy and, when the reader fell behind, a count.
void SdlCapture::captureCallback(void *self, Uint8 *in, int size)
{
    auto *capture = static_cast<SdlCapture *>(self);
    const std::size_t kept = capture->m_ring->write(in, std::size_t(size));
    if (kept < std::size_t(size))
        capture->m_overruns.fetch_add((std::size_t(size) - kept) / sizeof(float),
                                      std::memory_order_relaxed);
}
