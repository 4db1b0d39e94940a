#include "tonesequence.h"

#include "soundtestkit.h"

#include <cstdlib>

namespace {

// Where each boundary lies in the sound with its silences cut out.
QList<qsizetype> boundaries(const QList<qsizetype> &toneFrames)
{
    QList<qsizetype> ends;
    qsizetype end = 0;
    for (qsizetype frames : toneFrames)
        ends << (end += frames);
    ends.removeLast();
    return ends;
}

} // namespace

ToneSequence analyseTones(const QList<float> &samples, const QList<qsizetype> &toneFrames, int rate)
{
    const QList<qsizetype> ends = boundaries(toneFrames);
    // A tone's first and last few samples lie below the silence level.
    const qsizetype slack = rate / 200;

    ToneSequence result;
    result.silences.fill(0, ends.size());
    QList<float> sound;
    const QList<Span> spans = soundSpans(samples);
    for (qsizetype at = 0; at < spans.size(); ++at) {
        if (at > 0) {
            const qsizetype gap = spans[at].start - spans[at - 1].end;
            qsizetype boundary = 0;
            while (boundary < ends.size() && std::abs(ends[boundary] - sound.size()) > slack)
                ++boundary;
            if (boundary < ends.size())
                result.silences[boundary] += gap;
            else
                ++result.strayGaps;
        }
        sound.append(samples.mid(spans[at].start, spans[at].length()));
    }
    result.soundFrames = sound.size();

    qsizetype start = 0;
    for (qsizetype frames : toneFrames) {
        const Span middle { start + frames / 4, start + frames * 3 / 4 };
        result.pitches << (middle.end <= sound.size() ? pitchOf(sound, middle, rate) : 0.0);
        start += frames;
    }
    return result;
}
