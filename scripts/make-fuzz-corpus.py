#!/usr/bin/env python3
"""Writes the seed corpus of the sample-file fuzzer: small WAV files of every
encoding the player accepts, and broken ones. Deterministic; run it again
only to change the corpus:  scripts/make-fuzz-corpus.py tests/fuzz/corpus
Files named ok-* must decode to at least one frame; the corpus test in
tests/faults checks that. The found-* files beside them are inputs the
fuzzer found, kept by hand; this script leaves them alone."""

import math
import struct
import sys
from pathlib import Path

RATE = 8000


def tone(count, scale, offset=0):
    return [offset + round(scale * math.sin(2 * math.pi * 440 * n / RATE)) for n in range(count)]


def chunk(tag, body):
    pad = b"\0" if len(body) % 2 else b""
    return tag + struct.pack("<I", len(body)) + body + pad


def riff(*chunks, magic=b"RIFF", size=None):
    body = b"WAVE" + b"".join(chunks)
    return magic + struct.pack("<I", len(body) if size is None else size) + body


def fmt(tag, channels, bits, block, extra=b"", rate=RATE, size=None):
    body = struct.pack("<HHIIHH", tag, channels, rate, (rate * block) & 0xFFFFFFFF, block, bits)
    if extra:
        body += struct.pack("<H", len(extra)) + extra
    chunk_body = chunk(b"fmt ", body)
    if size is not None:
        chunk_body = b"fmt " + struct.pack("<I", size) + body
    return chunk_body


def pcm(bits, channels=1, frames=120):
    block = channels * bits // 8
    if bits == 8:
        samples = bytes(s for s in tone(frames * channels, 100, 128))
    else:
        code = {16: "h", 32: "i"}.get(bits)
        scale = 2 ** (bits - 2)
        values = tone(frames * channels, scale)
        if code:
            samples = struct.pack("<%d%s" % (len(values), code), *values)
        else:  # 24-bit
            samples = b"".join(struct.pack("<i", v)[:3] for v in values)
    return fmt(1, channels, bits, block), chunk(b"data", samples)


def ima_adpcm(channels=1, block=256):
    per_block = (block - 4 * channels) * 8 // (4 * channels) + 1
    header = b"".join(struct.pack("<hBB", 0, 20, 0) for _ in range(channels))
    data = header + bytes((n * 37) & 0xFF for n in range(block - len(header)))
    extra = struct.pack("<H", per_block)
    return (fmt(0x11, channels, 4, block, extra), chunk(b"fact", struct.pack("<I", per_block)),
            chunk(b"data", data))


MS_COEFFS = [(256, 0), (512, -256), (0, 0), (192, 64), (240, 0), (460, -208), (392, -232)]


def ms_adpcm(channels=1, block=256):
    per_block = (block - 7 * channels) * 8 // (4 * channels) + 2
    extra = struct.pack("<HH", per_block, len(MS_COEFFS))
    extra += b"".join(struct.pack("<hh", a, b) for a, b in MS_COEFFS)
    header = bytes([1] * channels) + struct.pack("<h", 16) * channels
    header += struct.pack("<h", 100) * channels + struct.pack("<h", -100) * channels
    data = header + bytes((n * 53) & 0xFF for n in range(block - len(header)))
    return (fmt(2, channels, 4, block, extra), chunk(b"fact", struct.pack("<I", per_block)),
            chunk(b"data", data))


def companded(tag):
    return fmt(tag, 1, 8, 1), chunk(b"data", bytes((n * 29) & 0xFF for n in range(200)))


def float32(frames=80):
    values = [0.5 * math.sin(2 * math.pi * 440 * n / RATE) for n in range(frames)]
    return fmt(3, 1, 32, 4), chunk(b"data", struct.pack("<%df" % frames, *values))


def extensible(bits=24, channels=2, frames=60):
    _, data = pcm(bits, channels, frames)
    guid = struct.pack("<IHH", 1, 0, 0x10) + bytes([0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
    extra = struct.pack("<HI", bits, 3) + guid
    return fmt(0xFFFE, channels, bits, channels * bits // 8, extra), data


def big_endian_pcm16(frames=100):
    values = tone(frames, 8000)
    body = struct.pack(">HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    data = struct.pack(">%dh" % frames, *values)
    inner = b"WAVE" + b"fmt " + struct.pack(">I", len(body)) + body
    inner += b"data" + struct.pack(">I", len(data)) + data
    return b"RIFX" + struct.pack(">I", len(inner)) + inner


def rf64(frames=100):
    fmt_chunk, data = pcm(16, 1, frames)
    ds64 = chunk(b"ds64", struct.pack("<QQQI", 0, len(data) - 8, frames, 0))
    data = b"data" + struct.pack("<I", 0xFFFFFFFF) + data[8:]
    return riff(ds64, fmt_chunk, data, magic=b"RF64", size=0xFFFFFFFF)


def corpus():
    files = {
        "ok-pcm8.wav": riff(*pcm(8)),
        "ok-pcm16.wav": riff(*pcm(16)),
        "ok-pcm16-stereo.wav": riff(*pcm(16, 2, 60)),
        "ok-pcm24.wav": riff(*pcm(24)),
        "ok-pcm32.wav": riff(*pcm(32, 1, 60)),
        "ok-float.wav": riff(*float32()),
        "ok-ima-adpcm.wav": riff(*ima_adpcm()),
        "ok-ima-adpcm-stereo.wav": riff(*ima_adpcm(2)),
        "ok-ms-adpcm.wav": riff(*ms_adpcm()),
        "ok-ms-adpcm-stereo.wav": riff(*ms_adpcm(2)),
        "ok-mu-law.wav": riff(*companded(7)),
        "ok-a-law.wav": riff(*companded(6)),
        "ok-extensible-24.wav": riff(*extensible()),
        "ok-rifx.wav": big_endian_pcm16(),
        "ok-rf64.wav": rf64(),
        "ok-list-chunk.wav": riff(chunk(b"LIST", b"INFOINAM" + struct.pack("<I", 5) + b"Left\0"),
                                  *pcm(16, 1, 40)),
    }
    good = files["ok-pcm16.wav"]
    fmt16, data16 = pcm(16)
    broken = {
        "bad-magic-only.wav": b"RIFF\0\0\0\0WAVE",
        "bad-truncated-header.wav": good[:30],
        "bad-truncated-data.wav": good[:60],
        "bad-zero-channels.wav": riff(fmt(1, 0, 16, 0), data16),
        "bad-many-channels.wav": riff(fmt(1, 1000, 16, 2000), data16),
        "bad-zero-rate.wav": riff(fmt(1, 1, 16, 2, rate=0), data16),
        "bad-huge-rate.wav": riff(fmt(1, 1, 16, 2, rate=0xFFFFFFFF), data16),
        "bad-zero-block-align.wav": riff(fmt(1, 1, 16, 0), data16),
        "bad-huge-data-size.wav": riff(fmt16, b"data" + struct.pack("<I", 0xFFFFFFF0) + data16[8:]),
        "bad-huge-riff-size.wav": riff(fmt16, data16, size=0xFFFFFFFF),
        "bad-huge-fmt-size.wav": riff(fmt(1, 1, 16, 2, size=0x7FFFFFFF), data16),
        "bad-odd-bits.wav": riff(fmt(1, 1, 13, 2), data16),
        "bad-no-fmt.wav": riff(data16),
        "bad-no-data.wav": riff(fmt16),
        "bad-ima-zero-block.wav": riff(fmt(0x11, 1, 4, 0, struct.pack("<H", 0)), data16),
        "bad-ms-adpcm-no-coeffs.wav": riff(fmt(2, 1, 4, 256, struct.pack("<HH", 500, 0)), data16),
        "bad-ms-adpcm-huge-block.wav": riff(*ms_adpcm()[:1], fmt(2, 1, 4, 0xFFFF), data16),
        "bad-unknown-codec.wav": riff(fmt(0x1234, 1, 16, 2), data16),
        "bad-rf64-huge-ds64.wav": riff(chunk(b"ds64", struct.pack("<QQQI", 2**62, 2**62, 2**62, 0)),
                                       fmt16, data16, magic=b"RF64"),
    }
    files.update(broken)
    return files


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else "tests/fuzz/corpus")
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in corpus().items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
