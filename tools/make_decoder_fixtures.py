#!/usr/bin/env python3
"""Writes the PNG fixtures of the decoder tests with Pillow, an encoder the
show does not share, together with the RGBA pixels Pillow reads back from each
file (raw bytes, row-major, top row first).

Usage: tools/make_decoder_fixtures.py [output directory]
(default tests/textures/fixtures). Needs Debian's python3-pil."""

import os
import random
import sys

from PIL import Image


def save(directory, name, image, reference=True, **options):
    path = os.path.join(directory, name + ".png")
    image.save(path, **options)
    if reference:
        # Read the file back, so the reference is what Pillow decodes.
        with Image.open(path) as decoded:
            pixels = decoded.convert("RGBA").tobytes()
        with open(os.path.join(directory, name + ".rgba"), "wb") as out:
            out.write(pixels)


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else "tests/textures/fixtures"
    os.makedirs(directory, exist_ok=True)
    rng = random.Random(20240611)

    def byte():
        return rng.randrange(256)

    # Odd, non-square sizes show row order and row padding mistakes.
    rgba = Image.new("RGBA", (13, 7))
    rgba.putdata([(byte(), byte(), byte(), byte()) for _ in range(13 * 7)])
    rgba.putpixel((5, 2), (255, 200, 1, 77))
    rgba.putpixel((12, 6), (255, 255, 255, 255))
    rgba.putpixel((0, 0), (0, 0, 0, 0))
    save(directory, "rgba", rgba)

    rgb = Image.new("RGB", (9, 5))
    rgb.putdata([(byte(), byte(), byte()) for _ in range(9 * 5)])
    rgb.putpixel((4, 3), (255, 0, 0))
    save(directory, "rgb", rgb)

    palette = Image.new("P", (11, 6))
    colours = [byte() for _ in range(256 * 3)]
    colours[3 * 3:3 * 3 + 3] = [10, 20, 30]
    palette.putpalette(colours)
    palette.putdata([byte() for _ in range(11 * 6)])
    palette.putpixel((7, 1), 3)
    save(directory, "palette", palette)

    # Formats the show does not decode.
    grey = Image.new("L", (8, 8))
    grey.putdata([byte() for _ in range(64)])
    save(directory, "grey8", grey, reference=False)
    save(directory, "greyalpha", Image.new("LA", (8, 8), (100, 200)), reference=False)
    grey16 = Image.new("I;16", (8, 8))
    grey16.putdata([rng.randrange(65536) for _ in range(64)])
    save(directory, "grey16", grey16, reference=False)
    small = Image.new("P", (8, 8))
    small.putpalette([byte() for _ in range(16 * 3)])
    small.putdata([rng.randrange(16) for _ in range(64)])
    save(directory, "palette4", small, reference=False, bits=4)

    # Valid, but wider than the decoder accepts.
    save(directory, "wide", Image.new("RGB", (5000, 1), (1, 2, 3)), reference=False)


if __name__ == "__main__":
    main()
