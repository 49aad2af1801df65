"""Drives the real Brellix.exe under Wine from outside, the way a player meets
it: starts it from a fresh temporary copy of the game folder, presses keys with
xdotool, types into the file dialogs, clicks, reads titles, dialogs and message
boxes through winctl.exe (our Win32 helper), takes screenshots, polls for the
events it waits for (support.GUARD only guards against a fault), and checks the
exit code, that Wine swallowed no exception and that its heap checker reported
nothing.

Game puts together what the other modules drive: process.py (the game's
process and windows), keys.py, dialogs.py (dialogs and files) and pictures.py;
support.py holds what they all share. Usable from any test script: give Game
(or GameTestCase) the game folder and the path of winctl.exe; the X display
and Wine prefix come from the environment (DISPLAY, WINEPREFIX) or from
start_display and copy_wine_prefix.

    from e2e import driver
    game = driver.Game(test, game_dir, winctl)
    game.key('ctrl+x')
    test.assertEqual(game.exit_code(), 0)
"""

import unittest

from .dialogs import Dialogs
from .keys import Keys
from .pictures import Pictures
from .process import GameProcess
from .support import GUARD, wait_until


class Game(Dialogs, Keys, Pictures, GameProcess):
    """One run of the game (see GameProcess), with everything a case does to it."""

    def run_frames(self, frames, answer_winner=True):
        """Lets the game draw `frames` more frames, by its own count, answering
        Yes to any winner prompt (which holds the frames while it asks). A
        window without a client area draws none: let time pass instead."""
        target = self.frames_drawn() + frames

        def drawn():
            self.test.assertIsNone(self.process.poll(), 'Brellix.exe ended while playing')
            if answer_winner and self.popup('Winner!'):
                self.answer('Winner!', 'y')
            return self.frames_drawn() >= target
        # The guard allows ten frames a second at the least.
        wait_until('%d frames drawn' % frames, drawn, GUARD + frames / 10, 0.3)

    def exit_by_command(self):
        """Ends the game by its Exit command (Ctrl+X) and gives its exit code.
        A winning point may open its prompt just before the keys come, and
        the prompt takes them: No there ends the game as well."""
        self.key('ctrl+x')

        def ended_or_winner():
            return self.process.poll() is not None or self.popup('Winner!')
        wait_until('the game to end, or a winner prompt that took Ctrl+X', ended_or_winner)
        if self.process.poll() is None:
            self.wait_popup('Winner!')
            self.key('n')
        return self.exit_code()


class GameTestCase(unittest.TestCase):
    """A case that starts games; the runner sets where the game and winctl are."""
    game_dir = None
    winctl = None
    keep = False

    def start(self, prepare=None, **kwargs):
        return Game(self, self.game_dir, self.winctl, prepare, keep=self.keep, **kwargs)

    def check_plays_on(self, game):
        game.run_frames(60)
        # New serves a ball even when the setup stopped early, and the frames
        # keep coming.
        game.key('ctrl+n')
        game.run_frames(60)
        first = game.screenshot()
        wait_until('the picture to move', lambda: game.screenshot().data != first.data)
        game.check_answers()
        self.assertEqual(game.exit_by_command(), 0)

