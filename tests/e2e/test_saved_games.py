"""Saved games: Open, Save and Save As with real files, and saves that fail."""

import os
import re

from .driver import GameTestCase
from .support import read_bytes, saved_game, wait_until, windows_path, write_file


def could_not_save(path):
    """The report of a failed save: the file, then the system's words."""
    return '^' + re.escape('"%s" could not be saved: ' % windows_path(path)) + r'\S'


def leftovers(folder):
    """Temporary files a failed save left behind (the game names them ~ and a counter)."""
    return [name for name in os.listdir(folder) if name.startswith('~')]


class SavedGames(GameTestCase):
    def check_saves_elsewhere(self, game, expected=saved_game(0, 0, 0, 1)):
        """After a failed save the match is still there and can be saved."""
        elsewhere = os.path.join(game.folder, 'elsewhere.sav')
        game.save_as(elsewhere)
        wait_until('the save elsewhere', lambda: read_bytes(elsewhere) == expected)

    def test_open_then_save_as_reproduces_the_file(self):
        game = self.start()
        zero = game.score_signature()
        crafted = write_file(game.folder, 'crafted.sav', saved_game(3, 7, 0, 1))
        game.open_file(crafted)
        game.wait_score_change(zero)
        copy = os.path.join(game.folder, 'copy.sav')
        game.save_as(copy)
        wait_until('the copy', lambda: read_bytes(copy) == saved_game(3, 7, 0, 1))
        # A file written by hand on one line: Save after Open writes back to it,
        # in the program's own form, without a dialog.
        loose = write_file(game.folder, 'loose.sav', b'  4 6\n1 1')
        game.open_file(loose)
        game.key('ctrl+s')
        wait_until('the rewritten file', lambda: read_bytes(loose) == saved_game(4, 6, 1, 1))
        self.assertEqual(game.popups(), [])
        game.check_answers()

    def test_negative_scores_are_kept(self):
        game = self.start()
        negative = write_file(game.folder, 'negative.sav', saved_game(-5, -2, 0, 1))
        game.open_file(negative)
        self.assertEqual(game.popups(), [])
        game.run_frames(120)
        copy = os.path.join(game.folder, 'copy.sav')
        game.save_as(copy)
        wait_until('the copy', lambda: read_bytes(copy) == saved_game(-5, -2, 0, 1))
        game.check_answers()

    def test_extreme_scores_win_at_once(self):
        game = self.start()
        zero = game.score_signature()
        extreme = write_file(game.folder, 'extreme.sav', b'2147483647\r\n-2147483648\r\n0\r\n1\r\n')
        game.open_file(extreme)
        text = game.answer('Winner!', 'y')
        self.assertIn('Player 1 wins!', text)
        self.assertEqual(game.score_signature(), zero)
        game.check_answers()

    def test_folder_typed_into_open_is_entered_not_opened(self):
        game = self.start()
        folder = os.path.join(game.folder, 'folder.sav')
        os.mkdir(folder)
        write_file(folder, 'inside.sav', saved_game(1, 1, 0, 1))
        game.key('ctrl+o')
        game.choose_file('Open', folder)
        # The dialog goes into the folder ("Look in" shows it) and stays open:
        # the program never gets a folder to load.
        dialog = game.wait_popup('Open')
        wait_until('the dialog to enter the folder', lambda: game.control_text(dialog, 1137) == 'folder.sav')
        self.assertIsNone(game.popup('Brellix'))
        game.key('Escape')
        game.wait_popup_gone('Open')
        game.check_answers()

    def test_save_to_missing_folder_is_reported(self):
        game = self.start()
        target = os.path.join(game.folder, 'missing', 'match.sav')
        game.key('ctrl+a')
        game.choose_file('Save As', target)
        self.assertRegex(game.answer('Brellix'), could_not_save(target))
        game.wait_popup_gone('Save As')
        self.assertFalse(os.path.exists(os.path.dirname(target)))
        self.assertEqual(leftovers(game.folder), [])
        self.check_saves_elsewhere(game)
        game.check_answers()

    def test_save_over_read_only_file_is_refused(self):
        game = self.start()
        target = write_file(game.folder, 'protected.sav', saved_game(5, 5, 0, 1))
        os.chmod(target, 0o444)
        game.key('ctrl+a')
        game.choose_file('Save As', target)
        # The dialog asks before replacing an existing file.
        game.answer('Error', 'y')
        wait_until('a message or a changed file',
                   lambda: game.popup('Brellix') or read_bytes(target) != saved_game(5, 5, 0, 1))
        self.assertEqual(read_bytes(target), saved_game(5, 5, 0, 1), 'the read-only file was replaced')
        self.assertRegex(game.answer('Brellix'), could_not_save(target))
        self.assertEqual(leftovers(game.folder), [])
        self.check_saves_elsewhere(game)
        game.check_answers()

    def test_save_onto_a_folder_is_reported(self):
        game = self.start()
        target = os.path.join(game.folder, 'match.sav')
        game.save_as(target)
        wait_until('the first save', lambda: read_bytes(target) == saved_game(0, 0, 0, 1))
        # Someone puts a folder where the file was; Save goes to the same path.
        os.remove(target)
        os.mkdir(target)
        game.key('ctrl+s')
        self.assertRegex(game.answer('Brellix'), could_not_save(target))
        self.assertTrue(os.path.isdir(target))
        self.assertEqual(leftovers(game.folder), [])
        self.check_saves_elsewhere(game)
        game.check_answers()
