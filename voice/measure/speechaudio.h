#pragma once

#include <QtGlobal>

#include <functional>
#include <span>
#include <vector>

struct soxr;

// A sample as the recogniser hears it: mono, 16 kHz, 16-bit, converted in
// the pass that measures it, so that no file is decoded twice. Only the
// first MaxSeconds are kept: no line runs that long, and an hour-long
// sample costs no more memory than a line. A long recording is handed to a
// sink instead, piece by piece, however long.
class SpeechAudio
{
public:
    static constexpr int Rate = 16000;
    static constexpr int MaxSeconds = 30;
    // Takes the converted audio as it comes; false stops the conversion.
    using Sink = std::function<bool(std::span<const qint16> samples)>;

    SpeechAudio() = default;
    SpeechAudio(const SpeechAudio &) = delete;
    SpeechAudio &operator=(const SpeechAudio &) = delete;
    ~SpeechAudio();

    // Starts a sample of channels at rate, dropping any earlier one; with a
    // sink, nothing is kept here.
    void begin(int channels, int rate, Sink sink = {});
    void add(const float *frames, qint64 count);
    // Flushes the converter: the last few milliseconds come out here.
    void end();

    const std::vector<qint16> &samples() const { return m_samples; }
    // False when the sample ran longer than MaxSeconds or could not be converted.
    bool whole() const { return m_whole; }

private:
    void keep(const float *mono, std::size_t count);

    soxr *m_soxr = nullptr;
    int m_channels = 1;
    std::vector<float> m_mono;
    std::vector<float> m_out;
    std::vector<qint16> m_samples;
    Sink m_sink;
    bool m_whole = false;
};
