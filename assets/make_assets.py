#!/usr/bin/env python3
"""Generate Brellix's data files: textures, spark colours, music and icon.

Usage: python3 assets/make_assets.py GAME_DIR ICON_PATH

Writes lavawall.bmp, barrier.bmp, particle_sheet.bmp and Rovor.wav into
GAME_DIR and the program icon to ICON_PATH.  Everything is synthesised here
from fixed seeds, so every run produces the same bytes.  Needs numpy
(Debian's python3-numpy) besides the Python standard library.  Each data file
has a module of its own beside this one.
"""

import os
import sys

# The build runs this from the source tree: leave no bytecode caches there.
sys.dont_write_bytecode = True

try:
    import numpy  # noqa: F401  (the lava wall and the noise need it)
except ImportError:
    sys.stderr.write('make_assets: needs numpy (Debian: python3-numpy, installed by scripts/setup)\n')
    sys.exit(1)

from barrier import make_barrier
from icon import make_icon
from lava_wall import make_lavawall
from music import make_music
from particle_sheet import make_particles


def write_atomic(path, data):
    """Write data to a temporary file beside path, then rename it over path."""
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    tmp = os.path.join(folder, '.%s.%d.tmp' % (os.path.basename(path), os.getpid()))
    try:
        with open(tmp, 'wb') as f:
            f.write(data)
        os.replace(tmp, path)
    except BaseException:
        try:
            os.unlink(tmp)
        except OSError:
            pass
        raise


def main(argv):
    if len(argv) != 3:
        sys.stderr.write('usage: %s GAME_DIR ICON_PATH\n' % argv[0])
        return 2
    game_dir, icon_path = argv[1], argv[2]
    os.makedirs(game_dir, exist_ok=True)
    write_atomic(os.path.join(game_dir, 'barrier.bmp'), make_barrier())
    write_atomic(os.path.join(game_dir, 'particle_sheet.bmp'), make_particles())
    write_atomic(icon_path, make_icon())
    write_atomic(os.path.join(game_dir, 'Rovor.wav'), make_music())
    write_atomic(os.path.join(game_dir, 'lavawall.bmp'), make_lavawall())
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
