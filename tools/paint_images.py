#!/usr/bin/python3
"""Paints the six embedded PNG images into assets/.

Deterministic: every random value comes from a fixed seed, so running the script
again reproduces the same pixels. Needs only the Debian packages python3-numpy and
python3-pil. Usage: tools/paint_images.py [output directory, default assets/]
"""

import os
import sys

import numpy as np
from PIL import Image

# The closing scene relies on exactly this many lit cells in the text map.
TEXT_CELLS = 4946

# ---------------------------------------------------------------------------
# Snowflakes: signed distance fields of six-fold crystals.
# ---------------------------------------------------------------------------

FLAKE_SIZE = 128
FLAKE_TINT = np.array([236.0, 243.0, 255.0])


def flake_grid():
    """Pixel-centre coordinates relative to the image centre."""
    c = np.arange(FLAKE_SIZE) + 0.5 - FLAKE_SIZE / 2
    x, y = np.meshgrid(c, c)
    return x, y


def sixfold(x, y):
    """Folds the plane into the wedge 0..30 degrees (twelve-fold mirror symmetry)."""
    r = np.hypot(x, y)
    a = np.mod(np.arctan2(y, x), np.pi / 3)
    a = np.minimum(a, np.pi / 3 - a)
    return r * np.cos(a), r * np.sin(a)


def six_arms(x, y, arm):
    """Union of six rotated copies of one arm, given as a distance function of (x, y)."""
    d = None
    for k in range(6):
        ax, ay = rot(x, y, -60.0 * k)
        e = arm(ax, ay)
        d = e if d is None else np.minimum(d, e)
    return d


def rot(px, py, deg):
    t = np.radians(deg)
    return px * np.cos(t) - py * np.sin(t), px * np.sin(t) + py * np.cos(t)


def segment(x, y, ax, ay, bx, by, r0, r1=None):
    """Distance to a tapered capsule from (ax, ay) (radius r0) to (bx, by) (radius r1)."""
    if r1 is None:
        r1 = r0
    dx, dy = bx - ax, by - ay
    t = np.clip(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0)
    d = np.hypot(x - ax - t * dx, y - ay - t * dy)
    return d - (r0 + (r1 - r0) * t)


def branch(x, y, ax, length, deg, r0, r1=None):
    """A side branch leaving the arm (along +x) at distance ax, at deg degrees."""
    bx, by = rot(length, 0.0, deg)
    return segment(x, y, ax, 0.0, ax + bx, by, r0, r1)


def hexagon(x, y, radius, vertex_deg=0.0):
    """Signed distance to a regular hexagon with circumradius radius."""
    d = None
    for k in range(6):
        nx, ny = rot(1.0, 0.0, vertex_deg + 30 + 60 * k)
        e = x * nx + y * ny
        d = e if d is None else np.maximum(d, e)
    return d - radius * np.cos(np.pi / 6)


def arm_distance(x, y):
    """Distance to the six arm centre lines."""
    fx, fy = sixfold(x, y)
    return np.where(fx > 0, np.abs(fy), np.hypot(fx, fy))


def flake_rgba(sdf, shade):
    """RGBA bytes from a signed distance (negative inside) and a shade 0..1.

    Alpha crosses 0.5 exactly on the outline, so the alpha test draws the crystal
    shape with a smooth edge. Outside, a faint halo below the test threshold is never
    drawn at full size but keeps thin arms above 0.5 when the mipmaps average them.
    The colour stays white everywhere, so averaging never darkens the fringes.
    """
    edge = 1.2
    inner = 0.5 + np.clip(-sdf / edge, 0.0, 1.0) * (0.12 + 0.38 * shade)
    outer = np.maximum(0.5 - sdf / edge, 0.36 * np.exp(-np.maximum(sdf, 0.0) / 2.6))
    outer = np.minimum(outer, 0.499)
    alpha = np.where(sdf < 0, inner, outer)
    alpha = np.where(sdf > 9.0, 0.0, alpha)
    glow = 0.82 + 0.18 * shade
    cool = 1.0 - 0.35 * (1.0 - shade)
    rgb = np.empty(sdf.shape + (3,))
    rgb[..., 0] = FLAKE_TINT[0] * glow * (0.93 + 0.07 * cool)
    rgb[..., 1] = FLAKE_TINT[1] * glow * (0.96 + 0.04 * cool)
    rgb[..., 2] = FLAKE_TINT[2] * glow
    out = np.empty(sdf.shape + (4,), np.uint8)
    out[..., :3] = np.clip(np.round(rgb), 0, 255)
    out[..., 3] = np.clip(np.round(alpha * 255), 0, 255)
    # Alpha rounding must not push an outside pixel onto the threshold.
    out[..., 3] = np.where((sdf >= 0) & (out[..., 3] >= 128), 127, out[..., 3])
    out[..., 3] = np.where((sdf < 0) & (out[..., 3] <= 128), 129, out[..., 3])
    return out


def paint_flake_dendrite():
    """Stellar dendrite: long arms with branches that lean toward the tips."""
    x, y = flake_grid()

    def arm(ax, ay):
        d = segment(ax, ay, 0, 0, 57, 0, 3.2, 1.8)
        for side in (60, -60):
            for bx, length, r in ((17, 17, 1.9), (27, 16, 1.75), (37, 12.5, 1.65), (46, 8, 1.55)):
                d = np.minimum(d, branch(ax, ay, bx, length, side, r, r * 0.85))
                # Twigs on the longer branches, parallel to the arm.
                if length > 12:
                    tx, ty = rot(length * 0.55, 0.0, side)
                    d = np.minimum(d, segment(ax, ay, bx + tx, ty, bx + tx + 6, ty, 1.5))
        return np.minimum(d, hexagon(ax - 55.5, ay, 4.6))

    d = np.minimum(six_arms(x, y, arm), hexagon(x, y, 11.0))
    # A hollow ring in the central plate.
    ring = np.abs(hexagon(x, y, 6.2)) - 0.9
    ridge = np.clip(1.0 - arm_distance(x, y) / 3.0, 0, 1)
    shade = np.clip(0.45 + 0.55 * ridge - 0.35 * np.clip(1.0 - np.abs(ring), 0, 1), 0, 1)
    return flake_rgba(d, shade)


def paint_flake_plate():
    """Sectored plate: a broad hexagon split into ribbed sectors, plate-tipped arms."""
    x, y = flake_grid()
    fx, fy = sixfold(x, y)

    def arm(ax, ay):
        d = segment(ax, ay, 0, 0, 50, 0, 3.8, 3.0)
        d = np.minimum(d, np.maximum(hexagon(ax - 51.0, ay, 9.0), -hexagon(ax - 51.0, ay, 3.2)))
        for side in (60, -60):
            d = np.minimum(d, branch(ax, ay, 41, 7, side, 1.7))
        return d

    def notch(ax, ay):
        # V-shaped cut where two sectors meet on the plate's edge (at 30 degrees).
        nx, ny = rot(ax, ay, -30.0)
        return segment(nx, ny, 25.0, 0, 34.0, 0, 0.6, 2.6)

    plate = np.maximum(hexagon(x, y, 35.0), -six_arms(x, y, notch))
    d = np.minimum(plate, six_arms(x, y, arm))
    ridge = np.clip(1.0 - arm_distance(x, y) / 2.6, 0, 1)
    # Ribs parallel to the sector edges and dim seams between the sectors.
    seam = np.clip(1.0 - np.abs(fy - fx * np.tan(np.pi / 6)) / 1.6, 0, 1)
    h = fx * np.cos(np.pi / 6) + fy * 0.5
    rings = 0.5 + 0.5 * np.cos(2 * np.pi * h / 5.5)
    rings = np.where(h < 27, rings, 0.8)
    shade = np.clip(0.3 + 0.45 * ridge + 0.3 * rings - 0.45 * seam, 0, 1)
    return flake_rgba(d, shade)


def paint_flake_fern():
    """Fern-like crystal: slender arms fringed with many short parallel branches."""
    x, y = flake_grid()

    def arm(ax, ay):
        d = segment(ax, ay, 0, 0, 58, 0, 2.2, 1.6)
        for bx in np.arange(15.0, 55.0, 5.5):
            u = (bx - 13.0) / 42.0
            length = 3.5 + 13.0 * np.sin(np.pi * min(1.0, u * 1.15)) ** 0.8
            for side in (60, -60):
                d = np.minimum(d, branch(ax, ay, bx, length, side, 1.5, 1.35))
        return d

    d = np.minimum(six_arms(x, y, arm), np.abs(hexagon(x, y, 11.0)) - 1.6)
    d = np.minimum(d, hexagon(x, y, 4.0))
    ridge = np.clip(1.0 - arm_distance(x, y) / 2.4, 0, 1)
    r = np.hypot(x, y)
    shade = np.clip(0.5 + 0.5 * ridge - 0.25 * np.clip(r / 60.0, 0, 1), 0, 1)
    return flake_rgba(d, shade)


# ---------------------------------------------------------------------------
# Frost planes: seamless soft noise (periodic because it is filtered in frequency).
# ---------------------------------------------------------------------------


def periodic_noise(rng, size, slope, stretch=(1.0, 1.0), lowest=1.0):
    """Unit-variance noise with a power-law spectrum; tiles exactly at size."""
    f = np.fft.fftfreq(size) * size
    fx, fy = np.meshgrid(f * stretch[0], f * stretch[1])
    radius = np.hypot(fx, fy)
    spectrum = np.where(radius >= lowest, 1.0 / np.maximum(radius, 1e-9) ** slope, 0.0)
    white = np.fft.fft2(rng.standard_normal((size, size)))
    field = np.real(np.fft.ifft2(white * spectrum))
    return (field - field.mean()) / field.std()


def paint_frost():
    rng = np.random.default_rng(2024)
    size = 128
    cloud = periodic_noise(rng, size, 1.55, lowest=1.5)
    wisps = 1.0 - np.abs(periodic_noise(rng, size, 1.6, stretch=(1.0, 1.4), lowest=2.0))
    grain = periodic_noise(rng, size, 0.6, lowest=6.0)

    def smooth(v, lo, hi):
        u = np.clip((v - lo) / (hi - lo), 0, 1)
        return u * u * (3 - 2 * u)

    # Clouds with clear gaps between them, so the stacked planes keep their depth.
    body = smooth(cloud, -0.9, 1.5)
    density = body * (0.55 + 0.45 * smooth(wisps, 0.3, 0.95)) + 0.04 * grain * body
    density = np.clip(density, 0, 1)
    alpha = 0.9 * density
    light = np.clip(0.72 + 0.28 * density + 0.05 * grain, 0, 1)
    out = np.empty((size, size, 4), np.uint8)
    out[..., 0] = np.round(np.clip(226 * light + 10 * density, 0, 255))
    out[..., 1] = np.round(np.clip(236 * light + 8 * density, 0, 255))
    out[..., 2] = np.round(np.clip(255 * light, 0, 255))
    out[..., 3] = np.round(alpha * 255)
    return out


# ---------------------------------------------------------------------------
# Background of the closing scene: a moonlit winter night.
# ---------------------------------------------------------------------------


def ridge(rng, width, base, amplitude, waves):
    """A hill line: height in rows for every column, from a few fixed sine waves."""
    x = np.arange(width) / width
    h = np.full(width, float(base))
    for k, (cycles, weight) in enumerate(waves):
        h += amplitude * weight * np.sin(2 * np.pi * (cycles * x + rng.uniform()))
    return h


def smoothstep(e0, e1, v):
    u = np.clip((v - e0) / (e1 - e0), 0, 1)
    return u * u * (3 - 2 * u)


def paint_night():
    rng = np.random.default_rng(77)
    scale = 2  # painted at twice the size, then averaged down for smooth outlines
    size = 256 * scale
    yy, xx = np.mgrid[0:size, 0:size].astype(np.float64) / scale + 0.5 / scale
    v = yy / 256.0

    # Sky: deep blue at the top, a cold glow above the hills.
    top = np.array([3.0, 6.0, 20.0])
    mid = np.array([10.0, 18.0, 44.0])
    low = np.array([34.0, 46.0, 84.0])
    t1 = smoothstep(0.0, 0.45, v)[..., None]
    t2 = smoothstep(0.35, 0.72, v)[..., None]
    img = top * (1 - t1) + mid * t1
    img = img * (1 - t2) + low * t2

    # A faint aurora curtain across the upper sky.
    curve = 0.20 + 0.06 * np.sin(2 * np.pi * (xx / 256.0) * 1.3 + 0.7) + 0.025 * np.sin(2 * np.pi * xx / 256.0 * 3.7)
    band = np.exp(-((v - curve) / 0.045) ** 2) * smoothstep(0.0, 0.2, v)
    rays = 0.6 + 0.4 * np.sin(xx * 0.35 + 2.0 * np.sin(xx * 0.05)) ** 2
    above = np.exp(-np.maximum(curve - v, 0) / 0.07) * (v < curve)
    curtain = band * rays + 0.5 * above * rays * smoothstep(0.05, 0.3, v)
    fade = 0.35 + 0.65 * smoothstep(0.9, 0.1, xx / 256.0)
    img += (curtain * fade)[..., None] * np.array([4.0, 30.0, 22.0])

    # Moon with a soft halo, upper right.
    mx, my, mr = 221.0, 31.0, 10.0
    dm = np.hypot(xx - mx, yy - my)
    halo = np.exp(-np.maximum(dm - mr, 0) / 26.0) * 0.55 + np.exp(-np.maximum(dm - mr, 0) / 6.0) * 0.45
    img += halo[..., None] * np.array([30.0, 36.0, 52.0]) * (dm > mr)[..., None]
    disc = smoothstep(mr + 0.6, mr - 0.6, dm)
    # Limb darkening rather than spots: small features only turn into dither noise.
    mare = 1.0 - 0.12 * (dm / mr) ** 2
    img = img * (1 - disc[..., None]) + (np.array([226.0, 232.0, 240.0]) * mare[..., None]) * disc[..., None]

    # Stars, fewer toward the horizon, some with a small glow.
    for _ in range(150):
        sx, sy = rng.uniform(0, 256), 150 * rng.uniform() ** 1.4
        if np.hypot(sx - mx, sy - my) < 28:
            continue
        b = rng.uniform(0.25, 1.0) ** 2 * (1 - sy / 190)
        r = rng.uniform(0.35, 0.75) if b > 0.4 else 0.4
        d = np.hypot(xx - sx, yy - sy)
        if b < 0.3:
            spot = np.exp(-(d / r) ** 2) * b
        else:
            spot = (np.exp(-(d / r) ** 2) + 0.12 * np.exp(-d / 1.8)) * b
        tone = np.array([200.0, 210.0, 240.0]) if rng.uniform() < 0.7 else np.array([240.0, 226.0, 200.0])
        img += spot[..., None] * tone

    # Far hills, snow-covered and lit by the moon.
    col = xx[0]
    far = ridge(rng, size, 178, 9, ((1.0, 0.8), (2.3, 0.45), (5.1, 0.15)))
    far_mask = smoothstep(-0.6, 0.6, yy - far[None, :])
    depth = np.clip((yy - far[None, :]) / 40.0, 0, 1)
    far_col = np.array([58.0, 70.0, 104.0]) * (1 - 0.35 * depth[..., None]) + 6.0 * np.sin(col / 9.0)[None, :, None] * 0.2
    img = img * (1 - far_mask[..., None]) + far_col * far_mask[..., None]

    # Forest on the nearer ridge, and a few tall pines in front framing the view.
    near = ridge(rng, size, 206, 7, ((0.7, 0.7), (1.9, 0.5), (4.3, 0.2)))
    forest = smoothstep(-0.6, 0.6, yy - near[None, :])
    snowcap = np.zeros_like(forest)
    trees = []
    x = 2.0
    while x < 256:
        height = rng.uniform(16, 44) * (0.7 if rng.uniform() < 0.4 else 1.0)
        trees.append((x, np.interp(x, col, near) + 3, height))
        x += rng.uniform(5, 12)
    trees += [(9.0, 262.0, 118.0), (30.0, 262.0, 84.0), (247.0, 262.0, 104.0)]
    for x, base, height in trees:
        half = height * rng.uniform(0.2, 0.25)
        tiers = int(np.clip(height / 9.0, 3, 9))
        for k in range(tiers):
            ty = base - height + k * height / (tiers + 0.6)
            th = height / (tiers - 0.2)
            w = half * (0.35 + 0.65 * (k + 1) / tiers)
            inside = (th - (yy - ty)) / th  # 1 at the tier's tip, 0 at its lower edge
            edge = w * (1 - inside) - np.abs(xx - x)
            tri = smoothstep(-0.6, 0.6, edge) * (inside > 0) * (inside < 1)
            forest = np.maximum(forest, tri)
            # Snow lying along the lower edge of each tier, thicker on the moonlit side.
            lying = tri * smoothstep(0.72, 0.9, 1 - inside) * smoothstep(0.3, 1.8, edge)
            lying *= 0.5 + 0.5 * smoothstep(x - w, x + w, xx)
            snowcap = np.maximum(snowcap, lying * 0.6)
    trunk_col = np.array([5.0, 8.0, 17.0])
    snow_col = np.array([70.0, 84.0, 120.0])
    img = img * (1 - forest[..., None]) + trunk_col * forest[..., None]
    img = img * (1 - snowcap[..., None]) + snow_col * snowcap[..., None]

    # Foreground snowfield with drifts, brightest toward the moon.
    ground = ridge(rng, size, 236, 5, ((0.9, 0.8), (2.7, 0.35)))
    gmask = smoothstep(-0.6, 0.6, yy - ground[None, :])
    gdepth = np.clip((yy - ground[None, :]) / 22.0, 0, 1)
    sheen = 0.75 + 0.25 * smoothstep(0, 256, xx)
    gcol = np.array([62.0, 76.0, 112.0]) * (sheen * (1 - 0.3 * gdepth))[..., None]
    img = img * (1 - gmask[..., None]) + gcol * gmask[..., None]

    img = img.reshape(256, scale, 256, scale, 3).mean(axis=(1, 3))
    # A little grain breaks the bands of the sky gradient before quantizing.
    img += rng.normal(0, 0.6, img.shape)
    rgb = Image.fromarray(np.clip(np.round(img), 0, 255).astype(np.uint8), "RGB")
    palette = rgb.quantize(colors=256, method=Image.Quantize.LIBIMAGEQUANT, dither=Image.Dither.NONE)
    return rgb.quantize(palette=palette, dither=Image.Dither.FLOYDSTEINBERG)


# ---------------------------------------------------------------------------
# Text map: lit cells (non-zero red) are where the closing scene's flakes gather.
# ---------------------------------------------------------------------------

MAP = 128
CELL_W = 3.75 / MAP  # world size of one cell: cells are 1.6 times taller than wide
CELL_H = 6.0 / MAP
# The camera sees columns of about 29 to 108 only; its centre line runs between
# columns 68 and 69, so even-width lines start at CENTRE_COL - width // 2.
CENTRE_COL = 69
# A full-strength flake covers about three columns, so one empty column between
# letters fills in; two keep them apart.
LETTER_GAP = 2

# Bold capitals, six rows tall: rows are 1.6 times taller than columns on screen,
# so the glyphs are drawn squat to come out upright.
FONT = {
    "A": [".####.", "##..##", "##..##", "######", "##..##", "##..##"],
    "C": [".#####", "##....", "##....", "##....", "##....", ".#####"],
    "D": ["#####.", "##..##", "##..##", "##..##", "##..##", "#####."],
    "F": ["######", "##....", "#####.", "##....", "##....", "##...."],
    "H": ["##..##", "##..##", "######", "##..##", "##..##", "##..##"],
    "L": ["##...", "##...", "##...", "##...", "##...", "#####"],
    "N": ["##..##", "###.##", "######", "##.###", "##..##", "##..##"],
    "O": [".####.", "##..##", "##..##", "##..##", "##..##", ".####."],
    "R": ["#####.", "##..##", "##..##", "#####.", "##.##.", "##..##"],
    "S": [".#####", "##....", ".####.", "....##", "....##", "#####."],
    "T": ["######", "..##..", "..##..", "..##..", "..##..", "..##.."],
    "V": ["##..##", "##..##", "##..##", "##..##", ".####.", "..##.."],
    "W": ["##...##", "##...##", "##.#.##", "#######", "###.###", "##...##"],
    # With a letter gap on each side, a word gap is five columns.
    " ": [".", ".", ".", ".", ".", "."],
}


def text_width(text):
    return sum(len(FONT[c][0]) for c in text) + LETTER_GAP * (len(text) - 1)


def draw_text(canvas, text, top, value):
    """Writes text centred on the camera's centre line; lit cells get value."""
    col = CENTRE_COL - text_width(text) // 2
    for c in text:
        glyph = FONT[c]
        for r, line in enumerate(glyph):
            for k, ch in enumerate(line):
                if ch == "#":
                    canvas[top + r, col + k] = value
        col += len(glyph[0]) + LETTER_GAP


def cell_coords():
    """Cell centres in world units (x right, y down), so shapes can be drawn undistorted."""
    r, j = np.mgrid[0:MAP, 0:MAP].astype(np.float64)
    return j * CELL_W, r * CELL_H


def draw_emblem(canvas, centre_row, centre_col, radius):
    """A six-armed star crystal, drawn round in world units."""
    x, y = cell_coords()
    x = x - centre_col * CELL_W
    y = y - centre_row * CELL_H
    fx, fy = sixfold(x, y)
    d = segment(fx, fy, 0, 0, radius, 0, 0.0)
    for side in (60, -60):
        d = np.minimum(d, branch(fx, fy, 0.58 * radius, 0.3 * radius, side, 0.0))
    d = np.minimum(d, np.abs(hexagon(x, y, 0.24 * radius)))
    lit = d < CELL_W * 0.8
    r = np.hypot(x, y) / radius
    value = np.round(230 - 55 * np.clip(r, 0, 1)).astype(np.int32)
    canvas[lit] = np.maximum(canvas[lit], value[lit])


def draw_sparkles(canvas, row, cols, value):
    """Small four-pointed stars: a bright centre with dimmer points."""
    for c in cols:
        canvas[row, c - 1:c + 2] = value - 60
        canvas[row - 1:row + 2, c] = value - 60
        canvas[row, c] = value


def bank_top(rng):
    """Upper edge (row) of the snowbank, per column."""
    j = np.arange(MAP) / MAP
    top = 94.0 + 1.6 * np.sin(2 * np.pi * (1.3 * j + 0.15)) + 1.2 * np.sin(2 * np.pi * (3.1 * j + 0.6))
    return top + rng.uniform(-0.4, 0.4, MAP)


def paint_text_map():
    rng = np.random.default_rng(4946)
    canvas = np.zeros((MAP, MAP), np.int32)

    # Seen first, while the picture is low: the crystal and the title.
    draw_emblem(canvas, 19, CENTRE_COL, 0.42)
    draw_text(canvas, "HALLATORVO", 31, 225)
    draw_sparkles(canvas, 42, (CENTRE_COL - 16, CENTRE_COL, CENTRE_COL + 16), 200)
    # Seen after the picture has scrolled up: the verse.
    draw_text(canvas, "COLD STARS", 62, 205)
    draw_text(canvas, "SOFT SNOW", 72, 205)

    # A glittering snowbank along the bottom: a bright crust, loose snow below.
    rows = np.arange(MAP)[:, None]
    top = bank_top(rng)[None, :]
    depth = rows - np.floor(top)
    bank = depth >= 0
    crest = (depth < 1.5) & (rng.uniform(size=(MAP, MAP)) < 0.9)
    loose = (depth >= 1.5) & (rng.uniform(size=(MAP, MAP)) < 0.8)
    crust = np.where(crest, rng.integers(140, 190, (MAP, MAP)), 0)
    crust = np.where(loose, rng.integers(70, 150, (MAP, MAP)), crust)
    crust = np.where(bank & (crust == 0) & (rows >= 100), rng.integers(70, 150, (MAP, MAP)), crust)
    # The camera sees columns 30 to 108 and rows down to about 99; below and beside
    # that the bank continues out of view, and there the count is made exact.
    seen = (rows < 100) & (np.arange(MAP)[None, :] >= 22) & (np.arange(MAP)[None, :] < 116)
    shown = bank & seen & (crust > 0)
    canvas[shown] = crust[shown]

    # Loose flakes in the air, kept clear of the lettering.
    taken = canvas > 0
    near = np.zeros_like(taken)
    for dr in range(-2, 3):
        for dc in range(-2, 3):
            near |= np.roll(np.roll(taken, dr, 0), dc, 1)
    air = (rows < top - 3) & ~near & (rng.uniform(size=(MAP, MAP)) < 0.045)
    canvas[air] = rng.integers(80, 130, (MAP, MAP))[air]

    budget = TEXT_CELLS - int(np.count_nonzero(canvas))
    hidden = np.argwhere(bank & ~seen & (crust > 0))
    if budget < 0 or budget > len(hidden):
        raise SystemExit("text map: cannot reach %d lit cells (budget %d, room %d)"
                         % (TEXT_CELLS, budget, len(hidden)))
    # Fill the unseen bank from its surface down, with a little jitter.
    order = np.argsort(hidden[:, 0] - top[0, hidden[:, 1]] + rng.uniform(0, 6, len(hidden)), kind="stable")
    for r, c in hidden[order[:budget]]:
        canvas[r, c] = crust[r, c]
    return canvas


def text_map_image(canvas):
    """Palette image whose entry v is the grey (v, v, v): the red channel is the map value."""
    im = Image.fromarray(canvas.astype(np.uint8), "P")
    im.putpalette([v for i in range(256) for v in (i, i, i)])
    return im


def save_rgba(path, pixels):
    Image.fromarray(pixels, "RGBA").save(path, optimize=True)


# What the show's decoder is built for: (width, height, bit depth, colour type).
FORMATS = {
    "lumimatto.png": (128, 128, 8, 6),
    "taustakuva.png": (256, 256, 8, 3),
    "flake8.png": (128, 128, 8, 6),
    "flake5.png": (128, 128, 8, 6),
    "flake9b.png": (128, 128, 8, 6),
    "teksts_hiutalemap3.png": (128, 128, 8, 3),
}


def check_format(path):
    """Reads the header chunk back: the encoder may pick a smaller palette depth."""
    with open(path, "rb") as f:
        head = f.read(33)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise SystemExit("%s: not a PNG" % path)
    width, height = int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")
    found = (width, height, head[24], head[25])
    if found != FORMATS[os.path.basename(path)] or head[28] != 0:
        raise SystemExit("%s: wrote %s, interlace %d" % (path, found, head[28]))


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "assets")
    os.makedirs(out, exist_ok=True)
    save_rgba(os.path.join(out, "flake8.png"), paint_flake_dendrite())
    save_rgba(os.path.join(out, "flake5.png"), paint_flake_plate())
    save_rgba(os.path.join(out, "flake9b.png"), paint_flake_fern())
    save_rgba(os.path.join(out, "lumimatto.png"), paint_frost())
    paint_night().save(os.path.join(out, "taustakuva.png"), optimize=True)
    cells = paint_text_map()
    text_map_image(cells).save(os.path.join(out, "teksts_hiutalemap3.png"), optimize=True)
    for name in FORMATS:
        check_format(os.path.join(out, name))
    lit = int(np.count_nonzero(cells))
    print("lit cells", lit)
    if lit != TEXT_CELLS:
        raise SystemExit("text map has %d lit cells, needs %d" % (lit, TEXT_CELLS))
