"""Pictures: screenshots of the game's client area and what the cases read
from them (the barrier rows, the paddles, the score text)."""

import subprocess

from .support import BARRIER_HEIGHT, GUARD, PADDLE_INSET, E2EError, wait_until


class Picture:
    """RGB pixels of a screenshot of a client area."""

    def __init__(self, width, height, data):
        self.width = width
        self.height = height
        self.data = data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.data[i], self.data[i + 1], self.data[i + 2]

    @staticmethod
    def is_barrier(rgb):
        # The barrier tiles are bluish grey; lava, sparks, ball and text are not.
        r, g, b = rgb
        return b > r + 3

    def row_fraction(self, y, test, step=4):
        xs = range(0, self.width, step)
        return sum(1 for x in xs if test(self.pixel(x, y))) / len(xs)

    def score_signature(self):
        """The white pixels of the score text ("L to R", drawn at half the width,
        16 pixels down), relative to where the text starts. Nothing else in the
        arena is pure white except the ball, which never comes up there while
        it moves level."""
        x0 = self.width // 2
        pixels = []
        for y in range(8, min(44, self.height)):
            for x in range(max(0, x0 - 2), min(self.width, x0 + 160)):
                if self.pixel(x, y) == (255, 255, 255):
                    pixels.append((x - x0, y))
        return frozenset(pixels)

    def paddle_centre(self, side):
        """Centre row of a paddle, from the barrier-coloured pixels in its columns."""
        left = PADDLE_INSET if side == 'left' else self.width - PADDLE_INSET - 20
        rows = []
        for y in range(BARRIER_HEIGHT, self.height - BARRIER_HEIGHT):
            hits = sum(1 for x in (left + 3, left + 10, left + 16) if self.is_barrier(self.pixel(x, y)))
            if hits >= 2:
                rows.append(y)
        if len(rows) < 40:
            return None
        return (min(rows) + max(rows)) / 2

    def arena_drawn(self):
        """True when the barrier rows run along the top and bottom edges."""
        top = self.row_fraction(5, self.is_barrier)
        bottom = self.row_fraction(self.height - 5, self.is_barrier)
        return top > 0.9 and bottom > 0.9

    def save(self, path):
        with open(path, 'wb') as f:
            f.write(b'P6\n%d %d\n255\n' % (self.width, self.height) + self.data)



class Pictures:
    def screenshot(self):
        left, top, right, bottom = self.rect()[1]
        width, height = right - left, bottom - top
        if width <= 0 or height <= 0:
            return Picture(0, 0, b'')
        data = subprocess.run(['import', '-window', 'root', '-crop', '%dx%d+%d+%d' % (width, height, left, top),
                               '-depth', '8', 'ppm:-'], env=self.env, check=True, timeout=GUARD,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE).stdout
        # P6 header: magic, width, height, maximum, each followed by white space.
        fields = []
        position = 0
        while len(fields) < 4:
            while data[position:position + 1].isspace():
                position += 1
            end = position
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[position:end])
            position = end
        position += 1
        width, height = int(fields[1]), int(fields[2])
        if fields[0] != b'P6' or fields[3] != b'255':
            raise E2EError('unexpected screenshot format %r' % fields)
        return Picture(width, height, data[position:position + width * height * 3])

    def score_signature(self):
        """The score text's white pixels once two screenshots in a row agree."""
        def stable():
            first = self.screenshot().score_signature()
            second = self.screenshot().score_signature()
            return first if first and first == second else None
        return wait_until('a readable score', stable, interval=0.05)

    def wait_score_change(self, old):
        def changed():
            signature = self.score_signature()
            return signature if signature != old else None
        return wait_until('the score to change', changed, interval=0.05)


    def paddle_near(self, side, row):
        """True when a screenshot shows the paddle of `side` centred within 3 pixels of `row`."""
        centre = self.screenshot().paddle_centre(side)
        return centre is not None and abs(centre - row) <= 3
