"""Start and exit: the window the game opens, and every road out ends with 0."""

from .driver import GameTestCase


class StartAndExit(GameTestCase):
    def test_title_is_the_music_file_and_class_is_brellix(self):
        game = self.start()
        # The window was found by its class, BRELLIX.
        self.assertEqual(game.title(), 'Rovor.wav')
        game.key('ctrl+x')
        self.assertEqual(game.exit_code(), 0)

    def test_ctrl_x_ends_with_exit_code_0(self):
        game = self.start()
        game.key('ctrl+x')
        self.assertEqual(game.exit_code(), 0)

    def test_close_box_ends_with_exit_code_0(self):
        game = self.start()
        # Without a window manager Wine draws the caption itself; winctl finds
        # the close button by asking the window (WM_NCHITTEST), and we click it.
        x, y = map(int, game.winctl('closebox', game.hwnd)[1].split())
        game.click(x, y)
        self.assertEqual(game.exit_code(), 0)
