"""Long play: memory, drawing objects and crashes over twenty thousand frames."""

import statistics
import subprocess
import sys
import time

from .driver import GameTestCase
from .support import E2EError, wait_until


def resident_kilobytes(pid):
    with open('/proc/%d/status' % pid) as f:
        for line in f:
            if line.startswith('VmRSS:'):
                return int(line.split()[1])
    raise E2EError('no VmRSS for process %d' % pid)


class LongPlay(GameTestCase):
    FRAMES = 20000
    SIZES = [(800, 600), (1200, 700), (640, 320), (1000, 800), (500, 300), (1600, 1000)]

    def test_twenty_thousand_frames(self):
        game = self.start()
        sizes = [game.client_size()] + self.SIZES
        pid = game.process.pid
        with open('/proc/%d/cmdline' % pid, 'rb') as f:
            self.assertIn(b'Brellix.exe', f.read(), 'the started process is not the game itself')
        # Frames are counted from the frame rate, measured again and again: the
        # machine may be busy with other work at the start and idle later.
        frame_rate = self.measure_frame_rate(game)
        rates = [frame_rate]
        sys.stderr.write('LongPlay: about %.1f frames a second at the start\n' % frame_rate)
        game.key('ctrl+2')

        keys = [('Up', 'a'), ('Down', 'z'), ('Up', 'z'), ('Down', 'a')]
        held = []

        def release():
            for key in held:
                game.keyup(key)
            del held[:]
        self.addCleanup(lambda: game.process.poll() is None and release())

        start = time.monotonic()
        samples = []
        winners = 0
        step = 0
        size_index = 0
        next_resize = start
        frames = 0.0
        counted = start
        while frames < self.FRAMES and time.monotonic() - start < 900:
            self.assertIsNone(game.process.poll(), 'Brellix.exe ended during long play')
            now = time.monotonic()
            # The game paces itself to at most 62.5 frames a second.
            frames += min(frame_rate, 62.5) * (now - counted)
            counted = now
            if now >= next_resize:
                # Every few hundred frames (about five seconds) a new size; in
                # every other size large enough to play, the rate is measured again.
                size_index = (size_index + 1) % len(sizes)
                game.winctl('setclient', game.hwnd, *sizes[size_index])
                next_resize = now + 5
                width, height = sizes[size_index]
                if size_index % 2 == 0 and width >= 640 and height >= 320 and not game.popup('Winner!'):
                    measured = self.frame_rate_in_play(game)
                    if measured:
                        frame_rate = measured
                        rates.append(measured)
            samples.append((now - start, resident_kilobytes(pid)))
            if game.popup('Winner!'):
                game.answer('Winner!', 'y')
                winners += 1
            # Keys held alternately: each paddle goes up, then down.
            release()
            for key in keys[step % len(keys)]:
                game.keydown(key)
                held.append(key)
            step += 1
            time.sleep(0.4 + 0.3 * (step % 3))
        release()
        sys.stderr.write('LongPlay: played %.0f s, about %.0f frames; frame rates measured: %s\n'
                         % (time.monotonic() - start, frames, ' '.join('%.1f' % r for r in rates)))
        self.assertGreaterEqual(frames, self.FRAMES, 'fewer frames played than meant in 900 s')
        # Memory: the resident size swings with the window size (about 36 to 54 MB
        # here), so the middle value of a minute of samples is compared: the
        # minute after the first two rounds of sizes, when everything the game
        # needs has been allocated once, against the last minute.
        settled = 2 * 5 * len(sizes)
        early = [kb for t, kb in samples if settled <= t < settled + 60]
        late = [kb for t, kb in samples if t >= samples[-1][0] - 60]
        growth = statistics.median(late) - statistics.median(early)
        sys.stderr.write('LongPlay: %d winner prompts answered; resident kB early %d..%d (median %d), '
                         'late %d..%d (median %d)\n' % (winners, min(early), max(early), statistics.median(early),
                                                       min(late), max(late), statistics.median(late)))
        self.assertLess(growth, 6 * 1024, 'resident memory grew by %d kB' % growth)

        # Drawing objects: a frame that leaked some would have run out of them
        # long ago and would draw nothing more. The arena is still drawn and
        # the score still changes.
        game.winctl('setclient', game.hwnd, *sizes[0])
        wait_until('the first size', lambda: game.client_size() == sizes[0], 10)
        wait_until('the arena drawn', lambda: game.screenshot().arena_drawn(), 10)
        before = game.score_signature()
        game.keydown('Up')
        game.keydown('z')
        held.extend(['Up', 'z'])

        def changed():
            if game.popup('Winner!'):
                game.answer('Winner!', 'y')
            return game.score_signature() != before
        wait_until('the score to change', changed, 60, 0.2)
        release()
        game.check_answers()
        game.key('ctrl+x')
        self.assertEqual(game.exit_code(), 0)

    def frame_rate_in_play(self, game):
        """Frames a second from the ball in play, or None when it could not be
        followed: the ball always moves 15 pixels a frame across, so one run
        of screenshots in which it keeps its direction gives the rate. The
        client area is read once, so each reading is a single screenshot."""
        (_, _, _, _), (left, top, right, bottom) = game.rect()
        width, height = right - left, bottom - top
        readings = []
        deadline = time.monotonic() + 3
        while time.monotonic() < deadline:
            before = time.monotonic()
            data = subprocess.run(['import', '-window', 'root', '-crop', '%dx%d+%d+%d' % (width, height, left, top),
                                   '-depth', '8', 'rgb:-'], env=game.env, check=True, timeout=30,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE).stdout
            taken = (before + time.monotonic()) / 2
            # The first white pixel below the score and above the bottom barrier
            # is the ball's (sparks and lava are never pure white).
            at = data.find(b'\xff\xff\xff', 3 * width * 40, 3 * width * (height - 20))
            while at != -1 and at % 3:
                at = data.find(b'\xff\xff\xff', at + 1, 3 * width * (height - 20))
            if at == -1:
                continue
            x = (at // 3) % width
            if len(readings) >= 2 and (x - readings[-1][1]) * (readings[-1][1] - readings[-2][1]) <= 0:
                break  # turned by a paddle, or served again after a point
            readings.append((taken, x))
        if len(readings) < 3:
            return None
        (t0, x0), (t1, x1) = readings[0], readings[-1]
        rate = abs(x1 - x0) / 15 / (t1 - t0)
        # Faster than the pacing allows means the ball was lost in between
        # (served again, or another white spot): not a rate.
        return rate if rate < 70 else None

    def measure_frame_rate(self, game):
        """Frames a second, from the serve of a new match."""
        game.key('ctrl+n')
        return wait_until('the ball followed to measure the frame rate', lambda: self.frame_rate_in_play(game), 30, 0)
