"""barrier.bmp: the steel tile of the barrier rows and the paddles."""

from bmp import bmp24, rgb_rows_to_bgr
from colours import clamp8
from noise import hash32


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
