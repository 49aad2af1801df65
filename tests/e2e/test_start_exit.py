"""Start and exit: the window the game opens, and every road out ends with 0."""

import os
import shutil
import tempfile

from .driver import GameTestCase
from .support import wait_until


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

    def test_started_from_another_folder_finds_its_files_beside_it(self):
        """Started by its full path from a folder without its files, the game
        finds its bitmaps and music beside Brellix.exe; a lava wall of the
        player's own in the folder it is started in wins over that one."""
        elsewhere = tempfile.mkdtemp(prefix='brellix-e2e-elsewhere-')
        self.addCleanup(shutil.rmtree, elsewhere, True)

        def start_and_see(what, background):
            """Starts the game there and waits for its arena, with most of a
            row below the middle in the colour `background` tells."""
            game = self.start(start_in=elsewhere)
            self.assertEqual(game.title(), 'Rovor.wav')
            wait_until('the arena with its barriers', lambda: game.screenshot().arena_drawn())

            def share():
                picture = game.screenshot()
                return picture.row_fraction(picture.height // 2 + 60, background)
            wait_until(what, lambda: share() > 0.8)
            game.key('ctrl+x')
            self.assertEqual(game.exit_code(), 0)

        # Dark red to orange; the window colour and green are not.
        start_and_see('the lava', lambda rgb: rgb[0] > rgb[1] and rgb[0] > rgb[2])
        # The same size as ours, every pixel green.
        with open(os.path.join(self.game_dir, 'lavawall.bmp'), 'rb') as f:
            header = f.read(54)
        width, height = int.from_bytes(header[18:22], 'little'), int.from_bytes(header[22:26], 'little')
        with open(os.path.join(elsewhere, 'lavawall.bmp'), 'wb') as f:
            f.write(header + b'\x00\xff\x00' * (width * height))
        start_and_see('the green lava wall', lambda rgb: rgb[1] > 200 and rgb[0] < 60 and rgb[2] < 60)
