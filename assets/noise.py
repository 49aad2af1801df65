"""Deterministic hashing and gradient noise, periodic in x, for the pictures.

Uses numpy: the lava wall has 4.4 million pixels.
"""

import math

import numpy as np


def hash32(a, b, seed):
    """Deterministic 32-bit integer hash of two lattice coordinates."""
    h = (a * 0x27D4EB2D + b * 0x165667B1 + seed * 0x9E3779B9) & 0xFFFFFFFF
    h ^= h >> 15
    h = (h * 0x85EBCA6B) & 0xFFFFFFFF
    h ^= h >> 13
    h = (h * 0xC2B2AE35) & 0xFFFFFFFF
    h ^= h >> 16
    return h


def fade(t):
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0)


GRAD_DIRS = [(math.cos(2.0 * math.pi * (k + 0.5) / 64.0),
              math.sin(2.0 * math.pi * (k + 0.5) / 64.0)) for k in range(64)]


def hash32_np(a, b, seed):
    """hash32 over arrays of lattice coordinates, in wrapping 32-bit integers."""
    a = np.asarray(a, dtype=np.uint64)
    b = np.asarray(b, dtype=np.uint64)
    m = np.uint64(0xFFFFFFFF)
    h = (a * np.uint64(0x27D4EB2D) + b * np.uint64(0x165667B1)
         + np.uint64((seed * 0x9E3779B9) & 0xFFFFFFFF)) & m
    h ^= h >> np.uint64(15)
    h = (h * np.uint64(0x85EBCA6B)) & m
    h ^= h >> np.uint64(13)
    h = (h * np.uint64(0xC2B2AE35)) & m
    h ^= h >> np.uint64(16)
    return h


def noise_octave(width, height, cells, amp, seed, stretch_y=1.0):
    """One octave of 2-D gradient noise on a height x width grid.

    The lattice has `cells` columns across the width, so the result repeats
    exactly every `width` pixels in x.  Only additions, multiplications and
    table look-ups are used, so every machine gives the same bits.
    """
    cw = width / cells
    ch = cw * stretch_y
    oy = (hash32(seed, 7, 99) % 1000) / 1000.0 * ch
    ox = (hash32(seed, 3, 77) % 1000) / 1000.0 * cw
    rows = int((height + oy) / ch) + 3

    u = (np.arange(width, dtype=np.float64) + ox) / cw
    i = u.astype(np.int64)
    fx = u - i
    s = fade(fx)
    i0 = i % cells
    i1 = (i + 1) % cells
    wa0 = (1.0 - s) * fx * amp
    wa1 = s * (fx - 1.0) * amp
    wb0 = (1.0 - s) * amp
    wb1 = s * amp

    dirs = np.array(GRAD_DIRS)
    lattice = hash32_np(np.arange(cells)[None, :], np.arange(rows)[:, None], seed) & np.uint64(63)
    gx = dirs[lattice.astype(np.int64), 0]
    gy = dirs[lattice.astype(np.int64), 1]
    a_rows = wa0 * gx[:, i0] + wa1 * gx[:, i1]
    b_rows = wb0 * gy[:, i0] + wb1 * gy[:, i1]

    v = (np.arange(height, dtype=np.float64) + oy) / ch
    j = v.astype(np.int64)
    fy = v - j
    t = fade(fy)
    c1 = (1.0 - t)[:, None]
    c2 = ((1.0 - t) * fy)[:, None]
    c3 = t[:, None]
    c4 = (t * (fy - 1.0))[:, None]
    return c1 * a_rows[j] + c2 * b_rows[j] + c3 * a_rows[j + 1] + c4 * b_rows[j + 1]


def fbm(width, height, octaves, seed):
    total = None
    for n, (cells, amp, stretch) in enumerate(octaves):
        layer = noise_octave(width, height, cells, amp, seed * 131 + n, stretch)
        total = layer if total is None else total + layer
    return total
