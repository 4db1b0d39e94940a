#!/usr/bin/env python3
"""Draws the Voice Player icon and writes resources/voice-player.ico and the
desktop PNGs under resources/icons/. Standard library only, so it runs
anywhere; its output is committed, the build never runs it.

    scripts/make-icon.py [resources-folder]
"""
import math
import os
import struct
import sys
import zlib

ICO_SIZES = (48, 32, 24, 16)
ICO_DEPTHS = (1, 4, 8, 24, 32)
PNG_SIZES = (16, 24, 32, 48, 64, 128, 256)

TOP = (226, 62, 50)
BOTTOM = (150, 18, 22)
INK = (255, 255, 255)


# ---------------------------------------------------------------- artwork
# Shapes live in a unit square, y pointing down.

def in_rounded_square(x, y, inset, radius):
    lo, hi = inset + radius, 1 - inset - radius
    dx = max(lo - x, 0, x - hi)
    dy = max(lo - y, 0, y - hi)
    return dx * dx + dy * dy <= radius * radius and inset <= x <= 1 - inset \
        and inset <= y <= 1 - inset


def in_speaker(x, y):
    if 0.17 <= x <= 0.31 and 0.39 <= y <= 0.61:
        return True
    if 0.30 <= x <= 0.50:
        half = 0.11 + (x - 0.30) / 0.20 * 0.16
        return abs(y - 0.5) <= half
    return False


def in_wave(x, y, radius, width):
    # An arc of +-45 degrees round the speaker's mouth, with round caps.
    cx, cy = 0.44, 0.5
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    if dx > 0 and abs(dy) <= dx and abs(r - radius) <= width / 2:
        return True
    end = radius / math.sqrt(2)
    for ey in (cy - end, cy + end):
        if (x - cx - end) ** 2 + (y - ey) ** 2 <= (width / 2) ** 2:
            return True
    return False


def art_sample(x, y, waves):
    """RGBA at one point: a red rounded square with a white speaker."""
    if not in_rounded_square(x, y, 0.03, 0.19):
        return (0, 0, 0, 0)
    if in_speaker(x, y):
        return INK + (255,)
    for radius, width in waves:
        if in_wave(x, y, radius, width):
            return INK + (255,)
    t = (y - 0.03) / 0.94
    return tuple(round(a + (b - a) * t) for a, b in zip(TOP, BOTTOM)) + (255,)


def render(size):
    """Rows of straight-alpha RGBA tuples, antialiased by supersampling."""
    # Small sizes get fewer, bolder waves so they stay legible.
    if size <= 24:
        waves = ((0.17, 0.09), (0.33, 0.09))
    else:
        waves = ((0.15, 0.06), (0.26, 0.06), (0.37, 0.06))
    ss = 4 if size <= 128 else 3
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(ss):
                for sx in range(ss):
                    r, g, b, a = art_sample((px + (sx + 0.5) / ss) / size,
                                            (py + (sy + 0.5) / ss) / size,
                                            waves)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(c / acc[3]) for c in acc[:3])
                           + (round(acc[3] / (ss * ss)),))
        rows.append(row)
    return rows


# ---------------------------------------------------------------- PNG

def png_bytes(rows):
    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body \
            + struct.pack(">I", zlib.crc32(body))

    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


# ---------------------------------------------------------------- palettes

def median_cut(colours, count):
    """At most count colours that represent the given (r, g, b) list."""
    boxes = [list(colours)]
    while len(boxes) < count:
        spans = []
        for box in boxes:
            ranges = [max(c[i] for c in box) - min(c[i] for c in box)
                      for i in range(3)]
            spans.append((max(ranges), ranges.index(max(ranges))))
        best = max(range(len(boxes)), key=lambda i: spans[i][0])
        if spans[best][0] == 0:
            break
        box = sorted(boxes.pop(best), key=lambda c: c[spans[best][1]])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    return [tuple(round(sum(c[i] for c in box) / len(box)) for i in range(3))
            for box in boxes]


def palette_for(rows, depth):
    # Entry 0 stays black: masked-out pixels must be black in the XOR image.
    if depth == 1:
        return [(0, 0, 0), (255, 255, 255)]
    opaque = [px[:3] for row in rows for px in row if px[3] >= 128]
    colours = median_cut(opaque, (1 << depth) - 1)
    return [(0, 0, 0)] + colours + [(0, 0, 0)] * ((1 << depth) - 1 - len(colours))


def nearest(palette, colour, cache):
    if colour not in cache:
        cache[colour] = min(range(1, len(palette)), key=lambda i: sum(
            (a - b) ** 2 for a, b in zip(palette[i], colour)))
    return cache[colour]


def pixel_index(palette, px, depth, cache):
    if px[3] < 128:
        return 0
    if depth == 1:
        r, g, b = px[:3]
        return 1 if 0.299 * r + 0.587 * g + 0.114 * b >= 160 else 0
    return nearest(palette, px[:3], cache)


# ---------------------------------------------------------------- ICO

def pack_bits(values, depth):
    """One bottom-up DIB row: values packed MSB first, padded to 32 bits."""
    out = bytearray()
    acc, used = 0, 0
    for v in values:
        acc = (acc << depth) | v
        used += depth
        if used == 8:
            out.append(acc)
            acc, used = 0, 0
    if used:
        out.append(acc << (8 - used))
    return bytes(out) + b"\0" * (-len(out) % 4)


def dib_bytes(rows, depth):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0,
                         0, 0, 0, 0, 0)
    palette, xor = b"", b""
    bottom_up = rows[::-1]
    if depth <= 8:
        colours = palette_for(rows, depth)
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
        cache = {}
        xor = b"".join(pack_bits([pixel_index(colours, px, depth, cache)
                                  for px in row], depth) for row in bottom_up)
    else:
        for row in bottom_up:
            line = bytearray()
            for r, g, b, a in row:
                if depth == 32:
                    line += bytes((b, g, r, a))
                else:
                    line += bytes((b, g, r) if a >= 128 else (0, 0, 0))
            xor += bytes(line) + b"\0" * (-len(line) % 4)
    mask = b"".join(pack_bits([1 if px[3] < 128 else 0 for px in row], 1)
                    for row in bottom_up)
    return header + palette + xor + mask


def ico_bytes(images):
    """images: (size, depth, data) with data a DIB or a PNG."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = b""
    for size, depth, data in images:
        colours = 1 << depth if depth < 8 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1,
                           depth, len(data), offset)
        offset += len(data)
        blobs += data
    return out + blobs


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    art = {size: render(size) for size in PNG_SIZES}
    for size in PNG_SIZES:
        folder = os.path.join(root, "icons", f"{size}x{size}")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "voice-player.png"), "wb") as f:
            f.write(png_bytes(art[size]))
    images = [(size, depth, dib_bytes(art[size], depth))
              for size in ICO_SIZES for depth in ICO_DEPTHS]
    images.append((256, 32, png_bytes(art[256])))
    with open(os.path.join(root, "voice-player.ico"), "wb") as f:
        f.write(ico_bytes(images))


if __name__ == "__main__":
    main()
