#!/usr/bin/env python3
"""End-to-end tests of Brellix: the real Brellix.exe under Wine, driven from
outside the way a player meets it.

Every case starts the game from a fresh temporary copy of the game folder (some
cases remove or damage files in that copy), presses keys with xdotool, types
into the file dialogs, clicks the close box, reads titles, dialogs and message
boxes through winctl.exe (our Win32 helper), looks at screenshots, and checks
the files written and the exit code. Waits are bounded polls. A case fails when
the game's stderr shows an exception that Wine swallowed ("ignoring exception").

CTest runs it from tests/e2e/CMakeLists.txt inside scripts/test, which provides
the Wine prefix, a running wineserver and an X display of 1920x1200.

Running one case by hand (the build in /tmp/build-me, made by scripts/test once
so that its Wine prefix exists):

    export WINEPREFIX=/tmp/build-me/wineprefix WINEDLLOVERRIDES=mscoree,mshtml=
    xvfb-run -a -s "-screen 0 1920x1200x24" python3 tests/e2e/run_e2e.py \\
        --game /tmp/build-me/game --winctl /tmp/build-me/tests/e2e/winctl.exe \\
        -k test_point_prompt_cancel_and_save_as --keep -v
    wineserver -k     # ends the Wine server of that prefix afterwards

-k takes a part of a case name (several -k are allowed); --only CLASS runs one
group; --skip-long leaves out LongPlay; --keep keeps each case's temporary game
folder (with the game's stdout.txt and stderr.txt, and last.ppm, a screenshot
taken just before a game still running at the end of its case is stopped).
"""

import argparse
import os
import random
import re
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import unittest

GAME_FILES = ('Brellix.exe', 'lavawall.bmp', 'barrier.bmp', 'particle_sheet.bmp', 'Rovor.wav')
MAIN_CLASS = 'BRELLIX'
BARRIER_HEIGHT = 20      # height of our barrier.bmp: the barrier rows and the paddles' limits
PADDLE_INSET = 100       # each paddle's distance from its side of the client area
EXCEPTION_PATTERN = re.compile(r'ignoring exception|Unhandled exception|err:seh', re.IGNORECASE)

OPTIONS = argparse.Namespace(game=None, winctl=None, keep=False)


class E2EError(AssertionError):
    pass


def wait_until(what, condition, timeout, interval=0.1):
    """Polls condition() until it returns something true; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise E2EError('timed out after %.0f s waiting for %s' % (timeout, what))
        time.sleep(interval)


def windows_path(path):
    """The Z: drive path under which Wine programs see a Linux path."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def saved_game(left, right, cheat, computer):
    return ('%d\r\n%d\r\n%d\r\n%d\r\n' % (left, right, cheat, computer)).encode()


def read_bytes(path):
    try:
        with open(path, 'rb') as f:
            return f.read()
    except OSError:
        return None


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


class Game:
    """One run of Brellix.exe from a fresh copy of the game folder."""

    def __init__(self, test, prepare=None, display=None, prefix=None):
        self.test = test
        self.folder = tempfile.mkdtemp(prefix='brellix-e2e-')
        for name in GAME_FILES:
            shutil.copy(os.path.join(OPTIONS.game, name), self.folder)
        if prepare:
            prepare(self.folder)
        self.env = dict(os.environ)
        if display:
            self.env['DISPLAY'] = display
        if prefix:
            self.env['WINEPREFIX'] = prefix
        self.env['WINEDEBUG'] = '-all'
        before = set(self.find_windows())
        game_env = dict(self.env, WINEDEBUG='-all,err+seh')
        # The game's output goes to files: Wine's helper processes inherit it and
        # would keep a pipe open long after the game has ended.
        self.stdout = open(os.path.join(self.folder, 'stdout.txt'), 'wb')
        self.stderr = open(os.path.join(self.folder, 'stderr.txt'), 'wb')
        self.process = subprocess.Popen(['wine', 'Brellix.exe'], cwd=self.folder, env=game_env,
                                        stdin=subprocess.DEVNULL, stdout=self.stdout, stderr=self.stderr)
        test.addCleanup(self.finish)

        def new_window():
            if self.process.poll() is not None:
                raise E2EError('Brellix.exe ended at start with exit code %s' % self.process.returncode)
            for hwnd, title in self.find_windows().items():
                if hwnd not in before:
                    return hwnd
            return None
        self.hwnd = wait_until('the main window', new_window, 60, 0.05)

    # --- Win32 side, through winctl.exe -----------------------------------

    def winctl(self, *args, check=True):
        with tempfile.TemporaryFile() as out:
            result = subprocess.run(['wine', OPTIONS.winctl] + [str(a) for a in args], env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                                    timeout=60)
            out.seek(0)
            text = out.read().decode('latin-1')
        if check and result.returncode != 0:
            raise E2EError('winctl %s failed (%d): %s' % (' '.join(map(str, args)), result.returncode, text))
        return result.returncode, text

    def find_windows(self):
        code, text = self.winctl('find', MAIN_CLASS, check=False)
        found = {}
        for line in text.splitlines():
            hwnd, _, title = line.partition(' ')
            found[hwnd] = title
        return found

    def title(self):
        return self.winctl('title', self.hwnd)[1].rstrip('\r\n')

    def window_exists(self):
        return self.winctl('exists', self.hwnd, check=False)[0] == 0

    def popups(self):
        """Other visible top-level windows of the game: [(hwnd, class, title)]."""
        if not self.window_exists():
            return []
        found = []
        for line in self.winctl('popups', self.hwnd, check=False)[1].splitlines():
            hwnd, _, rest = line.partition(' ')
            cls, _, title = rest.partition('|')
            found.append((hwnd, cls, title))
        return found

    def popup(self, title):
        for hwnd, cls, found in self.popups():
            if found == title:
                return hwnd
        return None

    def wait_popup(self, title, timeout=20):
        return wait_until('a window titled %r' % title, lambda: self.popup(title), timeout)

    def wait_popup_gone(self, title, timeout=20):
        wait_until('the window %r to close' % title, lambda: self.popup(title) is None, timeout)

    def controls(self, hwnd):
        """Child windows of a dialog: {id: [(class, text, enabled)]}."""
        found = {}
        for line in self.winctl('controls', hwnd)[1].splitlines():
            parts = line.split(' ', 2)
            if len(parts) < 3:
                continue
            cls, text, flags = parts[2].split('|')
            found.setdefault(int(parts[1]), []).append((cls, text, flags.split()[0] == '1'))
        return found

    def buttons(self, hwnd):
        """Identifiers of a dialog's visible buttons, in order."""
        found = []
        for line in self.winctl('controls', hwnd)[1].splitlines():
            parts = line.split(' ', 2)
            if len(parts) == 3 and parts[2].startswith('Button|') and parts[2].endswith(' 1'):
                found.append(int(parts[1]))
        return sorted(found)

    def control_text(self, hwnd, control_id):
        return self.controls(hwnd)[control_id][0][1]

    def message_text(self, hwnd):
        """The text of a message box (its static with the id 0xFFFF)."""
        texts = [text for cls, text, enabled in self.controls(hwnd).get(65535, []) if text]
        return ' '.join(texts)

    def rect(self):
        """(window rect, client rect) in screen pixels, each (left, top, right, bottom)."""
        numbers = self.winctl('rect', self.hwnd)[1].split()
        values = [int(n) for n in numbers if n not in ('window', 'client')]
        return tuple(values[:4]), tuple(values[4:])

    def client_size(self):
        left, top, right, bottom = self.rect()[1]
        return right - left, bottom - top

    def state(self):
        words = self.winctl('state', self.hwnd)[1].split()
        return dict(zip(words[0::2], (int(w) for w in words[1::2])))

    # --- X side: keys, mouse and screenshots --------------------------------

    def xdotool(self, *args):
        subprocess.run(['xdotool'] + list(args), env=self.env, check=True, timeout=30,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)

    def key(self, *keys):
        self.xdotool('key', '--delay', '40', *keys)

    def keydown(self, key):
        self.xdotool('keydown', key)

    def keyup(self, key):
        self.xdotool('keyup', key)

    def type_text(self, text):
        self.xdotool('type', '--delay', '15', '--', text)

    def click(self, x, y):
        self.xdotool('mousemove', str(x), str(y), 'click', '1')

    def screenshot(self):
        left, top, right, bottom = self.rect()[1]
        width, height = right - left, bottom - top
        if width <= 0 or height <= 0:
            return Picture(0, 0, b'')
        data = subprocess.run(['import', '-window', 'root', '-crop', '%dx%d+%d+%d' % (width, height, left, top),
                               '-depth', '8', 'ppm:-'], env=self.env, check=True, timeout=60, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE).stdout
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
        return wait_until('a readable score', stable, 20, 0.05)

    def wait_score_change(self, old, timeout):
        def changed():
            signature = self.score_signature()
            return signature if signature != old else None
        return wait_until('the score to change', changed, timeout, 0.05)

    # --- Actions a player takes ------------------------------------------

    def command(self, keys, title, timeout=20):
        """Presses an accelerator and waits for the window it opens."""
        self.key(keys)
        return self.wait_popup(title, timeout)

    def choose_file(self, dialog_title, path):
        """Types a full path into an open file dialog and presses Enter."""
        self.wait_popup(dialog_title)
        self.key('Home', 'shift+End')
        self.type_text(windows_path(path))
        self.key('Return')

    def answer(self, title, keys='Return'):
        hwnd = self.wait_popup(title)
        text = self.message_text(hwnd)
        self.key(keys)
        self.wait_popup_gone(title)
        return text

    def save_as(self, path, keys='ctrl+a'):
        self.key(keys)
        self.choose_file('Save As', path)
        self.wait_popup_gone('Save As')

    def open_file(self, path):
        self.key('ctrl+o')
        self.choose_file('Open', path)
        self.wait_popup_gone('Open')

    def check_answers(self):
        """The game is alive and takes a command: About opens and closes."""
        self.test.assertTrue(self.window_exists(), 'the main window is gone')
        self.test.assertIsNone(self.process.poll(), 'Brellix.exe has ended')
        self.key('alt+slash')
        try:
            hwnd = self.wait_popup('About', 10)
        except E2EError:
            # A winning point may have opened its prompt just then, and the
            # prompt took the keys: answer it and ask again.
            if not self.popup('Winner!'):
                raise
            self.answer('Winner!', 'y')
            self.key('alt+slash')
            hwnd = self.wait_popup('About')
        self.test.assertIn('Brellix Version 1.0', [t for c, t, e in self.controls(hwnd).get(65535, [])])
        self.key('Return')
        self.wait_popup_gone('About')

    def run_frames(self, seconds, answer_winner=True):
        """Lets the game play for a while, answering Yes to any winner prompt;
        returns how many it answered."""
        answered = 0
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.test.assertIsNone(self.process.poll(), 'Brellix.exe ended while playing')
            if answer_winner and self.popup('Winner!'):
                self.answer('Winner!', 'y')
                answered += 1
            time.sleep(0.3)
        return answered

    def exit_code(self, timeout=30):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EError('Brellix.exe did not end within %d s' % timeout)

    def stderr_text(self):
        with open(os.path.join(self.folder, 'stderr.txt'), 'rb') as f:
            return f.read().decode('latin-1')

    def finish(self):
        """Ends the game if it still runs, then checks for swallowed exceptions."""
        if self.process.poll() is None:
            if OPTIONS.keep:
                try:
                    self.screenshot().save(os.path.join(self.folder, 'last.ppm'))
                    sys.stderr.write('popups at the end: %s\n' % self.popups())
                except Exception:
                    pass
            self.process.kill()
            self.process.wait(30)
        self.stdout.close()
        self.stderr.close()
        errors = self.stderr_text()
        if OPTIONS.keep:
            sys.stderr.write('game folder kept: %s\n' % self.folder)
        else:
            shutil.rmtree(self.folder, ignore_errors=True)
        bad = [line for line in errors.splitlines() if EXCEPTION_PATTERN.search(line)]
        if bad:
            raise E2EError('the game hit exceptions:\n' + '\n'.join(bad[:10]))


class GameTestCase(unittest.TestCase):
    def start(self, prepare=None, **kwargs):
        return Game(self, prepare, **kwargs)

    def point_for_left(self, game):
        """Scores one point for the left player from a fresh match: the right
        paddle moves up out of the way, a new match is served to the computer,
        which returns it level, and the ball passes the right paddle. Returns
        the score text's signature at 0 to 0."""
        zero = game.score_signature()
        game.keydown('Up')
        self.addCleanup(lambda: game.process.poll() is None and game.keyup('Up'))
        # New serves the ball to the left from the centre, so the held key has
        # long moved the right paddle away when the ball comes back. About,
        # pressed after it, shows that New is done (and answers New's question
        # should a point have come first).
        game.key('ctrl+n', 'alt+slash')

        def after_new():
            if game.popup('New'):
                game.answer('New', 'n')
            return game.popup('About')
        wait_until('New to finish', after_new, 20)
        game.answer('About')
        self.assertEqual(game.score_signature(), zero, 'New did not show 0 to 0')
        game.wait_score_change(zero, 30)
        game.keyup('Up')
        return zero


# ---------------------------------------------------------------------------
# What a player sees and does
# ---------------------------------------------------------------------------

class StartUp(GameTestCase):
    def test_title_is_the_music_file_and_class_is_brellix(self):
        game = self.start()
        # The window was found by its class, BRELLIX.
        self.assertEqual(game.title(), 'Rovor.wav')
        game.key('ctrl+x')
        self.assertEqual(game.exit_code(), 0)

    def test_title_without_music_is_brellix(self):
        game = self.start(lambda folder: os.remove(os.path.join(folder, 'Rovor.wav')))
        self.assertEqual(game.title(), 'Brellix')
        game.check_answers()

    def test_menu_at_start_vector_inert_save_opens_save_as(self):
        game = self.start()
        # Vector is grayed at start, so Ctrl+V does nothing; Ctrl+S pressed after
        # it shows that the keys arrive and that Ctrl+V has been handled by then.
        game.key('ctrl+v', 'ctrl+s')
        game.wait_popup('Save As')
        titles = [title for hwnd, cls, title in game.popups()]
        self.assertNotIn('Vector Edit', titles)
        game.key('Escape')
        game.wait_popup_gone('Save As')
        game.check_answers()

    def test_about_by_alt_slash_and_background_editor_values(self):
        game = self.start()
        game.check_answers()
        dialog = game.command('ctrl+e', 'Background Editor')
        self.assertEqual([game.control_text(dialog, i) for i in (1000, 1001, 1002)], ['16', '16', '6'])
        game.key('Escape')
        game.wait_popup_gone('Background Editor')


class Play(GameTestCase):
    def test_point_prompt_cancel_and_save_as(self):
        game = self.start()
        zero = self.point_for_left(game)
        # The point changed the match: New asks first, and Cancel keeps it.
        game.key('ctrl+n')
        hwnd = game.wait_popup('New')
        self.assertEqual(game.message_text(hwnd), 'Do You want to save?')
        self.assertEqual(game.buttons(hwnd), [2, 6, 7])
        game.key('Escape')
        game.wait_popup_gone('New')
        self.assertNotEqual(game.score_signature(), zero)
        # The match has no file yet, so Save asks for one.
        target = os.path.join(game.folder, 'point.sav')
        game.save_as(target, keys='ctrl+s')
        wait_until('the saved game', lambda: read_bytes(target) == saved_game(1, 0, 0, 1), 10)

    def test_open_then_save_as_reproduces_the_file(self):
        game = self.start()
        zero = game.score_signature()
        crafted = os.path.join(game.folder, 'crafted.sav')
        with open(crafted, 'wb') as f:
            f.write(saved_game(3, 7, 0, 1))
        game.open_file(crafted)
        game.wait_score_change(zero, 10)
        copy = os.path.join(game.folder, 'copy.sav')
        game.save_as(copy)
        wait_until('the copy', lambda: read_bytes(copy) == saved_game(3, 7, 0, 1), 10)
        # A file written by hand on one line: Save after Open writes back to it,
        # in the program's own form, without a dialog.
        loose = os.path.join(game.folder, 'loose.sav')
        with open(loose, 'wb') as f:
            f.write(b'  4 6\n1 1')
        game.open_file(loose)
        game.key('ctrl+s')
        wait_until('the rewritten file', lambda: read_bytes(loose) == saved_game(4, 6, 1, 1), 10)
        self.assertEqual(game.popups(), [])
        game.check_answers()

    def winner_from_nine_points(self, game):
        nine = os.path.join(game.folder, 'nine.sav')
        with open(nine, 'wb') as f:
            f.write(saved_game(9, 0, 0, 1))
        game.open_file(nine)
        game.keydown('Up')
        self.addCleanup(lambda: game.process.poll() is None and game.keyup('Up'))
        hwnd = game.wait_popup('Winner!', 30)
        game.keyup('Up')
        text = game.message_text(hwnd)
        self.assertIn('Player 1 wins!', text)
        self.assertIn('Continue?', text)
        self.assertEqual(game.buttons(hwnd), [6, 7])
        return nine

    def test_winner_yes_starts_a_new_match(self):
        game = self.start()
        zero = game.score_signature()
        nine = self.winner_from_nine_points(game)
        game.answer('Winner!', 'y')
        self.assertEqual(game.score_signature(), zero)
        # Save goes back to the opened file: the new match stands at 0 to 0.
        game.key('ctrl+s')
        wait_until('the saved new match', lambda: read_bytes(nine) == saved_game(0, 0, 0, 1), 10)
        game.check_answers()

    def test_winner_no_ends_the_program(self):
        game = self.start()
        self.winner_from_nine_points(game)
        game.key('n')
        self.assertEqual(game.exit_code(), 0)

    def test_cheat_mode_grays_save_and_opens_vector_edit(self):
        game = self.start()
        game.key('ctrl+alt+c')
        # Save and Save As are grayed: their keys do nothing. Vector Edit,
        # pressed last, shows that all of them have been handled.
        game.key('ctrl+s', 'ctrl+a', 'ctrl+v')
        dialog = game.wait_popup('Vector Edit')
        titles = [title for hwnd, cls, title in game.popups()]
        self.assertNotIn('Save As', titles)
        self.assertIn(game.control_text(dialog, 1003), ('15', '-15'))
        self.assertEqual(game.control_text(dialog, 1004), '0')
        game.key('Escape')
        game.wait_popup_gone('Vector Edit')
        game.check_answers()

    def test_two_player_a_and_z_move_the_left_paddle(self):
        game = self.start()
        width, height = game.client_size()
        top = BARRIER_HEIGHT + 50
        bottom = height - BARRIER_HEIGHT - 50

        def left_paddle_near(row):
            centre = game.screenshot().paddle_centre('left')
            return centre is not None and abs(centre - row) <= 3
        game.keydown('a')
        self.addCleanup(lambda: game.process.poll() is None and game.keyup('a'))
        # Against the computer A does nothing: the computer keeps the paddle on
        # the level ball, in the middle.
        game.run_frames(1)
        self.assertTrue(left_paddle_near(height // 2), 'the left paddle left the middle')
        # A let go first: held under Ctrl, its repeats would be Ctrl+A, Save As.
        game.keyup('a')
        game.key('ctrl+2')
        game.keydown('a')
        wait_until('the left paddle at the top', lambda: left_paddle_near(top), 15)
        game.keyup('a')
        game.keydown('z')
        self.addCleanup(lambda: game.process.poll() is None and game.keyup('z'))
        wait_until('the left paddle at the bottom', lambda: left_paddle_near(bottom), 15)
        game.keyup('z')
        # Back to the computer: it brings the paddle back towards the ball.
        game.key('ctrl+2')
        wait_until('the computer to move the paddle', lambda: not left_paddle_near(bottom), 15)

    def test_ctrl_x_ends_with_exit_code_0(self):
        game = self.start()
        game.key('ctrl+x')
        self.assertEqual(game.exit_code(), 0)

    def test_close_box_ends_with_exit_code_0(self):
        game = self.start()
        # Without a window manager Wine draws the caption itself; winctl finds
        # the close button by asking the window (WM_NCHITTEST), and we click it.
        x, y = map(int, game.winctl('closebox', game.hwnd)[1].split())
        game.click(x, y)
        self.assertEqual(game.exit_code(), 0)


# ---------------------------------------------------------------------------
# Bad input and hostile surroundings: the program keeps running and answering
# ---------------------------------------------------------------------------

def not_a_saved_game(path):
    return '"%s" is not a saved game.' % windows_path(path)


def could_not_save(path):
    return 'The match could not be saved to "%s".' % windows_path(path)


def leftovers(folder):
    """Temporary files a failed save left behind."""
    return [name for name in os.listdir(folder) if name.lower().endswith('.tmp')]


class SavedGameFiles(GameTestCase):
    def check_saves_elsewhere(self, game, expected=saved_game(0, 0, 0, 1)):
        """After a failed save the match is still there and can be saved."""
        elsewhere = os.path.join(game.folder, 'elsewhere.sav')
        game.save_as(elsewhere)
        wait_until('the save elsewhere', lambda: read_bytes(elsewhere) == expected, 10)

    BAD_FILES = [
        ('empty.sav', b''),
        ('garbage.sav', b'hello world\r\nthis is no saved game\r\n'),
        ('noise.sav', b'\xff' + bytes(random.Random(7).randrange(256) for _ in range(4096))),
        ('huge.sav', b'99999999999999999999\r\n0\r\n0\r\n1\r\n'),
        ('just_over.sav', b'2147483648\r\n0\r\n0\r\n1\r\n'),
        ('flag_two.sav', b'1\r\n2\r\n2\r\n1\r\n'),
        ('flag_minus.sav', b'1\r\n2\r\n0\r\n-1\r\n'),
        ('two_lines.sav', b'1\r\n2\r\n'),
        ('million_digits.sav', b'7' * (1 << 20)),
    ]

    def test_bad_files_are_refused_and_nothing_is_lost(self):
        game = self.start()
        good = os.path.join(game.folder, 'good.sav')
        with open(good, 'wb') as f:
            f.write(saved_game(3, 7, 0, 1))
        game.open_file(good)
        shown = game.score_signature()
        for name, contents in self.BAD_FILES:
            with self.subTest(file=name):
                path = os.path.join(game.folder, name)
                with open(path, 'wb') as f:
                    f.write(contents)
                game.key('ctrl+o')
                game.choose_file('Open', path)
                text = game.answer('Brellix')
                self.assertEqual(text, not_a_saved_game(path))
                game.wait_popup_gone('Open')
                self.assertEqual(game.score_signature(), shown)
        # The refused files changed nothing: the match of good.sav is saved whole
        # (and, its file forgotten, Save asks for a name).
        copy = os.path.join(game.folder, 'after.sav')
        game.save_as(copy, keys='ctrl+s')
        wait_until('the saved match', lambda: read_bytes(copy) == saved_game(3, 7, 0, 1), 10)
        game.check_answers()

    def test_negative_scores_are_kept(self):
        game = self.start()
        negative = os.path.join(game.folder, 'negative.sav')
        with open(negative, 'wb') as f:
            f.write(saved_game(-5, -2, 0, 1))
        game.open_file(negative)
        self.assertEqual(game.popups(), [])
        game.run_frames(2)
        copy = os.path.join(game.folder, 'copy.sav')
        game.save_as(copy)
        wait_until('the copy', lambda: read_bytes(copy) == saved_game(-5, -2, 0, 1), 10)
        game.check_answers()

    def test_extreme_scores_win_at_once(self):
        game = self.start()
        zero = game.score_signature()
        extreme = os.path.join(game.folder, 'extreme.sav')
        with open(extreme, 'wb') as f:
            f.write(b'2147483647\r\n-2147483648\r\n0\r\n1\r\n')
        game.open_file(extreme)
        text = game.answer('Winner!', 'y')
        self.assertIn('Player 1 wins!', text)
        self.assertEqual(game.score_signature(), zero)
        game.check_answers()

    def test_folder_typed_into_open_is_entered_not_opened(self):
        game = self.start()
        folder = os.path.join(game.folder, 'folder.sav')
        os.mkdir(folder)
        with open(os.path.join(folder, 'inside.sav'), 'wb') as f:
            f.write(saved_game(1, 1, 0, 1))
        game.key('ctrl+o')
        game.choose_file('Open', folder)
        # The dialog goes into the folder ("Look in" shows it) and stays open:
        # the program never gets a folder to load.
        dialog = game.wait_popup('Open')
        wait_until('the dialog to enter the folder',
                   lambda: game.control_text(dialog, 1137) == 'folder.sav', 10)
        self.assertIsNone(game.popup('Brellix'))
        game.key('Escape')
        game.wait_popup_gone('Open')
        game.check_answers()

    def test_save_to_missing_folder_is_reported(self):
        game = self.start()
        target = os.path.join(game.folder, 'missing', 'match.sav')
        game.key('ctrl+a')
        game.choose_file('Save As', target)
        self.assertEqual(game.answer('Brellix'), could_not_save(target))
        game.wait_popup_gone('Save As')
        self.assertFalse(os.path.exists(os.path.dirname(target)))
        self.assertEqual(leftovers(game.folder), [])
        self.check_saves_elsewhere(game)
        game.check_answers()

    def test_save_over_read_only_file_is_refused(self):
        game = self.start()
        target = os.path.join(game.folder, 'protected.sav')
        with open(target, 'wb') as f:
            f.write(saved_game(5, 5, 0, 1))
        os.chmod(target, 0o444)
        game.key('ctrl+a')
        game.choose_file('Save As', target)
        # The dialog asks before replacing an existing file.
        game.answer('Error', 'y')
        wait_until('a message or a changed file',
                   lambda: game.popup('Brellix') or read_bytes(target) != saved_game(5, 5, 0, 1), 20)
        self.assertEqual(read_bytes(target), saved_game(5, 5, 0, 1), 'the read-only file was replaced')
        self.assertEqual(game.answer('Brellix'), could_not_save(target))
        self.assertEqual(leftovers(game.folder), [])
        self.check_saves_elsewhere(game)
        game.check_answers()

    def test_save_onto_a_folder_is_reported(self):
        game = self.start()
        target = os.path.join(game.folder, 'match.sav')
        game.save_as(target)
        wait_until('the first save', lambda: read_bytes(target) == saved_game(0, 0, 0, 1), 10)
        # Someone puts a folder where the file was; Save goes to the same path.
        os.remove(target)
        os.mkdir(target)
        game.key('ctrl+s')
        self.assertEqual(game.answer('Brellix'), could_not_save(target))
        self.assertTrue(os.path.isdir(target))
        self.assertEqual(leftovers(game.folder), [])
        self.check_saves_elsewhere(game)
        game.check_answers()


class DialogInput(GameTestCase):
    def fill(self, game, keys, title, values):
        """Opens an editor, puts each value into its box in order, presses OK."""
        game.command(keys, title)
        # OK has the focus when the editor opens; Tab passes Cancel, and each
        # box selects its whole text when Tab enters it.
        game.key('Tab')
        for value in values:
            game.key('Tab')
            if value:
                game.type_text(value)
            else:
                game.key('BackSpace')
        game.key('Return')
        game.wait_popup_gone(title)

    def read_back(self, game, keys, title, ids):
        dialog = game.command(keys, title)
        values = [game.control_text(dialog, i) for i in ids]
        game.key('Escape')
        game.wait_popup_gone(title)
        return values

    def test_extreme_and_bad_values_then_play_on(self):
        game = self.start()
        wave = ('ctrl+e', 'Background Editor', (1000, 1001, 1002))
        vector = ('ctrl+v', 'Vector Edit', (1003, 1004))
        rows = [
            (['2147483647', '-2147483648', '2147483647'], ['2147483647', '-2147483648', '2147483647']),
            (['-2147483648', '2147483647', '-2147483648'], ['-2147483648', '2147483647', '-2147483648']),
            # No number stores 0; the platform reads the leading digits of 12x as 12.
            (['abc', 'x', 'Z!'], ['0', '0', '0']),
            (['', '', ''], ['0', '0', '0']),
            (['12x', ' 7', '-0'], ['12', '7', '0']),
        ]
        for typed, shown in rows:
            with self.subTest(dialog='Background Editor', values=typed):
                self.fill(game, *wave[:2], typed)
                game.run_frames(1)
                self.assertEqual(self.read_back(game, *wave), shown)
        game.key('ctrl+alt+c')
        for typed in (['2147483647', '-2147483648'], ['-2147483648', '2147483647']):
            with self.subTest(dialog='Vector Edit', values=typed):
                self.fill(game, *vector[:2], typed)
                # A point comes every frame at such a speed, each side in turn,
                # so the match ends within twenty frames; Yes serves a new one
                # at the usual speed.
                self.assertIn('wins!', game.answer('Winner!', 'y'))
                game.run_frames(1)
        # A still ball keeps its velocity as stored, so it reads back.
        for typed in (['xyz', 'q'], ['', '']):
            with self.subTest(dialog='Vector Edit', values=typed):
                self.fill(game, *vector[:2], typed)
                game.run_frames(1)
                self.assertEqual(self.read_back(game, *vector), ['0', '0'])
        # Out of range stores 0. This comes last: Wine's GetDlgItemInt tests
        # errno without clearing it, so after one number out of range exactly
        # 2147483647 and -2147483648 read as 0 for the rest of the run.
        self.fill(game, *wave[:2], ['99999999999', '2147483648', '-2147483649'])
        self.assertEqual(self.read_back(game, *wave), ['0', '0', '0'])
        self.fill(game, *wave[:2], ['2147483646', '2147483646', '-2147483647'])
        self.assertEqual(self.read_back(game, *wave), ['2147483646', '2147483646', '-2147483647'])
        # Straight up and down as fast as can be: no point can end this.
        self.fill(game, *vector[:2], ['0', '-2147483647'])
        # A thousand frames or more with these values (the game draws 44 to 62
        # frames a second here).
        game.run_frames(23, answer_winner=False)
        self.assertIsNone(game.popup('Winner!'))
        self.assertTrue(game.screenshot().arena_drawn())
        game.check_answers()
        game.key('ctrl+x')
        self.assertEqual(game.exit_code(), 0)


class DataFiles(GameTestCase):
    def check_plays_on(self, game):
        game.run_frames(1)
        # New serves a ball even when the setup stopped early, and the frames
        # keep coming.
        game.key('ctrl+n')
        game.run_frames(1)
        first = game.screenshot()
        wait_until('the picture to move', lambda: game.screenshot().data != first.data, 10)
        game.check_answers()
        game.key('ctrl+x')
        self.assertEqual(game.exit_code(), 0)

    def test_each_bitmap_missing(self):
        for name in ('lavawall.bmp', 'barrier.bmp', 'particle_sheet.bmp'):
            with self.subTest(missing=name):
                game = self.start(lambda folder: os.remove(os.path.join(folder, name)))
                self.assertEqual(game.title(), 'Rovor.wav')
                self.check_plays_on(game)

    def test_damaged_barrier_bitmap(self):
        def truncate(folder):
            path = os.path.join(folder, 'barrier.bmp')
            data = read_bytes(path)
            with open(path, 'wb') as f:
                f.write(data[:len(data) // 3])

        def replace_with_text(folder):
            with open(os.path.join(folder, 'barrier.bmp'), 'w') as f:
                f.write('this is not a bitmap\n' * 50)
        for damage in (truncate, replace_with_text):
            with self.subTest(damage=damage.__name__):
                self.check_plays_on(self.start(damage))

    def test_zero_byte_music_file(self):
        game = self.start(lambda folder: open(os.path.join(folder, 'Rovor.wav'), 'wb').close())
        # The file opens, so its name is the title; nothing can be heard.
        self.assertEqual(game.title(), 'Rovor.wav')
        self.check_plays_on(game)

    def test_text_file_chosen_as_music(self):
        game = self.start()
        notes = os.path.join(game.folder, 'notes.wav')
        with open(notes, 'w') as f:
            f.write('la la la\n')
        game.key('ctrl+w')
        game.choose_file('Open', notes)
        text = game.answer('Open Wave File')
        self.assertEqual(text, '"%s" cannot be played as background music.' % windows_path(notes))
        self.assertEqual(game.title(), 'notes.wav')
        # A real wave file afterwards plays without a word.
        theme = os.path.join(game.folder, 'theme.wav')
        shutil.copy(os.path.join(game.folder, 'Rovor.wav'), theme)
        game.key('ctrl+w')
        game.choose_file('Open', theme)
        game.wait_popup_gone('Open')
        wait_until('the new title', lambda: game.title() == 'theme.wav', 10)
        self.assertIsNone(game.popup('Open Wave File'))
        game.check_answers()


class WindowSizes(GameTestCase):
    def test_tiny_small_and_back(self):
        game = self.start()
        width, height = game.client_size()
        # The smallest window the platform allows: its client area is empty.
        game.winctl('setwindow', game.hwnd, 1, 1)
        wait_until('the tiny window', lambda: game.rect()[0][2] - game.rect()[0][0] < 200, 10)
        game.run_frames(1)
        game.check_answers()
        # Too small to play: the scene stands still but is still drawn.
        game.winctl('setclient', game.hwnd, 300, 200)
        wait_until('the 300 x 200 client', lambda: game.client_size() == (300, 200), 10)
        wait_until('the small frame drawn', lambda: game.screenshot().arena_drawn(), 10)
        game.winctl('setclient', game.hwnd, width, height)
        wait_until('the old size', lambda: game.client_size() == (width, height), 10)
        wait_until('the arena drawn again', lambda: game.screenshot().arena_drawn(), 10)
        first = game.screenshot()
        wait_until('the game to move', lambda: game.screenshot().data != first.data, 10)
        game.check_answers()

    def test_minimise_and_restore(self):
        game = self.start()
        size = game.client_size()
        game.winctl('show', game.hwnd, 'min')
        wait_until('the window minimised', lambda: game.state()['iconic'] == 1, 10)
        game.run_frames(2)
        game.winctl('show', game.hwnd, 'restore')
        wait_until('the window restored', lambda: game.state()['iconic'] == 0 and game.client_size() == size, 10)
        wait_until('the arena drawn again', lambda: game.screenshot().arena_drawn(), 10)
        game.check_answers()

    def test_maximised_on_a_3840_by_2160_screen(self):
        display, server = start_big_display(self)
        prefix = copy_wine_prefix(self)
        game = self.start(display=display, prefix=prefix)
        game.winctl('show', game.hwnd, 'max')
        wait_until('the window maximised', lambda: game.state()['zoomed'] == 1, 20)
        wait_until('the client area to fill the screen', lambda: game.client_size()[0] == 3840, 20)
        width, height = game.client_size()
        self.assertGreater(height, 2000)
        picture = wait_until('the big frame drawn', lambda: (lambda p: p if p.arena_drawn() else None)(
            game.screenshot()), 20)
        self.assertTrue(picture.score_signature(), 'no score text at the middle of the window')
        self.assertIsNotNone(picture.paddle_centre('right'))
        game.check_answers()
        game.key('ctrl+x')
        self.assertEqual(game.exit_code(), 0)


def start_big_display(test):
    """Starts an Xvfb of 3840x2160 on a display number it picks itself (so runs
    side by side never meet); ends it after the case."""
    readable, writable = os.pipe()
    log = tempfile.TemporaryFile()
    server = subprocess.Popen(['Xvfb', '-displayfd', str(writable), '-screen', '0', '3840x2160x24',
                               '-nolisten', 'tcp'], stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                              pass_fds=(writable,))
    os.close(writable)

    def stop():
        server.terminate()
        try:
            server.wait(10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait(10)
        log.close()
    test.addCleanup(stop)
    # Xvfb writes the number once it listens; the pipe ends if it fails.
    number = b''
    deadline = time.monotonic() + 30
    while not number.endswith(b'\n') and time.monotonic() < deadline:
        if not select.select([readable], [], [], max(0.0, deadline - time.monotonic()))[0]:
            break
        chunk = os.read(readable, 16)
        if not chunk:
            break
        number += chunk
    os.close(readable)
    if not number.strip().isdigit():
        raise E2EError('Xvfb for the big screen did not start')
    return ':' + number.strip().decode(), server


def copy_wine_prefix(test):
    """A copy of the build's Wine prefix with a Wine server of its own.

    Every program of one Wine server shares its desktop, whose size is the
    first display's; a game on the big display needs a server of its own to
    see a 3840x2160 screen. The system files are hard links (Wine never writes
    them); the registry and everything else are copied."""
    source = os.environ['WINEPREFIX']
    target = tempfile.mkdtemp(prefix='brellix-e2e-prefix-')
    for name in os.listdir(source):
        path = os.path.join(source, name)
        if name == 'drive_c':
            os.mkdir(os.path.join(target, name))
            for inner in os.listdir(path):
                copy = shutil.copytree if inner != 'windows' else \
                    lambda s, d, symlinks: shutil.copytree(s, d, symlinks=symlinks, copy_function=os.link)
                if os.path.isdir(os.path.join(path, inner)):
                    copy(os.path.join(path, inner), os.path.join(target, name, inner), symlinks=True)
                else:
                    shutil.copy2(os.path.join(path, inner), os.path.join(target, name, inner))
        elif os.path.isdir(path) and not os.path.islink(path):
            shutil.copytree(path, os.path.join(target, name), symlinks=True)
        else:
            shutil.copy2(path, os.path.join(target, name), follow_symlinks=False)

    def remove():
        # This server is ours: it was started for the copy alone.
        subprocess.run(['wineserver', '-k'], env=dict(os.environ, WINEPREFIX=target), timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(['wineserver', '-w'], env=dict(os.environ, WINEPREFIX=target), timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(target, ignore_errors=True)
    test.addCleanup(remove)
    return target


# ---------------------------------------------------------------------------
# Long play: memory, drawing objects and crashes over twenty thousand frames
# ---------------------------------------------------------------------------

def resident_kilobytes(pid):
    with open('/proc/%d/status' % pid) as f:
        for line in f:
            if line.startswith('VmRSS:'):
                return int(line.split()[1])
    raise E2EError('no VmRSS for process %d' % pid)


class LongPlay(GameTestCase):
    FRAMES = 20000
    # Client sizes taken in turn after the starting one; 500 x 300 is too
    # small to play, so the game stands still there.
    SIZES = [(800, 600), (1200, 700), (640, 320), (1000, 800), (500, 300), (1600, 1000)]

    def test_twenty_thousand_frames(self):
        game = self.start()
        sizes = [game.client_size()] + self.SIZES
        pid = game.process.pid
        with open('/proc/%d/cmdline' % pid, 'rb') as f:
            self.assertIn(b'Brellix.exe', f.read(), 'the started process is not the game itself')
        frame_rate = self.measure_frame_rate(game)
        # The game paces itself to at most 62.5 frames a second.
        seconds = min(self.FRAMES / min(frame_rate, 62.5), 900)
        sys.stderr.write('LongPlay: about %.1f frames a second; playing %.0f s\n' % (frame_rate, seconds))
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
        while time.monotonic() - start < seconds:
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
                winners += 1
            # Keys held alternately: each paddle goes up, then down.
            release()
            for key in keys[step % len(keys)]:
                game.keydown(key)
                held.append(key)
            step += 1
            time.sleep(0.4 + 0.3 * (step % 3))
        release()
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

    def measure_frame_rate(self, game):
        """Frames a second, from the ball of a new match: it moves 15 pixels a
        frame, level, from the centre to the left paddle."""
        game.key('ctrl+n')
        width, height = game.client_size()
        row = height // 2
        readings = []
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            before = time.monotonic()
            picture = game.screenshot()
            taken = (before + time.monotonic()) / 2
            xs = [x for x in range(PADDLE_INSET + 20, width - PADDLE_INSET - 20)
                  if picture.pixel(x, row) == (255, 255, 255)]
            if not xs:
                continue
            x = (min(xs) + max(xs)) / 2
            if readings and x > readings[-1][1]:
                if len(readings) >= 3:
                    break       # the computer has sent it back
                readings = []   # still before the new serve
            readings.append((taken, x))
        if len(readings) < 3:
            raise E2EError('could not follow the ball to measure the frame rate')
        (t0, x0), (t1, x1) = readings[0], readings[-1]
        return (x0 - x1) / 15 / (t1 - t0)


class TimedResult(unittest.TextTestResult):
    """Names each case with the seconds it took."""

    def startTest(self, test):
        self.started = time.monotonic()
        super().startTest(test)

    def stopTest(self, test):
        super().stopTest(test)
        self.stream.writeln('    (%s: %.1f s)' % (test.id().split('.')[-1], time.monotonic() - self.started))
        self.stream.flush()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--game', required=True, help='the game folder (Brellix.exe and its data files)')
    parser.add_argument('--winctl', required=True, help='winctl.exe, our Win32 helper')
    parser.add_argument('--skip-long', action='store_true', help='leave out LongPlay')
    parser.add_argument('--only', action='append', help='run only this group (class name)')
    parser.add_argument('-k', action='append', dest='patterns', help='run only cases whose name contains this')
    parser.add_argument('--keep', action='store_true', help='keep the temporary game folders')
    parser.add_argument('-v', action='store_true', help='(cases are always named as they run)')
    args = parser.parse_args()
    OPTIONS.game = os.path.abspath(args.game)
    OPTIONS.winctl = os.path.abspath(args.winctl)
    OPTIONS.keep = args.keep
    for tool in ('wine', 'xdotool', 'import'):
        if shutil.which(tool) is None:
            sys.exit('run_e2e: %s is missing' % tool)
    if not os.environ.get('DISPLAY') or not os.environ.get('WINEPREFIX'):
        sys.exit('run_e2e: DISPLAY and WINEPREFIX must be set')

    groups = [StartUp, Play, SavedGameFiles, DialogInput, DataFiles, WindowSizes, LongPlay]
    if args.only:
        groups = [g for g in groups if g.__name__ in args.only]
    if args.skip_long:
        groups = [g for g in groups if g is not LongPlay]
    loader = unittest.TestLoader()
    if args.patterns:
        loader.testNamePatterns = ['*%s*' % p for p in args.patterns]
    suite = unittest.TestSuite(loader.loadTestsFromTestCase(g) for g in groups)
    started = time.monotonic()
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout, resultclass=TimedResult).run(suite)
    print('e2e: %d cases in %.0f s' % (result.testsRun, time.monotonic() - started))
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == '__main__':
    main()
