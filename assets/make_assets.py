#!/usr/bin/env python3
"""Generate Brellix's data files: textures, spark colours, music and icon.

Usage: python3 assets/make_assets.py GAME_DIR ICON_PATH

Writes lavawall.bmp, barrier.bmp, particle_sheet.bmp and Rovor.wav into
GAME_DIR and the program icon to ICON_PATH.  Everything is synthesised here
from fixed seeds, so every run produces the same bytes.  Needs numpy
(Debian's python3-numpy) besides the Python standard library.
"""

import math
import os
import struct
import sys

try:
    import numpy as np
except ImportError:
    sys.stderr.write('make_assets: needs numpy (Debian: python3-numpy, installed by scripts/setup)\n')
    sys.exit(1)


# ---------------------------------------------------------------------------
# Small helpers
# ---------------------------------------------------------------------------

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


def clamp8(v):
    v = int(v + 0.5)
    return 0 if v < 0 else 255 if v > 255 else v


def ramp(stops, t):
    """Piecewise-linear colour ramp; stops are (position, (r, g, b))."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            k = (t - p0) / (p1 - p0)
            return tuple(a + (b - a) * k for a, b in zip(c0, c1))
    return stops[-1][1]


def write_atomic(path, data):
    """Write data to a temporary file beside path, then rename it over path."""
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    tmp = os.path.join(folder, '.%s.%d.tmp' % (os.path.basename(path), os.getpid()))
    try:
        with open(tmp, 'wb') as f:
            f.write(data)
        os.replace(tmp, path)
    except BaseException:
        try:
            os.unlink(tmp)
        except OSError:
            pass
        raise


def bmp24(width, height, rows_top_down):
    """Build a 24-bit bottom-up BMP. rows_top_down holds BGR bytes per row."""
    stride = (width * 3 + 3) & ~3
    pad = b'\0' * (stride - width * 3)
    body = b''.join(bytes(r) + pad for r in reversed(rows_top_down))
    assert len(body) == stride * height
    header = struct.pack('<2sIHHI', b'BM', 54 + len(body), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0,
                       len(body), 2835, 2835, 0, 0)
    return header + info + body


def rgb_rows_to_bgr(rows):
    out = []
    for row in rows:
        b = bytearray()
        for r, g, bl in row:
            b += bytes((bl, g, r))
        out.append(b)
    return out


# ---------------------------------------------------------------------------
# Gradient noise, periodic in x (numpy: the lava wall has 4.4 million pixels)
# ---------------------------------------------------------------------------

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


# ---------------------------------------------------------------------------
# lavawall.bmp
# ---------------------------------------------------------------------------

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


# ---------------------------------------------------------------------------
# barrier.bmp
# ---------------------------------------------------------------------------

RIVET = (
    (0, 196, 170, 0),
    (196, 236, 168, 112),
    (170, 168, 122, 84),
    (0, 112, 84, 0),
)


def make_barrier():
    """A 20x20 steel block made of two 20x10 riveted plates.

    Each plate is bevelled on all four sides, so the top plate alone stacks
    cleanly into a paddle.
    """
    size = 20
    rows = []
    for y in range(size):
        py = y % 10            # row within the plate
        row = []
        for x in range(size):
            # Brushed face: horizontal streaks plus fine grain.
            streak = (hash32(py, 5, 411) % 9) - 4
            fleck = (hash32(x, y, 419) % 7) - 3
            base = 112 + streak + fleck
            shade = 0
            if py == 0 or x == 0:
                shade = 70
            elif py == 1 or x == 1:
                shade = 34
            if py == 9 or x == 19:
                shade = -72
            elif py == 8 or x == 18:
                shade = -36
            # Corners where light and dark bevels meet.
            if (py == 0 and x == 19) or (py == 9 and x == 0):
                shade = -10
            v = base + shade
            # Rivets at both ends of the plate (4x4 dome, lit from top-left).
            for rx in (3, 13):
                sx, sy = x - rx, py - 3
                if 0 <= sx < 4 and 0 <= sy < 4:
                    r = RIVET[sy][sx]
                    if r:
                        v = r
                elif (sx, sy) in ((4, 2), (4, 3), (2, 4), (3, 4), (4, 4)):
                    v = base - 30        # shadow cast on the face
            g = clamp8(v)
            # Slightly cool steel tint to stand apart from the lava.
            row.append((clamp8(g * 0.93), clamp8(g * 0.97), clamp8(g * 1.06 + 6)))
        rows.append(row)
    return bmp24(size, size, rgb_rows_to_bgr(rows))


# ---------------------------------------------------------------------------
# particle_sheet.bmp
# ---------------------------------------------------------------------------

SPARK_RAMP = [
    (0.00, (60, 8, 0)),
    (0.20, (128, 18, 2)),
    (0.40, (200, 44, 4)),
    (0.58, (245, 104, 10)),
    (0.75, (255, 170, 30)),
    (0.90, (255, 226, 96)),
    (1.00, (255, 255, 220)),
]


def spark_colours():
    cols = [tuple(clamp8(c) for c in ramp(SPARK_RAMP, i / 15.0))
            for i in range(16)]
    assert len(set(cols)) == 16
    assert all(c != (0, 0, 0) and c != (255, 255, 255) for c in cols)
    return cols


def make_particles():
    return bmp24(16, 1, rgb_rows_to_bgr([spark_colours()]))


# ---------------------------------------------------------------------------
# Rovor.wav
# ---------------------------------------------------------------------------

RATE = 22050
SECONDS = 8
N_SAMPLES = RATE * SECONDS
BEAT = 0.5    # 120 bpm; 4 bars of 4/4 fill the loop exactly


def midi_hz(n):
    return 440.0 * 2.0 ** ((n - 69) / 12.0)


def add_note(buf, start_s, dur_s, freq, amp, attack, decay, release,
             harmonics=((1, 1.0),), vibrato=0.0):
    """Mix one enveloped note into buf.  The note is cut so that its release
    finishes inside the buffer, and its envelope starts and ends at zero."""
    start = int(round(start_s * RATE))
    length = int(round(dur_s * RATE))
    length = min(length, N_SAMPLES - start)
    if length <= 2:
        return
    a_n = max(1, int(attack * RATE))
    r_n = max(2, min(int(release * RATE), length - 1))
    two_pi = 2.0 * math.pi
    step = two_pi * freq / RATE
    k_decay = math.exp(-1.0 / (decay * RATE)) if decay > 0 else 1.0
    env_d = 1.0
    norm = sum(abs(h[1]) for h in harmonics)
    sin = math.sin
    last = length - 1
    for n in range(length):
        if n < a_n:
            e = n / a_n
        else:
            e = 1.0
        e *= env_d
        env_d *= k_decay
        left = last - n
        if left < r_n:
            e *= left / r_n
        ph = step * n
        if vibrato:
            ph += vibrato * sin(two_pi * 5.0 * n / RATE)
        v = 0.0
        for mult, ha in harmonics:
            v += ha * sin(ph * mult)
        buf[start + n] += amp * e * v / norm


def add_kick(buf, start_s, amp):
    start = int(round(start_s * RATE))
    length = min(int(0.24 * RATE), N_SAMPLES - start)
    phase = 0.0
    last = length - 1
    for n in range(length):
        t = n / RATE
        f = 42.0 + 80.0 * math.exp(-t / 0.035)
        phase += 2.0 * math.pi * f / RATE
        e = math.exp(-t / 0.07) * min(1.0, n / 40.0) * (last - n) / last
        buf[start + n] += amp * e * math.sin(phase)


def make_music():
    buf = [0.0] * N_SAMPLES
    # A minor: Am, F, Dm, E (the E major bar pulls back to Am at the loop).
    chords = [
        (57, [57, 60, 64]),     # Am
        (53, [53, 57, 60]),     # F
        (50, [50, 53, 57]),     # Dm
        (52, [52, 56, 59]),     # E
    ]
    arp_shape = [0, 1, 2, 3, 4, 3, 2, 1, 0, 2, 3, 5, 4, 2, 3, 1]
    bar_len = 4 * BEAT
    for bar, (root, triad) in enumerate(chords):
        t0 = bar * bar_len
        tones = triad + [n + 12 for n in triad]
        # Arpeggio in sixteenth notes, a soft bell-like voice.
        for k, idx in enumerate(arp_shape):
            note = tones[idx] + 12
            accent = 1.0 if k % 4 == 0 else 0.72
            add_note(buf, t0 + k * BEAT / 4, 0.42, midi_hz(note),
                     0.16 * accent, 0.004, 0.16, 0.03,
                     harmonics=((1, 1.0), (2, 0.25), (3, 0.08)))
        # Bass: eighth notes on the root with an octave lift.
        bass_shape = [0, 0, 12, 0, 0, 0, 12, 7]
        for k, off in enumerate(bass_shape):
            add_note(buf, t0 + k * BEAT / 2, 0.24, midi_hz(root - 24 + off),
                     0.30, 0.006, 0.25, 0.04,
                     harmonics=((1, 1.0), (2, 0.35), (3, 0.12)))
        # Pad: the triad held across the bar, fading in and out slowly.
        pad_len = bar_len + (0.25 if bar < 3 else 0.0)
        for n in triad:
            add_note(buf, t0, pad_len, midi_hz(n), 0.06, 0.35, 0.0, 0.45,
                     harmonics=((1, 1.0), (2, 0.15)), vibrato=0.02)
        # Soft kick on beats one and three.
        add_kick(buf, t0, 0.45)
        add_kick(buf, t0 + 2 * BEAT, 0.32)
    # A short answering phrase over the last two bars.
    melody = [(8, 76, 0.9), (9, 74, 0.4), (9.5, 72, 0.4), (10, 69, 1.4),
              (12, 71, 0.9), (13, 68, 0.45), (13.5, 71, 0.45), (14, 64, 1.9)]
    for beat, note, length in melody:
        add_note(buf, beat * BEAT, length * BEAT + 0.1, midi_hz(note), 0.10,
                 0.03, 0.8, 0.12, harmonics=((1, 1.0), (3, 0.12)),
                 vibrato=0.015)

    peak = max(abs(v) for v in buf) or 1.0
    scale = 0.5 * 32767.0 / peak
    samples = [int(round(v * scale)) for v in buf]
    data = struct.pack('<%dh' % N_SAMPLES, *samples)
    header = struct.pack('<4sI4s4sIHHIIHH4sI', b'RIFF', 36 + len(data),
                         b'WAVE', b'fmt ', 16, 1, 1, RATE, RATE * 2, 2, 16,
                         b'data', len(data))
    return header + data


# ---------------------------------------------------------------------------
# Icon
# ---------------------------------------------------------------------------

ICON_BORDER = (70, 60, 72)
TRAIL_RAMP = [(0.0, (150, 20, 6)), (0.45, (235, 90, 10)),
              (0.8, (255, 170, 30)), (1.0, (255, 230, 120))]


def icon_backdrop(k):
    return (18 + 70 * k, 14 + 10 * k, 26 - 4 * k)


def icon_paddle(lit):
    return (150 * lit + 30, 160 * lit + 30, 180 * lit + 36)


def _seg_dist(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)
    t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
    dx = px - (ax + vx * t)
    dy = py - (ay + vy * t)
    return math.sqrt(dx * dx + dy * dy), t


def icon_point(x, y):
    """Colour (r, g, b, a) of the icon picture at (x, y) in [0, 1]^2."""
    # Rounded-square backdrop.
    rad = 0.17
    qx = max(abs(x - 0.5) - (0.5 - rad), 0.0)
    qy = max(abs(y - 0.5) - (0.5 - rad), 0.0)
    if qx * qx + qy * qy > rad * rad:
        return (0.0, 0.0, 0.0, 0.0)
    # Dark backdrop with a faint lava glow along the bottom.
    glow = max(0.0, y - 0.55) / 0.45
    col = icon_backdrop(glow * glow)
    # Thin border.
    edge = math.sqrt(qx * qx + qy * qy) if (qx or qy) else \
        max(abs(x - 0.5), abs(y - 0.5)) - 0.5 + rad
    if edge > rad - 0.03:
        col = ICON_BORDER
    # Paddles.
    for (x0, x1, y0, y1) in ((0.12, 0.23, 0.17, 0.57), (0.77, 0.88, 0.47, 0.87)):
        if x0 <= x <= x1 and y0 <= y <= y1:
            return icon_paddle(1.0 - (x - x0) / (x1 - x0) * 0.45) + (255.0,)
    # Trail from the left paddle to the ball, tapering and heating up.
    bx, by, br = 0.56, 0.33, 0.125
    d, t = _seg_dist(x, y, 0.26, 0.68, bx, by)
    width = 0.02 + 0.085 * t
    if d < width:
        hot = t * (1.0 - 0.6 * d / width)
        col = ramp(TRAIL_RAMP, hot)
    # Ball.
    dx, dy = x - bx, y - by
    if dx * dx + dy * dy <= br * br:
        s = math.sqrt(dx * dx + dy * dy) / br
        v = 255 - 50 * s * s
        return (v, v, v - 6 * s, 255.0)
    return (col[0], col[1], col[2], 255.0)


def render_icon(size, ss=6):
    """RGBA rows (top-down) of the icon at size x size, supersampled."""
    rows = []
    inv = 1.0 / (size * ss)
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(ss):
                y = (py * ss + sy + 0.5) * inv
                for sx in range(ss):
                    x = (px * ss + sx + 0.5) * inv
                    cr, cg, cb, ca = icon_point(x, y)
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            if a > 0:
                row.append((r / a, g / a, b / a, a / (ss * ss)))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        rows.append(row)
    return rows


ICON16_PALETTE = [
    (0, 0, 0), (18, 14, 26), (40, 18, 26), (88, 24, 26),
    (70, 60, 72), (96, 104, 122), (140, 150, 170), (180, 190, 216),
    (150, 20, 6), (200, 50, 8), (235, 90, 10), (250, 140, 24),
    (255, 190, 50), (255, 230, 120), (214, 214, 214), (255, 255, 255),
]


def icon256_palette():
    pal = []
    levels = (0, 51, 102, 153, 204, 255)
    for r in levels:
        for g in levels:
            for b in levels:
                pal.append((r, g, b))
    # The spare entries hold the picture's own shades the cube lacks.
    extra = [icon_backdrop(k / 11.0) for k in range(12)]
    extra += [icon_paddle(0.55 + 0.45 * k / 7.0) for k in range(8)]
    extra += [ramp(TRAIL_RAMP, k / 11.0) for k in range(12)]
    extra += [ICON_BORDER]
    extra += [(v, v, v - 2) for v in (205, 218, 230, 242)]
    extra += [(30, 22, 34), (46, 24, 30), (120, 40, 24)]
    assert len(extra) == 40
    pal += [tuple(clamp8(c) for c in e) for e in extra]
    return pal


def nearest(pal, c, cache):
    key = (int(c[0]) >> 2, int(c[1]) >> 2, int(c[2]) >> 2)
    hit = cache.get(key)
    if hit is None:
        r, g, b = key[0] * 4 + 2, key[1] * 4 + 2, key[2] * 4 + 2
        best = 0
        bd = None
        for i, (pr, pg, pb) in enumerate(pal):
            d = 3 * (pr - r) ** 2 + 4 * (pg - g) ** 2 + 2 * (pb - b) ** 2
            if bd is None or d < bd:
                bd = d
                best = i
        cache[key] = hit = best
    return hit


def and_mask(rows, size):
    stride = ((size + 31) // 32) * 4
    out = []
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x >> 3] |= 0x80 >> (x & 7)
        out.append(bytes(bits))
    return b''.join(out)


def icon_image(rows, size, bpp):
    if bpp == 32:
        xor = b''.join(
            b''.join(bytes((clamp8(p[2]), clamp8(p[1]), clamp8(p[0]), clamp8(p[3])))
                     for p in row)
            for row in reversed(rows))
        palette = b''
    else:
        pal = ICON16_PALETTE if bpp == 4 else icon256_palette()
        cache = {}
        palette = b''.join(bytes((b, g, r, 0)) for r, g, b in pal)
        stride = ((size * bpp + 31) // 32) * 4
        lines = []
        for row in reversed(rows):
            idx = [0 if p[3] < 128 else nearest(pal, p, cache) for p in row]
            line = bytearray(stride)
            if bpp == 8:
                line[:size] = bytes(idx)
            else:
                for x, i in enumerate(idx):
                    line[x >> 1] |= i << (4 if x % 2 == 0 else 0)
            lines.append(bytes(line))
        xor = b''.join(lines)
    mask = and_mask(rows, size)
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    return info + palette + xor + mask


def make_icon():
    layout = [(32, 4), (16, 4), (48, 8), (32, 8), (16, 8),
              (48, 32), (32, 32), (16, 32)]
    pictures = {s: render_icon(s) for s in (16, 32, 48)}
    images = [icon_image(pictures[s], s, bpp) for s, bpp in layout]
    head = struct.pack('<HHH', 0, 1, len(layout))
    offset = 6 + 16 * len(layout)
    entries = []
    for (s, bpp), img in zip(layout, images):
        entries.append(struct.pack('<BBBBHHII', s % 256, s % 256,
                                   16 if bpp == 4 else 0, 0, 1, bpp,
                                   len(img), offset))
        offset += len(img)
    return head + b''.join(entries) + b''.join(images)


# ---------------------------------------------------------------------------

def main(argv):
    if len(argv) != 3:
        sys.stderr.write('usage: %s GAME_DIR ICON_PATH\n' % argv[0])
        return 2
    game_dir, icon_path = argv[1], argv[2]
    os.makedirs(game_dir, exist_ok=True)
    write_atomic(os.path.join(game_dir, 'barrier.bmp'), make_barrier())
    write_atomic(os.path.join(game_dir, 'particle_sheet.bmp'), make_particles())
    write_atomic(icon_path, make_icon())
    write_atomic(os.path.join(game_dir, 'Rovor.wav'), make_music())
    write_atomic(os.path.join(game_dir, 'lavawall.bmp'), make_lavawall())
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
