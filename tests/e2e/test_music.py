"""Music: the default wave file at start, and other files chosen as music."""

import os
import shutil

from .driver import GameTestCase
from .support import wait_until, windows_path, write_file


class Music(GameTestCase):
    def test_title_without_music_is_brellix(self):
        game = self.start(lambda folder: os.remove(os.path.join(folder, 'Rovor.wav')))
        self.assertEqual(game.title(), 'Brellix')
        game.check_answers()

    def test_zero_byte_music_file(self):
        game = self.start(lambda folder: write_file(folder, 'Rovor.wav', b''))
        # The file opens, so its name is the title; nothing can be heard.
        self.assertEqual(game.title(), 'Rovor.wav')
        self.check_plays_on(game)

    def test_text_file_chosen_as_music(self):
        game = self.start()
        notes = write_file(game.folder, 'notes.wav', b'la la la\n')
        game.key('ctrl+w')
        game.choose_file('Open', notes)
        text = game.answer('Open Wave File')
        self.assertEqual(text, '"%s" cannot be played as background music.' % windows_path(notes))
        self.assertEqual(game.title(), 'notes.wav')
        # A real wave file afterwards plays without a word.
        theme = os.path.join(game.folder, 'theme.wav')
        shutil.copy(os.path.join(game.folder, 'Rovor.wav'), theme)
        game.key('ctrl+w')
        game.choose_file('Open', theme)
        game.wait_popup_gone('Open')
        wait_until('the new title', lambda: game.title() == 'theme.wav')
        self.assertIsNone(game.popup('Open Wave File'))
        game.check_answers()
