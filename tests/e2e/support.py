"""What every part of the driver and every area shares: the failure every
check raises, bounded waits, the game's constants, and the files a case writes
for the game to read (saved games above all)."""

import os
import time

GAME_FILES = ('Brellix.exe', 'lavawall.bmp', 'barrier.bmp', 'particle_sheet.bmp', 'Rovor.wav')
MAIN_CLASS = 'BRELLIX'
BARRIER_HEIGHT = 20      # height of our barrier.bmp: the barrier rows and the paddles' limits
PADDLE_INSET = 100       # each paddle's distance from its side of the client area


# How long any wait for the game may take before the case fails. Every wait
# is for the event it checks (a window, a frame count, a file, a picture);
# this is only a guard against a fault, far beyond what a busy machine needs.
GUARD = 120


class E2EError(AssertionError):
    pass


def wait_until(what, condition, timeout=GUARD, interval=0.1):
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
    """A saved game's bytes, as the game writes them."""
    return ('%d\r\n%d\r\n%d\r\n%d\r\n' % (left, right, cheat, computer)).encode()


def write_file(folder, name, contents):
    """Writes bytes (a saved game, or anything else) to folder/name; returns its path."""
    path = os.path.join(folder, name)
    with open(path, 'wb') as f:
        f.write(contents)
    return path


def read_bytes(path):
    try:
        with open(path, 'rb') as f:
            return f.read()
    except OSError:
        return None
