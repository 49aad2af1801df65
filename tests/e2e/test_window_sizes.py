"""Window sizes: tiny, too small to play, minimised, and maximised on a big screen."""

import os
import time

from .driver import GameTestCase
from .process import copy_wine_prefix, start_display
from .support import wait_until


class WindowSizes(GameTestCase):
    def test_tiny_small_and_back(self):
        game = self.start()
        width, height = game.client_size()
        # The smallest window the platform allows: its client area is empty.
        game.winctl('setwindow', game.hwnd, 1, 1)
        wait_until('the tiny window', lambda: game.rect()[0][2] - game.rect()[0][0] < 200)
        # A window without a client area draws no frame to count: the game
        # runs its empty frames a while, and only its answers after are checked.
        time.sleep(1)
        game.check_answers()
        # Too small to play: the scene stands still but is still drawn.
        game.winctl('setclient', game.hwnd, 300, 200)
        wait_until('the 300 x 200 client', lambda: game.client_size() == (300, 200))
        wait_until('the small frame drawn', lambda: game.screenshot().arena_drawn())
        game.winctl('setclient', game.hwnd, width, height)
        wait_until('the old size', lambda: game.client_size() == (width, height))
        wait_until('the arena drawn again', lambda: game.screenshot().arena_drawn())
        first = game.screenshot()
        wait_until('the game to move', lambda: game.screenshot().data != first.data)
        game.check_answers()

    def test_minimise_and_restore(self):
        game = self.start()
        size = game.client_size()
        game.winctl('show', game.hwnd, 'min')
        wait_until('the window minimised', lambda: game.state()['iconic'] == 1)
        time.sleep(2)  # empty frames, as in the tiny window
        game.winctl('show', game.hwnd, 'restore')
        wait_until('the window restored', lambda: game.state()['iconic'] == 0 and game.client_size() == size)
        wait_until('the arena drawn again', lambda: game.screenshot().arena_drawn())
        game.check_answers()

    def test_maximised_on_a_3840_by_2160_screen(self):
        display, stop = start_display(3840, 2160)
        self.addCleanup(stop)
        prefix, remove = copy_wine_prefix(os.environ['WINEPREFIX'])
        self.addCleanup(remove)
        game = self.start(display=display, prefix=prefix)
        game.winctl('show', game.hwnd, 'max')
        wait_until('the window maximised', lambda: game.state()['zoomed'] == 1)
        wait_until('the client area to fill the screen', lambda: game.client_size()[0] == 3840)
        width, height = game.client_size()
        self.assertGreater(height, 2000)
        picture = wait_until('the big frame drawn', lambda: (lambda p: p if p.arena_drawn() else None)(
            game.screenshot()))
        self.assertTrue(picture.score_signature(), 'no score text at the middle of the window')
        self.assertIsNotNone(picture.paddle_centre('right'))
        game.check_answers()
        self.assertEqual(game.exit_by_command(), 0)
