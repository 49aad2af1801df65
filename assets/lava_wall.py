"""lavawall.bmp: the background the game lays twice across every row."""

import math

import numpy as np

from bmp import bmp24
from colours import clamp8, ramp
from noise import fbm


# A frame lays each row twice side by side, copying all but the last column,
# and 64 columns of the first copy lie left of the window: the two copies
# reach 2 x 2047 - 64 = 4030 columns, past 3840 for any small wave, and the
# rows reach 2160.  The picture repeats every 2047 columns and its last
# column repeats the first, so column 2046 meets column 0 without a seam.
LAVA_W = 2048
LAVA_H = 2160
LAVA_PERIOD = LAVA_W - 1

LAVA_RAMP = [
    (0.00, (6, 2, 3)),
    (0.10, (22, 5, 5)),
    (0.22, (52, 9, 6)),
    (0.36, (105, 16, 6)),
    (0.50, (170, 34, 4)),
    (0.62, (222, 78, 6)),
    (0.74, (250, 136, 18)),
    (0.85, (255, 196, 52)),
    (0.94, (255, 236, 128)),
    (1.00, (255, 250, 212)),
]

# Quantisation of the two noise fields used to index the heat table.
VEIN_Q = 256      # steps per unit of the vein field
VEIN_N = 768      # covers -1.5 .. +1.5
GLOW_Q = 160      # steps per unit of the glow field
GLOW_N = 512      # covers -1.6 .. +1.6


def _sat(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def build_heat_table():
    """Heat (0..255) for every combination of vein value and glow value.

    The vein field's zero crossings become thin glowing cracks; the glow
    field decides how active a region is, how bright its crust is and where
    pools of molten rock break through.
    """
    half_v = VEIN_N // 2
    half_g = GLOW_N // 2
    crust, active, blob = [], [], []
    for ig in range(GLOW_N):
        g = (ig - half_g + 0.5) / GLOW_Q
        crust.append(0.015 + 0.20 * _sat((g + 0.95) / 1.35) ** 1.6)
        active.append(_sat(0.50 + 1.3 * g))
        b = _sat((g - 0.50) / 0.30)
        blob.append(b * b * (3.0 - 2.0 * b))
    rows = []
    for iv in range(VEIN_N):
        f = (iv - half_v + 0.5) / VEIN_Q
        af = abs(f)
        core = math.exp(-(af / 0.032) ** 2)
        halo = math.exp(-(af / 0.10) ** 2)
        wide = math.exp(-(af / 0.28) ** 2)
        hot = 0.62 * core + 0.30 * halo + 0.12 * wide
        cool = 0.30 * core + 0.05 * halo
        pool = 0.58 + 0.35 * wide
        rows.append(bytes(
            min(255, max(0, int(255.0 * (c + a * hot + (1.0 - a) * cool
                                         + bl * pool) + 0.5)))
            for c, a, bl in zip(crust, active, blob)))
    return b''.join(rows)


def make_lavawall():
    p, h = LAVA_PERIOD, LAVA_H
    # Many middle-sized features rather than a few large ones: the same
    # columns show twice across a 4K screen, and a lone big pool would be
    # seen twice.
    veins = fbm(p, h, [(12, 1.00, 0.85), (26, 0.50, 1.0), (53, 0.26, 1.0),
                       (109, 0.13, 1.0), (218, 0.065, 1.0)], seed=11)
    glow = fbm(p, h, [(8, 1.00, 0.9), (17, 0.45, 1.0), (31, 0.20, 1.0),
                      (73, 0.10, 1.0), (157, 0.06, 1.0), (326, 0.035, 1.0)],
               seed=23)
    # Slow sideways warp of the vein field so cracks meander.
    warp = fbm(p, h, [(8, 1.0, 1.0), (18, 0.5, 1.0)], seed=37)

    heat_table = np.frombuffer(build_heat_table(), dtype=np.uint8)
    ramp_rgb = np.array([[clamp8(c) for c in ramp(LAVA_RAMP, i / 255.0)]
                         for i in range(256)], dtype=np.uint8)

    # Take each pixel's vein sample from a few dozen pixels to the side; the
    # offset is itself periodic, so the result still wraps in x.
    xs = np.arange(p)[None, :]
    shift = (warp * 48.0 + 256.0).astype(np.int64) - 256
    source = (xs + shift) % p
    veins = np.take_along_axis(veins, source, axis=1)
    vi = np.clip((veins * float(VEIN_Q) + VEIN_N // 2).astype(np.int64), 0, VEIN_N - 1)
    gi = np.clip((glow * float(GLOW_Q) + GLOW_N // 2).astype(np.int64), 0, GLOW_N - 1)
    heat = heat_table[vi * GLOW_N + gi]
    rgb = ramp_rgb[heat]                                   # h x p x 3
    rgb = np.concatenate([rgb, rgb[:, :1]], axis=1)        # last column = first
    bgr = rgb[:, :, ::-1]
    return bmp24(LAVA_W, h, [bgr[y].tobytes() for y in range(h)])
