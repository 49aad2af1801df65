"""24-bit BMP files, as the game loads them: bottom-up rows, no palette."""

import struct


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
