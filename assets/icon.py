"""brellix.ico: the program icon at 16, 32 and 48 pixels in 4, 8 and 32 bits."""

import math
import struct

from colours import clamp8, ramp


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
