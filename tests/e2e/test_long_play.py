"""Long play: frames, memory, drawing objects and crashes over twenty thousand
frames, counted by the game itself."""

import statistics
import sys
import time

from .driver import GameTestCase
from .support import BARRIER_HEIGHT, GUARD, E2EError, wait_until


def resident_kilobytes(pid):
    with open('/proc/%d/status' % pid) as f:
        for line in f:
            if line.startswith('VmRSS:'):
                return int(line.split()[1])
    raise E2EError('no VmRSS for process %d' % pid)


class FrameCounter:
    """Readings of the game's own count of frames drawn, each taken between
    the two times around it. The count keeps rising: a game that draws no
    frame for GUARD seconds, with no prompt holding its frame loop, is frozen.
    And it rises no faster than the pacing allows. A frame starts no sooner
    than 16 ms after the one before, by the game's millisecond tick, so n
    frames take at least 16 n - 1 ms: the frames that started between two
    readings fit into the time from the first one's start to the second one's
    end. A busy machine may slow the game, so nothing else is asked of the
    time: the wait for a frame is only a guard."""

    FRAME_SECONDS = 0.016

    def __init__(self, test, game):
        self.test = test
        self.game = game
        self.first = self.last = self.rose = self.reading()
        self.held = False

    def reading(self):
        before = time.monotonic()
        frames = self.game.frames_drawn()
        return before, time.monotonic(), frames

    @property
    def frames(self):
        return self.last[2]

    def prompt_answered(self):
        """A winner prompt held the frame loop since the last reading."""
        self.held = True

    def read(self):
        now = self.reading()
        if self.held or now[2] > self.last[2]:
            self.rose = now
        else:
            self.test.assertLess(now[1] - self.rose[0], GUARD, 'the game drew no frame in the %.1f s after frame '
                                 '%d: frozen' % (now[1] - self.rose[0], self.rose[2]))
        for since in (self.last, self.first):
            seconds = now[1] - since[0]
            most = seconds / self.FRAME_SECONDS + 2
            self.test.assertLessEqual(now[2] - since[2], most, '%d frames in %.2f s: faster than the pacing allows'
                                      % (now[2] - since[2], seconds))
        self.last = now
        self.held = False


class LongPlay(GameTestCase):
    FRAMES = 20000
    # A busy machine slows the game: it may play this long, which leaves time
    # for the checks after it within CTest's 1200 s for the entry.
    LONGEST = 1050
    SIZES = [(800, 600), (1200, 700), (640, 320), (1000, 800), (500, 300), (1600, 1000)]

    def test_twenty_thousand_frames(self):
        game = self.start()
        sizes = [game.client_size()] + self.SIZES
        pid = game.process.pid
        with open('/proc/%d/cmdline' % pid, 'rb') as f:
            self.assertIn(b'Brellix.exe', f.read(), 'the started process is not the game itself')
        # Two players: the left paddle answers to A now (the computer would
        # keep it on the level ball, in the middle).
        game.key('ctrl+2')
        game.keydown('a')
        try:
            wait_until('the left paddle at the top after Ctrl+2',
                       lambda: game.paddle_near('left', BARRIER_HEIGHT + 50))
        finally:
            game.keyup('a')

        keys = [('Up', 'a'), ('Down', 'z'), ('Up', 'z'), ('Down', 'a')]
        counter = FrameCounter(self, game)
        start = time.monotonic()
        samples = []
        winners = 0
        step = 0
        size_index = 0
        next_resize = start
        while counter.frames < self.FRAMES and time.monotonic() - start < self.LONGEST:
            self.assertIsNone(game.process.poll(), 'Brellix.exe ended during long play')
            now = time.monotonic()
            if now >= next_resize:
                # Every few hundred frames (about five seconds) a new size.
                size_index = (size_index + 1) % len(sizes)
                game.winctl('setclient', game.hwnd, *sizes[size_index])
                next_resize = now + 5
            samples.append((now - start, resident_kilobytes(pid)))
            if game.popup('Winner!'):
                game.answer('Winner!', 'y')
                counter.prompt_answered()
                winners += 1
            counter.read()
            # Keys held alternately: each paddle goes up, then down.
            game.release_keys()
            for key in keys[step % len(keys)]:
                game.keydown(key)
            step += 1
            time.sleep(0.4 + 0.3 * (step % 3))
        game.release_keys()
        played = time.monotonic() - start
        sys.stderr.write('LongPlay: played %.0f s, %.1f frames a second\n'
                         % (played, (counter.frames - counter.first[2]) / played))
        sys.stderr.write('frames drawn: %d\n' % counter.frames)
        self.assertGreaterEqual(counter.frames, self.FRAMES, 'fewer frames drawn than meant in %d s' % self.LONGEST)
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
        # the score still changes. A winning point may open its prompt at any
        # moment; the game draws no frame while it asks, so it is answered.
        def answering_winner(check):
            def answered_then_check():
                if game.popup('Winner!'):
                    game.answer('Winner!', 'y')
                return check()
            return answered_then_check
        game.winctl('setclient', game.hwnd, *sizes[0])
        wait_until('the first size', lambda: game.client_size() == sizes[0])
        wait_until('the arena drawn', answering_winner(lambda: game.screenshot().arena_drawn()))
        before = game.score_signature()
        game.keydown('Up')
        game.keydown('z')
        wait_until('the score to change', answering_winner(lambda: game.score_signature() != before), interval=0.2)
        game.release_keys()
        game.check_answers()
        self.assertEqual(game.exit_by_command(), 0)
