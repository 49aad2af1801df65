#!/usr/bin/env python3
"""Assemble the release zip of Brellix from a build's game folder.

Usage: make_zip.py --version V --game GAME_DIR --source SOURCE_DIR --out ZIP

The zip holds one folder, Brellix-V/, with the program, its four data files, a
player's README.txt and LICENSE.txt (both with CR LF line ends, for Windows
editors). The bytes depend only on the inputs: entries are written in a fixed
order with a fixed date, fixed attributes and fixed compression, so two builds
of the same sources give the same zip.
"""

import argparse
import os
import zipfile

# What ships, in the order it is stored. Text files are (name in the zip, file
# under the source folder); the others come from the game folder as they are.
GAME_FILES = ('Brellix.exe', 'lavawall.bmp', 'barrier.bmp', 'particle_sheet.bmp', 'Rovor.wav')
TEXT_FILES = (('README.txt', 'packaging/README.txt'), ('LICENSE.txt', 'LICENSE'))

# The earliest date a zip can hold: says plainly that it is not a real time.
FIXED_DATE = (1980, 1, 1, 0, 0, 0)
FILE_MODE = 0o100644      # regular file, rw-r--r--
FOLDER_MODE = 0o040755    # directory, rwxr-xr-x
MSDOS_DIRECTORY = 0x10


def crlf(text):
    return text.replace('\r\n', '\n').replace('\n', '\r\n')


def entry(name, mode, extra_attributes=0):
    info = zipfile.ZipInfo(name, date_time=FIXED_DATE)
    info.create_system = 3            # Unix, so the modes below are read
    info.external_attr = (mode << 16) | extra_attributes
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def make_zip(version, game, source, out):
    folder = 'Brellix-%s/' % version
    contents = []
    for name in GAME_FILES:
        with open(os.path.join(game, name), 'rb') as f:
            contents.append((name, f.read()))
    for name, path in TEXT_FILES:
        with open(os.path.join(source, path), encoding='utf-8') as f:
            text = f.read().replace('@VERSION@', version)
        contents.append((name, crlf(text).encode('ascii')))

    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    partial = out + '.partial'
    with zipfile.ZipFile(partial, 'w') as archive:
        directory = entry(folder, FOLDER_MODE, MSDOS_DIRECTORY)
        directory.compress_type = zipfile.ZIP_STORED
        archive.writestr(directory, b'')
        for name, data in contents:
            archive.writestr(entry(folder + name, FILE_MODE), data, compresslevel=9)
    os.replace(partial, out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--version', required=True)
    parser.add_argument('--game', required=True, help="the build's game folder")
    parser.add_argument('--source', required=True, help='the source tree (README.txt, LICENSE)')
    parser.add_argument('--out', required=True, help='the zip to write')
    args = parser.parse_args()
    make_zip(args.version, args.game, args.source, args.out)


if __name__ == '__main__':
    main()
