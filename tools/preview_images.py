#!/usr/bin/python3
"""Writes previews of the painted images to judge them as the show draws them.

Usage: tools/preview_images.py [assets directory] [output directory, default /tmp/hv_preview]
"""

import math
import os
import sys

import numpy as np
from PIL import Image, ImageFilter

ASSETS = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "assets")
OUT = sys.argv[2] if len(sys.argv) > 2 else "/tmp/hv_preview"
FLAKES = ("flake8.png", "flake5.png", "flake9b.png")


def load_rgba(name):
    """Decoded as the show does: RGB halved, alpha kept, as floats 0..1."""
    px = np.asarray(Image.open(os.path.join(ASSETS, name)).convert("RGBA"), np.float64)
    px[..., :3] = np.floor(px[..., :3] * 0.5)
    return px / 255.0


def mip_chain(px):
    levels = [px]
    while levels[-1].shape[0] > 1:
        p = levels[-1]
        levels.append(0.25 * (p[0::2, 0::2] + p[1::2, 0::2] + p[0::2, 1::2] + p[1::2, 1::2]))
    return levels


def sprite_look(px, grey):
    """Texture environment add, alpha test above 0.5, additive blending onto black."""
    a = px[..., 3]
    rgb = np.clip(px[..., :3] + grey, 0, 1) * a[..., None]
    return np.where((a > 0.5)[..., None], rgb, 0.0)


def to_image(rgb):
    return Image.fromarray(np.clip(np.round(rgb * 255), 0, 255).astype(np.uint8), "RGB")


def flake_previews():
    tiles = []
    for name in FLAKES:
        chain = mip_chain(load_rgba(name))
        row = [to_image(sprite_look(chain[0], 0.4)).resize((256, 256), Image.NEAREST)]
        for level in (2, 3, 4):
            small = to_image(sprite_look(chain[level], 0.4))
            row.append(small.resize((256, 256), Image.NEAREST))
        strip = Image.new("RGB", (256 * len(row), 256))
        for k, im in enumerate(row):
            strip.paste(im, (256 * k, 0))
        tiles.append(strip)
    sheet = Image.new("RGB", (tiles[0].width, 256 * len(tiles)))
    for k, t in enumerate(tiles):
        sheet.paste(t, (0, 256 * k))
    sheet.save(os.path.join(OUT, "flakes_mips.png"))

    # A field of flakes at the sizes the snow shows them, each from its mip level.
    rng = np.random.default_rng(5)
    field = np.zeros((512, 512, 3))
    chains = [mip_chain(load_rgba(n)) for n in FLAKES]
    for k in range(260):
        size = int(rng.integers(6, 60))
        level = max(0, min(7, int(round(math.log2(128 / size)))))
        src = chains[k % 3][level]
        im = to_image(sprite_look(src, 0.0)).resize((size, size), Image.BILINEAR)
        a = Image.fromarray(np.round(src[..., 3] * 255).astype(np.uint8)).resize((size, size), Image.BILINEAR)
        a = np.asarray(a) / 255.0
        pa = np.clip(src[..., :3] + rng.uniform(0.2, 0.45), 0, 1)
        col = np.asarray(Image.fromarray(np.round(pa * 255).astype(np.uint8)).resize((size, size), Image.BILINEAR)) / 255.0
        add = np.where((a > 0.5)[..., None], col * a[..., None], 0)
        x, y = rng.integers(0, 512 - size, 2)
        field[y:y + size, x:x + size] += add
    to_image(field).save(os.path.join(OUT, "flakes_field.png"))


def zoom(name, factor):
    im = Image.open(os.path.join(ASSETS, name))
    if im.mode == "RGBA":
        px = np.asarray(im, np.float64) / 255.0
        # On a checkerboard so the transparency shows.
        ii = np.indices(px.shape[:2]) // 8
        cb = ((ii[0] + ii[1]) % 2) * 0.15 + 0.1
        rgb = px[..., :3] * px[..., 3:] + cb[..., None] * (1 - px[..., 3:])
        im = to_image(rgb)
    im.convert("RGB").resize((im.width * factor, im.height * factor), Image.NEAREST).save(
        os.path.join(OUT, name.replace(".png", "_x%d.png" % factor)))


def planes_preview():
    """Forty tinted half-transparent planes of the frost texture, stacked as in the
    opening scene: plane k at depth 0.2k - 19 seen from z = 1, twelve times enlarged."""
    tex = load_rgba("lumimatto.png")
    size = 512
    frame = np.zeros((size, size, 3))
    yy, xx = np.mgrid[0:size, 0:size]
    ndc_x = (xx + 0.5) / size * 2 - 1
    ndc_y = 1 - (yy + 0.5) / size * 2
    t = 3.0
    for k in range(0, 80, 2):
        z = 0.2 * k - 19
        dist = 1 - z
        half = dist * math.tan(math.radians(30))
        wx = ndc_x * half - 0.5 * math.cos(math.sin(0.1 * k + 0.05 * t))
        wy = ndc_y * half
        ang = math.radians(180 + 90 * math.cos(4.4 * math.sin(0.02 * k + 0.5 * t)) ** 8)
        ux = (wx * math.cos(ang) + wy * math.sin(ang)) / 12.0
        uy = (-wx * math.sin(ang) + wy * math.cos(ang)) / 12.0
        s = (ux * 0.5 + 0.5) * 128
        tt = (uy * 0.5 + 0.5) * 128
        i0 = np.floor(s - 0.5).astype(int)
        j0 = np.floor(tt - 0.5).astype(int)
        fs = s - 0.5 - i0
        ft = tt - 0.5 - j0
        def at(i, j):
            return tex[j % 128, i % 128]
        texel = (at(i0, j0) * ((1 - fs) * (1 - ft))[..., None] + at(i0 + 1, j0) * (fs * (1 - ft))[..., None]
                 + at(i0, j0 + 1) * ((1 - fs) * ft)[..., None] + at(i0 + 1, j0 + 1) * (fs * ft)[..., None])
        m = (math.sin(math.pi * k / 40 + 0.125 * t + math.pi) + 1) * 0.5
        tint = np.array([0.8 + 0.2 * m, 0.85 + 0.15 * m, 0.9 + 0.1 * m])
        a = texel[..., 3:] * 0.5
        frame = frame * (1 - a) + texel[..., :3] * tint * a
    to_image(frame).save(os.path.join(OUT, "lumimatto_planes.png"))


TINTS = (np.array([0.8784, 0.8706, 0.9137]), np.array([0.8667, 0.8627, 0.898]), np.array([0.8235, 0.8157, 0.8588]))


def text_targets():
    """Lit cells in the order the sprite set-up walks them: world target, map value."""
    m = np.asarray(Image.open(os.path.join(ASSETS, "teksts_hiutalemap3.png")).convert("RGB"))[..., 0]
    cells = []
    for row in range(128):
        n = 128 - row
        for j in range(128):
            if m[row, j]:
                cells.append(((j / 128 - 0.5) * 3.75 - 0.25, (n / 128 - 0.5) * 6 + 0.5, int(m[row, j])))
    return cells


def scene3_preview(q_x, q_y, name):
    """The closing scene's frame with every text flake gathered on its cell."""
    size = 512
    bg = np.asarray(Image.open(os.path.join(ASSETS, "taustakuva.png")).convert("RGB"), np.float64) / 255
    yy, xx = np.mgrid[0:size, 0:size]
    ndc_x = (xx + 0.5) / size * 2 - 1
    ndc_y = 1 - (yy + 0.5) / size * 2
    shift = 0.00625 - 0.0125 * q_y
    s = np.clip(((ndc_x / 1.1) + 1) / 2 * 256, 0, 255).astype(int)
    t = np.clip((1 - (ndc_y - shift) / 1.1) / 2 * 256, 0, 255).astype(int)
    frame = bg[t, s].copy()

    eye = np.array([0.1, 0.0, 1.0])
    f = -eye / np.linalg.norm(eye)
    side = np.cross(f, [0, 1, 0])
    side /= np.linalg.norm(side)
    up = np.cross(side, f)
    cot = 1 / math.tan(math.radians(30))
    chains = [mip_chain(load_rgba(n)) for n in FLAKES]
    rng = np.random.default_rng(3)
    for k, (x, y, v) in enumerate(text_targets()):
        c = (1.5 * v / 255) ** 1.5
        half = 0.0275 * c
        colour = np.clip(1.5 * c * TINTS[k % 3], 0, None)
        rel = np.array([x, y - 0.2 * q_y, -1.0]) - eye
        xe, ye, depth = rel @ side, rel @ up - 0.2 * q_x, rel @ f
        scale = cot * size / 2 / depth
        cx, cy = (xe * scale + 1e-9) + size / 2, size / 2 - ye * scale
        px = 2 * half * scale
        if px < 1.0:
            continue
        level = max(0, min(7, int(round(math.log2(128 / px)))))
        src = chains[k % 3][level][::-1]
        im = Image.fromarray(np.round(src * 255).astype(np.uint8), "RGBA")
        w = max(1, int(round(px)))
        h = max(1, int(round(px * abs(math.cos(math.radians(45 * math.sin(2 * y)))))))
        im = im.resize((w, h), Image.BILINEAR).rotate(rng.uniform(0, 360), Image.BILINEAR, expand=True)
        a = np.asarray(im, np.float64) / 255
        add = np.clip(colour + a[..., :3], 0, 1) * a[..., 3:] * (a[..., 3:] > 0.5)
        x0, y0 = int(round(cx - a.shape[1] / 2)), int(round(cy - a.shape[0] / 2))
        x1, y1 = x0 + a.shape[1], y0 + a.shape[0]
        if x1 <= 0 or y1 <= 0 or x0 >= size or y0 >= size:
            continue
        sx0, sy0 = max(0, -x0), max(0, -y0)
        sx1, sy1 = a.shape[1] - max(0, x1 - size), a.shape[0] - max(0, y1 - size)
        frame[max(0, y0):min(size, y1), max(0, x0):min(size, x1)] += add[sy0:sy1, sx0:sx1]
    to_image(frame).save(os.path.join(OUT, name))


def text_map_dots():
    """The map stretched to its world shape (3.75 wide, 6 tall), a soft dot per lit cell."""
    m = np.asarray(Image.open(os.path.join(ASSETS, "teksts_hiutalemap3.png")).convert("RGB"))[..., 0]
    w, h = 375, 600
    img = np.zeros((h, w))
    yy, xx = np.mgrid[0:h, 0:w]
    for r, j in zip(*np.nonzero(m)):
        c = (1.5 * m[r, j] / 255) ** 1.5
        rad = 0.0275 * c * 100
        cx, cy = (j + 0.5) * w / 128, (r + 0.5) * h / 128
        x0, x1, y0, y1 = int(cx - 8), int(cx + 9), int(cy - 8), int(cy + 9)
        sub = (slice(max(0, y0), min(h, y1)), slice(max(0, x0), min(w, x1)))
        d = np.hypot(xx[sub] - cx, yy[sub] - cy)
        img[sub] += np.clip(1.5 * c, 0, 1) * np.exp(-(d / max(rad, 0.3)) ** 2)
    to_image(np.repeat(np.clip(img, 0, 1)[..., None], 3, 2)).save(os.path.join(OUT, "textmap_dots.png"))


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    flake_previews()
    for name in FLAKES:
        zoom(name, 4)
    for name, factor in (("lumimatto.png", 4), ("taustakuva.png", 2), ("teksts_hiutalemap3.png", 4)):
        if os.path.exists(os.path.join(ASSETS, name)):
            zoom(name, factor)
    if os.path.exists(os.path.join(ASSETS, "lumimatto.png")):
        planes_preview()
    if os.path.exists(os.path.join(ASSETS, "teksts_hiutalemap3.png")):
        text_map_dots()
        scene3_preview(10.0, 0.0, "scene3_first.png")
        scene3_preview(5.0, 0.0, "scene3_scroll.png")
        scene3_preview(0.0, 0.0, "scene3_last.png")
    print("previews in", OUT)
