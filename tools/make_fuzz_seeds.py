#!/usr/bin/env python3
"""Writes the seed corpus of the PNG decoder's fuzz target: small valid PNG
files in every layout libpng reads (palette, grey, grey+alpha, RGB, RGBA; each
bit depth; with and without transparency; plain and interlaced), rows under
every filter type, and one file carrying the ancillary chunks. The encoder is
written here by hand so that every layout, Adam7 included, can be made.

Usage: tools/make_fuzz_seeds.py [output directory]
(default tests/textures/fuzz/seeds). Needs only Python 3."""

import os
import random
import struct
import sys
import zlib

GREY, RGB, PALETTE, GREY_ALPHA, RGBA = 0, 2, 3, 4, 6
CHANNELS = {GREY: 1, RGB: 3, PALETTE: 1, GREY_ALPHA: 2, RGBA: 4}

# Adam7: (first column, first row, column step, row step) of each pass.
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4),
         (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def pack_row(samples, depth):
    """Samples of one row to bytes: big-endian 16-bit, or packed from the high bit."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out, bits, used = bytearray(), 0, 0
    for s in samples:
        bits = (bits << depth) | s
        used += depth
        if used == 8:
            out.append(bits)
            bits, used = 0, 0
    if used:
        out.append(bits << (8 - used))
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, previous, step):
    out = bytearray([kind])
    for i, x in enumerate(row):
        a = row[i - step] if i >= step else 0
        b = previous[i] if previous else 0
        c = previous[i - step] if previous and i >= step else 0
        predictor = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
        out.append((x - predictor) & 0xFF)
    return bytes(out)


def image_data(pixels, width, height, colour, depth, interlaced):
    """The filtered scanlines; the filter type cycles through all five."""
    step = max(1, CHANNELS[colour] * depth // 8)
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    raw, kind = bytearray(), 0
    for x0, y0, dx, dy in passes:
        previous = None
        for y in range(y0, height, dy):
            columns = range(x0, width, dx)
            if not columns:
                continue
            row = pack_row([s for x in columns for s in pixels[y][x]], depth)
            raw += filter_row(kind, row, previous, step)
            previous = row
            kind = (kind + 1) % 5
    return bytes(raw)


def png(width, height, colour, depth, seed, interlaced=False, trns=False, extra=(),
        idat_parts=1):
    """The content follows from `seed` alone: the same seed gives the same
    picture plain and interlaced."""
    rng = random.Random(seed)
    top = (1 << depth) - 1
    channels = CHANNELS[colour]
    entries = min(1 << depth, 12) if colour == PALETTE else 0
    limit = entries - 1 if colour == PALETTE else top
    pixels = [[[rng.randint(0, limit) for _ in range(channels)] for _ in range(width)]
              for _ in range(height)]
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0,
                                      int(interlaced)))
    for kind, data in extra:
        if kind not in (b"hIST", b"bKGD"):
            out += chunk(kind, data)
    if colour == PALETTE:
        out += chunk(b"PLTE", bytes(rng.randrange(256) for _ in range(3 * entries)))
    for kind, data in extra:
        if kind in (b"hIST", b"bKGD"):
            out += chunk(kind, data)
    if trns:
        if colour == PALETTE:
            out += chunk(b"tRNS", bytes(rng.randrange(256) for _ in range(entries - 2)))
        elif colour == GREY:
            out += chunk(b"tRNS", struct.pack(">H", pixels[0][0][0]))
        elif colour == RGB:
            out += chunk(b"tRNS", struct.pack(">HHH", *pixels[0][0]))
    data = zlib.compress(image_data(pixels, width, height, colour, depth, interlaced), 9)
    size = -(-len(data) // idat_parts)
    for at in range(0, len(data), size):
        out += chunk(b"IDAT", data[at:at + size])
    return out + chunk(b"IEND", b"")


def ancillary(entries):
    """Chunks that libpng reads and checks beside the pixels, for a palette image."""
    rng = random.Random(entries)
    text = b"Title\0snow over the blobs"
    return [
        (b"gAMA", struct.pack(">I", 45455)),
        (b"cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)),
        (b"sBIT", bytes([5, 6, 5])),
        (b"pHYs", struct.pack(">IIB", 2835, 2835, 1)),
        (b"oFFs", struct.pack(">iiB", 10, -20, 0)),
        (b"sCAL", b"\x011.5\x002.5"),
        (b"pCAL", b"depth\0" + struct.pack(">iiBB", 0, 100, 0, 2) + b"m\x000\x001"),
        (b"tIME", struct.pack(">HBBBBB", 2024, 6, 11, 12, 30, 0)),
        (b"tEXt", text),
        (b"zTXt", b"Comment\0\0" + zlib.compress(b"falling snow " * 8)),
        (b"iTXt", b"Author\0\1\0fi\0Tekij\xc3\xa4\0" + zlib.compress(b"hallatorvo")),
        (b"sPLT", b"snow\0\x08" + bytes(rng.randrange(256) for _ in range(6 * 3))),
        (b"eXIf", b"MM\0*\0\0\0\x08\0\0"),
        (b"prVt", b"a private chunk"),
        (b"bKGD", bytes([1])),
        (b"hIST", struct.pack(f">{entries}H", *range(entries))),
    ]


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else "tests/textures/fuzz/seeds"
    os.makedirs(directory, exist_ok=True)
    seeds = {}
    for depth in (1, 2, 4, 8):
        seeds[f"palette{depth}"] = png(7, 5, PALETTE, depth, depth)
    seeds["palette8-trns"] = png(7, 5, PALETTE, 8, 10, trns=True)
    seeds["palette4-interlaced"] = png(9, 9, PALETTE, 4, 11, interlaced=True)
    seeds["palette8-ancillary"] = png(4, 4, PALETTE, 8, 12, extra=ancillary(12))
    for depth in (1, 2, 4, 8, 16):
        seeds[f"grey{depth}"] = png(7, 5, GREY, depth, 20 + depth)
    seeds["grey8-trns"] = png(7, 5, GREY, 8, 40, trns=True)
    seeds["grey16-trns-interlaced"] = png(9, 9, GREY, 16, 41, interlaced=True, trns=True)
    for depth in (8, 16):
        seeds[f"greyalpha{depth}"] = png(6, 4, GREY_ALPHA, depth, 50 + depth)
        seeds[f"rgb{depth}"] = png(6, 4, RGB, depth, 70 + depth)
        seeds[f"rgba{depth}"] = png(6, 4, RGBA, depth, 90 + depth)
    seeds["rgb8-trns"] = png(6, 4, RGB, 8, 110, trns=True)
    seeds["rgb16-trns"] = png(6, 4, RGB, 16, 111, trns=True)
    seeds["greyalpha8-interlaced"] = png(9, 9, GREY_ALPHA, 8, 112, interlaced=True)
    # Pairs of one picture, plain and interlaced.
    for name, colour in (("rgb8", RGB), ("rgba8", RGBA), ("palette8", PALETTE)):
        seeds[f"{name}-9x9"] = png(9, 9, colour, 8, 120 + colour)
        seeds[f"{name}-9x9-interlaced"] = png(9, 9, colour, 8, 120 + colour, interlaced=True)
    seeds["rgba8-split-idat"] = png(16, 16, RGBA, 8, 130, idat_parts=4)
    for name, data in seeds.items():
        with open(os.path.join(directory, name + ".png"), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
