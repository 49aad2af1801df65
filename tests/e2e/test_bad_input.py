"""Bad input and hostile surroundings: damaged files and wild values; the
program keeps running and answering."""

import os
import random

from .driver import GameTestCase
from .support import read_bytes, saved_game, wait_until, windows_path, write_file


def not_a_saved_game(path):
    return '"%s" is not a saved game.' % windows_path(path)


class BadInput(GameTestCase):
    BAD_FILES = [
        ('empty.sav', b''),
        ('garbage.sav', b'hello world\r\nthis is no saved game\r\n'),
        ('noise.sav', b'\xff' + bytes(random.Random(7).randrange(256) for _ in range(4096))),
        ('huge.sav', b'99999999999999999999\r\n0\r\n0\r\n1\r\n'),
        ('just_over.sav', b'2147483648\r\n0\r\n0\r\n1\r\n'),
        ('flag_two.sav', b'1\r\n2\r\n2\r\n1\r\n'),
        ('flag_minus.sav', b'1\r\n2\r\n0\r\n-1\r\n'),
        ('two_lines.sav', b'1\r\n2\r\n'),
        ('million_digits.sav', b'7' * (1 << 20)),
    ]

    def test_bad_files_are_refused_and_nothing_is_lost(self):
        game = self.start()
        good = write_file(game.folder, 'good.sav', saved_game(3, 7, 0, 1))
        game.open_file(good)
        shown = game.score_signature()
        for name, contents in self.BAD_FILES:
            with self.subTest(file=name):
                path = write_file(game.folder, name, contents)
                game.key('ctrl+o')
                game.choose_file('Open', path)
                text = game.answer('Brellix')
                self.assertEqual(text, not_a_saved_game(path))
                game.wait_popup_gone('Open')
                self.assertEqual(game.score_signature(), shown)
        # The refused files changed nothing: the match of good.sav is saved whole
        # (and, its file forgotten, Save asks for a name).
        copy = os.path.join(game.folder, 'after.sav')
        game.save_as(copy, keys='ctrl+s')
        wait_until('the saved match', lambda: read_bytes(copy) == saved_game(3, 7, 0, 1))
        game.check_answers()

    def test_each_bitmap_missing(self):
        for name in ('lavawall.bmp', 'barrier.bmp', 'particle_sheet.bmp'):
            with self.subTest(missing=name):
                game = self.start(lambda folder: os.remove(os.path.join(folder, name)))
                self.assertEqual(game.title(), 'Rovor.wav')
                self.check_plays_on(game)

    def test_damaged_barrier_bitmap(self):
        def truncate(folder):
            data = read_bytes(os.path.join(folder, 'barrier.bmp'))
            write_file(folder, 'barrier.bmp', data[:len(data) // 3])

        def replace_with_text(folder):
            write_file(folder, 'barrier.bmp', b'this is not a bitmap\n' * 50)
        for damage in (truncate, replace_with_text):
            with self.subTest(damage=damage.__name__):
                self.check_plays_on(self.start(damage))

    def fill(self, game, keys, title, values):
        """Opens an editor, puts each value into its box in order, presses OK."""
        game.command(keys, title)
        # OK has the focus when the editor opens; Tab passes Cancel, and each
        # box selects its whole text when Tab enters it.
        game.key('Tab')
        for value in values:
            game.key('Tab')
            if value:
                game.type_text(value)
            else:
                game.key('BackSpace')
        game.key('Return')
        game.wait_popup_gone(title)

    def read_back(self, game, keys, title, ids):
        dialog = game.command(keys, title)
        values = [game.control_text(dialog, i) for i in ids]
        game.key('Escape')
        game.wait_popup_gone(title)
        return values

    def test_extreme_and_bad_values_then_play_on(self):
        game = self.start()
        wave = ('ctrl+e', 'Background Editor', (1000, 1001, 1002))
        vector = ('ctrl+v', 'Vector Edit', (1003, 1004))
        rows = [
            (['2147483647', '-2147483648', '2147483647'], ['2147483647', '-2147483648', '2147483647']),
            (['-2147483648', '2147483647', '-2147483648'], ['-2147483648', '2147483647', '-2147483648']),
            # No number stores 0; the platform reads the leading digits of 12x as 12.
            (['abc', 'x', 'Z!'], ['0', '0', '0']),
            (['', '', ''], ['0', '0', '0']),
            (['12x', ' 7', '-0'], ['12', '7', '0']),
        ]
        for typed, shown in rows:
            with self.subTest(dialog='Background Editor', values=typed):
                self.fill(game, *wave[:2], typed)
                game.run_frames(60)
                self.assertEqual(self.read_back(game, *wave), shown)
        game.key('ctrl+alt+c')
        for typed in (['2147483647', '-2147483648'], ['-2147483648', '2147483647']):
            with self.subTest(dialog='Vector Edit', values=typed):
                self.fill(game, *vector[:2], typed)
                # A point comes every frame at such a speed, each side in turn,
                # so the match ends within twenty frames; Yes serves a new one
                # at the usual speed.
                self.assertIn('wins!', game.answer('Winner!', 'y'))
                game.run_frames(60)
        # A still ball keeps its velocity as stored, so it reads back.
        for typed in (['xyz', 'q'], ['', '']):
            with self.subTest(dialog='Vector Edit', values=typed):
                self.fill(game, *vector[:2], typed)
                game.run_frames(60)
                self.assertEqual(self.read_back(game, *vector), ['0', '0'])
        # Out of range stores 0, and the extremes typed afterwards still read
        # whole (Wine's GetDlgItemInt kept the range error for later boxes).
        self.fill(game, *wave[:2], ['99999999999', '2147483648', '-2147483649'])
        self.assertEqual(self.read_back(game, *wave), ['0', '0', '0'])
        self.fill(game, *wave[:2], ['2147483647', '-2147483648', '-2147483647'])
        self.assertEqual(self.read_back(game, *wave), ['2147483647', '-2147483648', '-2147483647'])
        # Straight up and down as fast as can be: no point can end this.
        self.fill(game, *vector[:2], ['0', '-2147483647'])
        # A thousand frames with these values, by the game's own count.
        game.run_frames(1000, answer_winner=False)
        self.assertIsNone(game.popup('Winner!'))
        self.assertTrue(game.screenshot().arena_drawn())
        game.check_answers()
        game.key('ctrl+x')
        self.assertEqual(game.exit_code(), 0)
