"""Colour arithmetic shared by the generated pictures: 8-bit clamping and
piecewise-linear colour ramps."""


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
