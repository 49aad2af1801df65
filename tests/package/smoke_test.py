#!/usr/bin/env python3
"""Smoke test of the release zip: what a player downloads, unpacked into a
fresh temporary folder and started from there under Wine.

Checks that the zip holds exactly one folder with the program, its data files,
README.txt and LICENSE.txt (the text files with CR LF line ends); that
Brellix.exe, started in the unpacked folder, opens its window titled
"Rovor.wav" and draws the arena (barrier rows along the top and bottom); and
that Ctrl+X ends it with exit code 0 and no exception swallowed by Wine. Two
marks of a reproducible build are checked on the way: the program's link time
stamp is zero and it holds no name of the source folder.

CTest runs it from tests/package/CMakeLists.txt inside scripts/test, which
provides the Wine prefix, a running wineserver and an X display. By hand:

    export WINEPREFIX=$PWD/build/wineprefix WINEDLLOVERRIDES=mscoree,mshtml=
    xvfb-run -a python3 tests/package/smoke_test.py \\
        --zip build/zip/Brellix-1.0-win32.zip --winctl build/tests/e2e/winctl.exe --source .
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

SHIPPED = ('Brellix.exe', 'lavawall.bmp', 'barrier.bmp', 'particle_sheet.bmp', 'Rovor.wav',
           'README.txt', 'LICENSE.txt')
EXCEPTION_PATTERN = re.compile(r'ignoring exception|Unhandled exception|err:seh', re.IGNORECASE)


class SmokeError(Exception):
    pass


def wait_until(what, condition, timeout, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise SmokeError('timed out after %.0f s waiting for %s' % (timeout, what))
        time.sleep(interval)


def check_contents(zip_path):
    """The zip's entries, exactly; returns the name of its one folder."""
    folder = os.path.basename(zip_path)[:-len('-win32.zip')] + '/'
    with zipfile.ZipFile(zip_path) as archive:
        names = sorted(archive.namelist())
        expected = sorted([folder] + [folder + name for name in SHIPPED])
        if names != expected:
            raise SmokeError('the zip holds %s, expected %s' % (names, expected))
        for name in ('README.txt', 'LICENSE.txt'):
            text = archive.read(folder + name)
            if b'\n' not in text or text.count(b'\n') != text.count(b'\r\n'):
                raise SmokeError('%s does not have CR LF line ends throughout' % name)
    return folder


def check_reproducible(exe_path, source):
    """A build on another day or in another folder must give the same bytes."""
    with open(exe_path, 'rb') as f:
        exe = f.read()
    header = struct.unpack_from('<I', exe, 0x3C)[0]
    if exe[header:header + 4] != b'PE\0\0':
        raise SmokeError('Brellix.exe is not a PE file')
    stamp = struct.unpack_from('<I', exe, header + 8)[0]
    if stamp != 0:
        raise SmokeError('Brellix.exe carries a link time stamp (%#x)' % stamp)
    if os.path.abspath(source).encode() in exe:
        raise SmokeError('Brellix.exe holds the source folder %s' % source)


class Game:
    def __init__(self, folder, winctl):
        self.folder = folder
        self.winctl_path = winctl
        self.env = dict(os.environ, WINEDEBUG='-all')
        before = set(self.find_windows())
        # Output to files: Wine's helper processes inherit it and would hold a pipe open.
        self.stdout = open(os.path.join(folder, '..', 'stdout.txt'), 'wb')
        self.stderr = open(os.path.join(folder, '..', 'stderr.txt'), 'wb')
        self.process = subprocess.Popen(['wine', 'Brellix.exe'], cwd=folder,
                                        env=dict(self.env, WINEDEBUG='-all,err+seh'),
                                        stdin=subprocess.DEVNULL, stdout=self.stdout, stderr=self.stderr)

        def new_window():
            if self.process.poll() is not None:
                raise SmokeError('Brellix.exe ended at start with exit code %s' % self.process.returncode)
            return next((hwnd for hwnd in self.find_windows() if hwnd not in before), None)
        self.hwnd = wait_until('the main window', new_window, 60, 0.05)

    def winctl(self, *args):
        with tempfile.TemporaryFile() as out:
            result = subprocess.run(['wine', self.winctl_path] + list(args), env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL, timeout=60)
            out.seek(0)
            return result.returncode, out.read().decode('latin-1')

    def find_windows(self):
        found = {}
        for line in self.winctl('find', 'BRELLIX')[1].splitlines():
            hwnd, _, title = line.partition(' ')
            found[hwnd] = title
        return found

    def title(self):
        return self.winctl('title', self.hwnd)[1].rstrip('\r\n')

    def arena_drawn(self):
        """True when a screenshot of the client area shows the bluish grey
        barrier rows along its top and bottom edges (lava is red and yellow)."""
        words = self.winctl('rect', self.hwnd)[1].split()
        left, top, right, bottom = (int(w) for w in words[words.index('client') + 1:][:4])
        width, height = right - left, bottom - top
        if width < 20 or height < 20:
            return False
        ppm = subprocess.run(['import', '-window', 'root', '-crop', '%dx%d+%d+%d' % (width, height, left, top),
                              '-depth', '8', '-compress', 'none', 'ppm:-'], env=self.env, check=True, timeout=60,
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE).stdout
        values = [int(v) for v in ppm.split()[4:]]

        def barrier_fraction(y):
            xs = range(0, width, 4)
            hits = 0
            for x in xs:
                r, g, b = values[(y * width + x) * 3:(y * width + x) * 3 + 3]
                hits += b > r + 3
            return hits / len(xs)
        return barrier_fraction(5) > 0.9 and barrier_fraction(height - 5) > 0.9

    def finish(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(30)
        self.stdout.close()
        self.stderr.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--zip', required=True, help='the release zip')
    parser.add_argument('--winctl', required=True, help='winctl.exe, our Win32 helper')
    parser.add_argument('--source', required=True, help='the source tree the zip was built from')
    args = parser.parse_args()
    if not os.environ.get('DISPLAY') or not os.environ.get('WINEPREFIX'):
        sys.exit('smoke_test: DISPLAY and WINEPREFIX must be set')

    started = time.monotonic()
    unpacked = tempfile.mkdtemp(prefix='brellix-package-')
    game = None
    try:
        folder = check_contents(args.zip)
        with zipfile.ZipFile(args.zip) as archive:
            archive.extractall(unpacked)
        check_reproducible(os.path.join(unpacked, folder, 'Brellix.exe'), args.source)
        game = Game(os.path.join(unpacked, folder), os.path.abspath(args.winctl))
        title = game.title()
        if title != 'Rovor.wav':
            raise SmokeError('the window title is %r, expected Rovor.wav' % title)
        wait_until('a frame that shows the arena', game.arena_drawn, 15, 0.2)
        subprocess.run(['xdotool', 'key', 'ctrl+x'], env=game.env, check=True, timeout=30,
                       stdin=subprocess.DEVNULL)
        try:
            code = game.process.wait(30)
        except subprocess.TimeoutExpired:
            raise SmokeError('Brellix.exe did not end within 30 s of Ctrl+X')
        if code != 0:
            raise SmokeError('Brellix.exe ended with exit code %d' % code)
        game.finish()
        with open(os.path.join(unpacked, 'stderr.txt'), 'rb') as f:
            bad = [line for line in f.read().decode('latin-1').splitlines() if EXCEPTION_PATTERN.search(line)]
        if bad:
            raise SmokeError('the game hit exceptions:\n' + '\n'.join(bad[:10]))
    except SmokeError as error:
        print('smoke_test: FAILED: %s' % error)
        return 1
    finally:
        if game:
            game.finish()
        shutil.rmtree(unpacked, ignore_errors=True)
    print('smoke_test: %s unpacked, started, showed the arena and ended with 0 in %.1f s'
          % (os.path.basename(args.zip), time.monotonic() - started))
    return 0


if __name__ == '__main__':
    sys.exit(main())
