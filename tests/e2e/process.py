"""The game's process and its windows: Brellix.exe started under Wine from a
fresh copy of the game folder, its windows found and measured through
winctl.exe (our Win32 helper), its exit code, and what Wine wrote while it ran.
Also the X display and Wine prefix that a run keeps to itself."""

import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

from .support import GAME_FILES, GUARD, MAIN_CLASS, E2EError, wait_until

# What Wine reports of the game: an exception it ignored or that ended the
# game (err+seh), a double free or a bad pointer given to the heap (the heap
# checker, warn+heap). The game runs with these channels added to WINEDEBUG.
CHECKED_CHANNELS = 'err+seh,err+heap,warn+heap'
EXCEPTION_PATTERN = re.compile(r'ignoring exception|Unhandled exception|err:seh', re.IGNORECASE)
HEAP_PATTERN = re.compile(r'(warn|err):heap:')
# With no sound card the sound driver writes its complaints at every start.
SOUND_NOISE = 'ALSA lib '


class GameProcess:
    """One run of Brellix.exe from a fresh copy of the game folder `game_dir`,
    ended (and its folder removed unless `keep`) when `test` cleans up.
    `prepare(folder)` may change the copy before the game starts; `display`
    and `prefix` replace DISPLAY and WINEPREFIX for this run. `in_place`
    starts the game in `game_dir` itself (a folder the caller made and
    removes), as a player starts it where the release was unpacked.
    `start_in` starts it by its full path from that other folder, as a
    command prompt or a shortcut with another working folder does."""

    def __init__(self, test, game_dir, winctl, prepare=None, display=None, prefix=None, keep=False,
                 in_place=False, start_in=None):
        self.test = test
        self.winctl_exe = winctl
        self.keep = keep
        self.in_place = in_place
        self.held = []  # keys held down, let go at the end (keys.py)
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
        before = set(self.find_windows())
        game_env = dict(self.env, WINEDEBUG=','.join(filter(None, [self.env.get('WINEDEBUG'), CHECKED_CHANNELS])))
        # The game's output goes to files: Wine's helper processes inherit it and
        # would keep a pipe open long after the game has ended.
        self.stdout = open(os.path.join(self.folder, 'stdout.txt'), 'wb')
        self.stderr = open(os.path.join(self.folder, 'stderr.txt'), 'wb')
        program = os.path.join(self.folder, 'Brellix.exe') if start_in else 'Brellix.exe'
        self.process = subprocess.Popen(['wine', program], cwd=start_in or self.folder, env=game_env,
                                        stdin=subprocess.DEVNULL, stdout=self.stdout, stderr=self.stderr)
        test.addCleanup(self.finish)

        def new_window():
            if self.process.poll() is not None:
                raise E2EError('Brellix.exe ended at start with exit code %s' % self.process.returncode)
            for hwnd, title in self.find_windows().items():
                if hwnd not in before:
                    return hwnd
            return None
        self.hwnd = wait_until('the main window', new_window, interval=0.05)
        self.wait_ready()

    def winctl(self, *args, check=True):
        with tempfile.TemporaryFile() as out:
            result = subprocess.run(['wine', self.winctl_exe] + [str(a) for a in args], env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                                    timeout=GUARD)
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


    def frames_drawn(self):
        """Frames the game has drawn since it was set up, as it counts them."""
        return int(self.winctl('frames', self.hwnd)[1])

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

    def exit_code(self, timeout=GUARD):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EError('Brellix.exe did not end within %d s' % timeout)

    def stderr_text(self):
        with open(os.path.join(self.folder, 'stderr.txt'), 'rb') as f:
            return f.read().decode('latin-1')

    def finish(self):
        """Ends the game if it still runs, lets go of the keys it held (the
        display may serve the next case), then checks what Wine wrote for
        swallowed exceptions and heap reports."""
        if self.process.poll() is None:
            if self.keep:
                try:
                    self.screenshot().save(os.path.join(self.folder, 'last.ppm'))
                    sys.stderr.write('popups at the end: %s\n' % self.popups())
                except Exception:
                    pass
            self.process.kill()
            self.process.wait(30)
        self.release_keys()
        self.stdout.close()
        self.stderr.close()
        errors = self.stderr_text()
        if self.keep:
            sys.stderr.write('game folder kept: %s\n' % self.folder)
        elif not self.in_place:
            shutil.rmtree(self.folder, ignore_errors=True)
        lines = [line for line in errors.splitlines() if not line.startswith(SOUND_NOISE)]
        for pattern, what in ((EXCEPTION_PATTERN, 'the game hit exceptions'),
                              (HEAP_PATTERN, 'the heap checker reported')):
            bad = [line for line in lines if pattern.search(line)]
            if bad:
                raise E2EError(what + ':\n' + '\n'.join(bad[:10]))


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
    deadline = time.monotonic() + GUARD
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

