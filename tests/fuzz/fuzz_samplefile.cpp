#include "samplefile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

// Any bytes at all: either no sample, or one whose every frame can be read
// and whose length bounds what a waiting caller sits through.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto file
        = SampleFile::fromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!file)
        return 0;
    constexpr qint64 Chunk = 512;
    std::vector<float> samples(std::size_t(Chunk * file->channels()));
    qint64 total = 0;
    while (const qint64 got = file->read(samples.data(), Chunk)) {
        total += got;
        if (got < 0 || got > Chunk || total > file->frames())
            std::abort();
        for (const float sample : samples)
            if (!(sample >= -1.0f && sample <= 1.0f))
                std::abort();
    }
    return 0;
}
