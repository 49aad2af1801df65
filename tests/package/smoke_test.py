#!/usr/bin/env python3
"""Smoke test of the release zip: what a player downloads, unpacked into a
fresh temporary folder and started from there under Wine.

Checks that the zip holds exactly one folder with the program, its data files,
README.txt and LICENSE.txt (the text files with CR LF line ends); that
Brellix.exe, started in the unpacked folder, opens its window titled
"Rovor.wav" and draws the arena (barrier rows along the top and bottom); and
that Ctrl+X ends it with exit code 0 and no exception swallowed by Wine. On
the way: the program imports only Windows' own DLLs (a DLL of the compiler's
runtime would be missing on a player's machine), and two marks of a
reproducible build, a link time stamp of zero and no name of the source folder.

The game is started and driven by the end-to-end suite's driver. CTest runs
it from tests/package/CMakeLists.txt inside scripts/test, which provides the
Wine prefix, a running wineserver and an X display. By hand, once scripts/test
has built the release in build/release:

    root=$PWD; . scripts/wine-env
    xvfb-run -a python3 tests/package/smoke_test.py --zip build/release/zip/Brellix-1.0-win32.zip \\
        --winctl build/tests/e2e/winctl.exe --source . --objdump i686-w64-mingw32-objdump
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
from e2e import driver, support  # noqa: E402

SHIPPED = ('Brellix.exe', 'lavawall.bmp', 'barrier.bmp', 'particle_sheet.bmp', 'Rovor.wav',
           'README.txt', 'LICENSE.txt')
# Windows' own DLLs. The compiler's runtime (libstdc++, libgcc, winpthread) is
# linked into the program, so none of its DLLs may be asked for.
WINDOWS_DLLS = {'advapi32.dll', 'comdlg32.dll', 'gdi32.dll', 'kernel32.dll', 'msvcrt.dll', 'user32.dll', 'winmm.dll'}


class ShippedZip(unittest.TestCase):
    zip_path = None
    winctl = None
    source = None
    objdump = None

    def setUp(self):
        self.unpacked = tempfile.mkdtemp(prefix='brellix-package-')
        self.addCleanup(shutil.rmtree, self.unpacked, ignore_errors=True)

    def test_unpacked_zip_runs_as_shipped(self):
        folder = os.path.basename(self.zip_path)[:-len('-win32.zip')] + '/'
        with zipfile.ZipFile(self.zip_path) as archive:
            expected = sorted([folder] + [folder + name for name in SHIPPED])
            self.assertEqual(expected, sorted(archive.namelist()))
            for name in ('README.txt', 'LICENSE.txt'):
                text = archive.read(folder + name)
                self.assertIn(b'\n', text)
                self.assertEqual(text.count(b'\n'), text.count(b'\r\n'), name + ' has CR LF line ends throughout')
            archive.extractall(self.unpacked)
        game_dir = os.path.join(self.unpacked, folder)

        # A build on another day or in another folder must give the same bytes.
        with open(os.path.join(game_dir, 'Brellix.exe'), 'rb') as f:
            exe = f.read()
        header = struct.unpack_from('<I', exe, 0x3C)[0]
        self.assertEqual(b'PE\0\0', exe[header:header + 4])
        self.assertEqual(0, struct.unpack_from('<I', exe, header + 8)[0], 'the link time stamp is zero')
        self.assertNotIn(os.path.abspath(self.source).encode(), exe, 'no source folder name in the program')
        headers = subprocess.run([self.objdump, '-p', os.path.join(game_dir, 'Brellix.exe')], check=True,
                                 stdout=subprocess.PIPE, universal_newlines=True).stdout
        imports = {line.split(':', 1)[1].strip().lower() for line in headers.splitlines() if 'DLL Name:' in line}
        self.assertIn('kernel32.dll', imports, 'the import table was read')
        self.assertEqual(set(), imports - WINDOWS_DLLS, "imports that are not Windows' own DLLs")

        game = driver.Game(self, game_dir, self.winctl, in_place=True)
        self.assertEqual('Rovor.wav', game.title())
        support.wait_until('a frame that shows the arena', lambda: game.screenshot().arena_drawn(), interval=0.2)
        game.key('ctrl+x')
        self.assertEqual(0, game.exit_code())


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--zip', required=True, help='the release zip')
    parser.add_argument('--winctl', required=True, help='winctl.exe, our Win32 helper')
    parser.add_argument('--source', required=True, help='the source tree the zip was built from')
    parser.add_argument('--objdump', required=True, help="mingw's objdump, which reads the program's imports")
    args = parser.parse_args()
    if not os.environ.get('DISPLAY') or not os.environ.get('WINEPREFIX'):
        sys.exit('smoke_test: DISPLAY and WINEPREFIX must be set')
    ShippedZip.zip_path = os.path.abspath(args.zip)
    ShippedZip.winctl = os.path.abspath(args.winctl)
    ShippedZip.source = args.source
    ShippedZip.objdump = args.objdump
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(ShippedZip)
    return 0 if unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
