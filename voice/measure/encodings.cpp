#include "encodings.h"

#include <cmath>
#include <sndfile.h>

namespace {

struct Encoding
{
    int format;
    const char *name;
    int bits;
};

// µ-law and A-law code 14 and 13 bits; ADPCM decodes to 16.
constexpr Encoding Encodings[] = {
    { SF_FORMAT_PCM_U8, "PCM 8", 8 },       { SF_FORMAT_PCM_S8, "PCM 8", 8 },
    { SF_FORMAT_PCM_16, "PCM 16", 16 },     { SF_FORMAT_PCM_24, "PCM 24", 24 },
    { SF_FORMAT_PCM_32, "PCM 32", 32 },     { SF_FORMAT_FLOAT, "float", 0 },
    { SF_FORMAT_DOUBLE, "double", 0 },      { SF_FORMAT_ULAW, "µ-law", 14 },
    { SF_FORMAT_ALAW, "A-law", 13 },        { SF_FORMAT_IMA_ADPCM, "IMA ADPCM", 16 },
    { SF_FORMAT_MS_ADPCM, "MS ADPCM", 16 }, { SF_FORMAT_GSM610, "GSM 6.10", 13 },
    { SF_FORMAT_G721_32, "G.721", 14 },     { SF_FORMAT_MPEG_LAYER_III, "MP3", 16 },
};

const Encoding *find(int encoding)
{
    for (const Encoding &known : Encodings) {
        if (known.format == encoding)
            return &known;
    }
    return nullptr;
}

} // namespace

QString encodingName(int encoding)
{
    const Encoding *known = find(encoding);
    return known ? QString::fromUtf8(known->name) : QStringLiteral("codec %1").arg(encoding, 0, 16);
}

double encodingStep(int encoding)
{
    const int bits = encodingBits(encoding);
    return std::ldexp(1.0, 1 - (bits > 0 ? bits : 25));
}

int encodingBits(int encoding)
{
    const Encoding *known = find(encoding);
    return known ? known->bits : 16;
}

int writableEncoding(int encoding, int channels, int rate)
{
    const SF_INFO info { 0, rate, channels, SF_FORMAT_WAV | encoding, 0, 0 };
    return sf_format_check(&info) ? encoding : SF_FORMAT_PCM_16;
}
