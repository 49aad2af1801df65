"""Play and points: scoring, the winner prompt, and the keys of both paddles."""

import os

from .driver import GameTestCase
from .support import BARRIER_HEIGHT, read_bytes, saved_game, wait_until, write_file


class PlayAndPoints(GameTestCase):
    def test_point_prompt_cancel_and_save_as(self):
        game = self.start()
        zero = self.point_for_left(game)
        # The point changed the match: New asks first, and Cancel keeps it.
        game.key('ctrl+n')
        hwnd = game.wait_popup('New')
        self.assertEqual(game.message_text(hwnd), 'Do You want to save?')
        self.assertEqual(game.buttons(hwnd), [2, 6, 7])
        # The match has no file yet, so Save asks for one; it is pressed along
        # with Escape, as the game plays on between the two.
        target = os.path.join(game.folder, 'point.sav')
        game.key('Escape', 'ctrl+s')
        game.choose_file('Save As', target)
        game.wait_popup_gone('Save As')
        self.assertIsNone(game.popup('New'))
        # The right paddle stays out of the way, so on a busy machine the ball
        # may come back for a second point before the screenshots have seen
        # the first and New is pressed: the file holds the left player's
        # points, at least one, and nothing else.
        saved = wait_until('the saved game', lambda: read_bytes(target), 10)
        self.assertIn(saved, [saved_game(points, 0, 0, 1) for points in range(1, 10)])
        self.assertNotEqual(game.score_signature(), zero)

    def winner_from_nine_points(self, game):
        nine = write_file(game.folder, 'nine.sav', saved_game(9, 0, 0, 1))
        game.open_file(nine)
        game.keydown('Up')
        hwnd = game.wait_popup('Winner!', 30)
        game.keyup('Up')
        text = game.message_text(hwnd)
        self.assertIn('Player 1 wins!', text)
        self.assertIn('Continue?', text)
        self.assertEqual(game.buttons(hwnd), [6, 7])
        return nine

    def test_winner_yes_starts_a_new_match(self):
        game = self.start()
        zero = game.score_signature()
        nine = self.winner_from_nine_points(game)
        game.answer('Winner!', 'y')
        self.assertEqual(game.score_signature(), zero)
        # Save goes back to the opened file: the new match stands at 0 to 0.
        game.key('ctrl+s')
        wait_until('the saved new match', lambda: read_bytes(nine) == saved_game(0, 0, 0, 1), 10)
        game.check_answers()

    def test_winner_no_ends_the_program(self):
        game = self.start()
        self.winner_from_nine_points(game)
        game.key('n')
        self.assertEqual(game.exit_code(), 0)

    def test_two_player_a_and_z_move_the_left_paddle(self):
        game = self.start()
        width, height = game.client_size()
        top = BARRIER_HEIGHT + 50
        bottom = height - BARRIER_HEIGHT - 50

        def left_paddle_near(row):
            centre = game.screenshot().paddle_centre('left')
            return centre is not None and abs(centre - row) <= 3
        game.keydown('a')
        # Against the computer A does nothing: the computer keeps the paddle on
        # the level ball, in the middle.
        game.run_frames(1)
        self.assertTrue(left_paddle_near(height // 2), 'the left paddle left the middle')
        # A let go first: held under Ctrl, its repeats would be Ctrl+A, Save As.
        game.keyup('a')
        game.key('ctrl+2')
        game.keydown('a')
        wait_until('the left paddle at the top', lambda: left_paddle_near(top), 15)
        game.keyup('a')
        game.keydown('z')
        wait_until('the left paddle at the bottom', lambda: left_paddle_near(bottom), 15)
        game.keyup('z')
        # Back to the computer: it brings the paddle back towards the ball.
        game.key('ctrl+2')
        wait_until('the computer to move the paddle', lambda: not left_paddle_near(bottom), 15)
