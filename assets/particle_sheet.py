"""particle_sheet.bmp: the sixteen spark colours, one pixel each."""

from bmp import bmp24, rgb_rows_to_bgr
from colours import clamp8, ramp


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
