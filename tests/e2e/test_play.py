"""Play and points: scoring, the winner prompt, and the keys of both paddles."""

import os

from .driver import GameTestCase
from .support import BARRIER_HEIGHT, read_bytes, saved_game, wait_until, write_file


class PlayAndPoints(GameTestCase):
    def point_for_left(self, game):
        """Scores one point for the left player and holds the game still on it
        with New's question, which a changed match asks. Returns the score
        text's signatures at the start and after the point."""
        # While About is open nothing moves: the starting score is read then.
        # No point can have come before it, since with no key held the level
        # ball goes to and fro between the paddles.
        game.command('alt+slash', 'About')
        zero = game.score_signature()
        # The held key moves the right paddle up out of the way once About
        # closes; New then serves from the centre to the computer, which
        # returns it level past the paddle. Should the ball in play pass the
        # paddle before New, New asks first, and No drops that point.
        game.keydown('Up')
        game.answer('About')
        game.key('ctrl+n')

        def point():
            if game.popup('New'):
                game.answer('New', 'n')
                return None
            signature = game.score_signature()
            return signature if signature != zero else None
        one = wait_until('the point', point, 30)
        # The ball, served back to the left, needs about two seconds to come
        # past the right paddle again; New's question stops it before that.
        hwnd = game.command('ctrl+n', 'New')
        game.keyup('Up')
        self.assertEqual(game.score_signature(), one, 'a second point came before New asked')
        return zero, hwnd

    def test_point_prompt_cancel_and_save_as(self):
        game = self.start()
        zero, hwnd = self.point_for_left(game)
        # The point changed the match: New asks first, and Cancel keeps it.
        self.assertEqual(game.message_text(hwnd), 'Do You want to save?')
        self.assertEqual(game.buttons(hwnd), [2, 6, 7])
        # The match has no file yet, so Save asks for one; it is pressed along
        # with Escape, as the game plays on between the two.
        target = os.path.join(game.folder, 'point.sav')
        game.key('Escape', 'ctrl+s')
        game.choose_file('Save As', target)
        game.wait_popup_gone('Save As')
        self.assertIsNone(game.popup('New'))
        # The game ran for a frame or two between Escape and Save As: the
        # file holds the one point seen.
        saved = wait_until('the saved game', lambda: read_bytes(target), 10)
        self.assertEqual(saved, saved_game(1, 0, 0, 1))
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
        game.keydown('a')
        # Against the computer A does nothing: the computer keeps the paddle on
        # the level ball, in the middle.
        game.run_frames(1)
        self.assertTrue(game.paddle_near('left', height // 2), 'the left paddle left the middle')
        # A let go first: held under Ctrl, its repeats would be Ctrl+A, Save As.
        game.keyup('a')
        game.key('ctrl+2')
        game.keydown('a')
        wait_until('the left paddle at the top', lambda: game.paddle_near('left', top), 15)
        game.keyup('a')
        game.keydown('z')
        wait_until('the left paddle at the bottom', lambda: game.paddle_near('left', bottom), 15)
        game.keyup('z')
        # Back to the computer: it brings the paddle back towards the ball.
        game.key('ctrl+2')
        wait_until('the computer to move the paddle', lambda: not game.paddle_near('left', bottom), 15)
