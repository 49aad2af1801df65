"""Drives the real Brellix.exe under Wine from outside, the way a player meets
it: starts it from a fresh temporary copy of the game folder, presses keys with
xdotool, types into the file dialogs, clicks, reads titles, dialogs and message
boxes through winctl.exe (our Win32 helper), takes screenshots, waits with
bounded polls, and checks the exit code and that Wine swallowed no exception.

Usable from any test script: give Game (or GameTestCase) the game folder and
the path of winctl.exe; the X display and Wine prefix come from the
environment (DISPLAY, WINEPREFIX) or from start_display and copy_wine_prefix.

    from e2e import driver
    game = driver.Game(test, game_dir, winctl)
    game.key('ctrl+x')
    test.assertEqual(game.exit_code(), 0)
"""

import os
import re
import select
import shutil
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
    """One run of Brellix.exe from a fresh copy of the game folder `game_dir`,
    ended (and its folder removed unless `keep`) when `test` cleans up.
    `prepare(folder)` may change the copy before the game starts; `display`
    and `prefix` replace DISPLAY and WINEPREFIX for this run. `in_place`
    starts the game in `game_dir` itself (a folder the caller made and
    removes), as a player starts it where the release was unpacked."""

    def __init__(self, test, game_dir, winctl, prepare=None, display=None, prefix=None, keep=False,
                 in_place=False):
        self.test = test
        self.winctl_exe = winctl
        self.keep = keep
        self.in_place = in_place
        if in_place:
            self.folder = game_dir
        else:
            self.folder = tempfile.mkdtemp(prefix='brellix-e2e-')
            for name in GAME_FILES:
                shutil.copy(os.path.join(game_dir, name), self.folder)
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
            result = subprocess.run(['wine', self.winctl_exe] + [str(a) for a in args], env=self.env,
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
        """Presses an accelerator and waits for the window it opens. On a busy
        machine the game's window may not hold the X focus yet when the keys
        come, and they are lost: after half the time it is brought to the
        front and the keys are pressed once more."""
        self.key(keys)
        try:
            return self.wait_popup(title, timeout / 2)
        except E2EError:
            self.winctl('foreground', self.hwnd)
            self.key(keys)
            return self.wait_popup(title, timeout / 2)

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
            if self.keep:
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
        if self.keep:
            sys.stderr.write('game folder kept: %s\n' % self.folder)
        elif not self.in_place:
            shutil.rmtree(self.folder, ignore_errors=True)
        bad = [line for line in errors.splitlines() if EXCEPTION_PATTERN.search(line)]
        if bad:
            raise E2EError('the game hit exceptions:\n' + '\n'.join(bad[:10]))


class GameTestCase(unittest.TestCase):
    """A case that starts games; the runner sets where the game and winctl are."""
    game_dir = None
    winctl = None
    keep = False

    def start(self, prepare=None, **kwargs):
        return Game(self, self.game_dir, self.winctl, prepare, keep=self.keep, **kwargs)

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


def start_display(width, height):
    """Starts an Xvfb of width x height on a display number it picks itself (so
    runs side by side never meet). Returns the display name and a function
    that ends it."""
    readable, writable = os.pipe()
    log = tempfile.TemporaryFile()
    server = subprocess.Popen(['Xvfb', '-displayfd', str(writable), '-screen', '0', '%dx%dx24' % (width, height),
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
        stop()
        raise E2EError('Xvfb did not start')
    return ':' + number.strip().decode(), stop


def copy_wine_prefix(source):
    """A copy of the Wine prefix `source` that gets a Wine server of its own.
    Returns its path and a function that ends its server and removes it.

    Every program of one Wine server shares its desktop, whose size is the
    first display's, and sees the others' windows: runs that must not meet, or
    a game on a display of another size, each need a server of their own. The
    system files are hard links (Wine never writes
    them); the registry and everything else are copied."""
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
    return target, remove

