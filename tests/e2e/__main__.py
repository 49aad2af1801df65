"""Runs the end-to-end cases of one or more areas, each area a module test_AREA.py.

By default a run keeps to itself, so that runs side by side (CTest -j) never
meet: it starts its own X display (1920x1200), plays in its own copy of the
Wine prefix named by WINEPREFIX (with a Wine server of its own) and keeps its
temporary files in a folder of its own. --shared plays on DISPLAY and
WINEPREFIX as they are instead.

Running one case by hand (the build in build/, made by scripts/test once so
that its Wine prefix exists), from the source folder:

    root=$PWD; . scripts/wine-env; cd tests
    python3 -m e2e --game ../build/game --winctl ../build/tests/e2e/winctl.exe --area play -k winner_yes --keep

--game names a game folder; --zip a release zip instead, whose one folder is
unpacked into the run's own temporary folder and played. --area may be given
several times (default: every area but long_play); -k
takes a part of a case name (several -k are allowed); --keep keeps each case's
temporary game folder (with the game's stdout.txt and stderr.txt, and
last.ppm, a screenshot taken just before a game still running at the end of
its case is stopped); --list names the cases without running them.
"""

import argparse
import importlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

from . import driver, process

AREAS = ['start_exit', 'play', 'saved_games', 'music', 'menu_dialogs', 'bad_input', 'window_sizes', 'long_play']


class TimedResult(unittest.TextTestResult):
    """Names each case with the seconds it took."""

    def startTest(self, test):
        self.started = time.monotonic()
        super().startTest(test)

    def stopTest(self, test):
        super().stopTest(test)
        self.stream.writeln('    (%s: %.1f s)' % (test.id().split('.')[-1], time.monotonic() - self.started))
        self.stream.flush()


def load(areas, patterns):
    loader = unittest.TestLoader()
    if patterns:
        loader.testNamePatterns = ['*%s*' % p for p in patterns]
    suite = unittest.TestSuite()
    for area in areas:
        suite.addTests(loader.loadTestsFromModule(importlib.import_module('.test_' + area, __package__)))
    return suite


def cases(suite):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from cases(test)
        else:
            yield test


def unpack(zip_path, folder):
    """Unpacks the release zip `zip_path` into `folder`; returns its one folder, the game's."""
    with zipfile.ZipFile(zip_path) as archive:
        archive.extractall(folder)
        tops = {name.split('/')[0] for name in archive.namelist()}
    if len(tops) != 1:
        sys.exit('e2e: %s holds %d folders, not one' % (zip_path, len(tops)))
    return os.path.join(folder, tops.pop())


def main():
    parser = argparse.ArgumentParser(prog='python3 -m e2e', description=__doc__.split('\n\n')[0])
    game = parser.add_mutually_exclusive_group(required=True)
    game.add_argument('--game', help='the game folder (Brellix.exe and its data files)')
    game.add_argument('--zip', help='a release zip, played from its folder unpacked')
    parser.add_argument('--winctl', required=True, help='winctl.exe, our Win32 helper')
    parser.add_argument('--area', action='append', choices=AREAS, help='run this area (default: all but long_play)')
    parser.add_argument('-k', action='append', dest='patterns', help='run only cases whose name contains this')
    parser.add_argument('--keep', action='store_true', help='keep the temporary game folders')
    parser.add_argument('--shared', action='store_true', help='play on DISPLAY and WINEPREFIX as they are')
    parser.add_argument('--list', action='store_true', help='name the cases and stop')
    args = parser.parse_args()
    areas = args.area or [a for a in AREAS if a != 'long_play']
    suite = load(areas, args.patterns)
    if args.list:
        for test in cases(suite):
            print(test.id().split('.', 1)[1])
        return 0
    for tool in ('wine', 'wineserver', 'xdotool', 'import', 'Xvfb'):
        if shutil.which(tool) is None:
            sys.exit('e2e: %s is missing' % tool)
    if not os.environ.get('WINEPREFIX') or (args.shared and not os.environ.get('DISPLAY')):
        sys.exit('e2e: WINEPREFIX (and DISPLAY with --shared) must be set')
    driver.GameTestCase.winctl = os.path.abspath(args.winctl)
    driver.GameTestCase.keep = args.keep
    # Ended from outside (scripts/test ends the run's process group), the run
    # still ends its display and Wine server and removes its files.
    signal.signal(signal.SIGTERM, signal.default_int_handler)

    started = time.monotonic()
    undo = []
    try:
        folder = tempfile.mkdtemp(prefix='brellix-e2e-run-')
        # The game folders that --keep keeps are inside.
        if not args.keep:
            undo.append(lambda: shutil.rmtree(folder, ignore_errors=True))
        game_dir = unpack(args.zip, os.path.join(folder, 'zip')) if args.zip else args.game
        driver.GameTestCase.game_dir = os.path.abspath(game_dir)
        if not args.shared:
            tempfile.tempdir = folder
            os.environ['TMPDIR'] = folder
            display, stop = process.start_display(1920, 1200)
            undo.append(stop)
            os.environ['DISPLAY'] = display
            prefix, remove = process.copy_wine_prefix(os.environ['WINEPREFIX'])
            undo.append(remove)
            os.environ['WINEPREFIX'] = prefix
            # A server that stays between the games spares each start a second.
            # It ends a minute after its last program, should this run be
            # killed (by CTest's time limit) before it ends the server itself.
            subprocess.run(['wineserver', '-p60'], check=True, timeout=60)
            print('e2e: display %s, Wine prefix %s, ready in %.1f s' % (display, prefix, time.monotonic() - started))
        runner = unittest.TextTestRunner(verbosity=2, stream=sys.stdout, resultclass=TimedResult)
        result = runner.run(suite)
    finally:
        for step in reversed(undo):
            step()
    print('e2e: %d cases in %.0f s' % (result.testsRun, time.monotonic() - started))
    return 0 if result.wasSuccessful() else 1


sys.exit(main())
