"""Play and points: scoring, the winner prompt, and the keys of both paddles."""

import os

from .driver import GameTestCase
from .support import BARRIER_HEIGHT, read_bytes, saved_game, wait_until, write_file


class PlayAndPoints(GameTestCase):
    def point_for_left(self, game):
        """Scores a point for the left player (more, should the game play on
        while the score is read) and holds the game still on New's question,
        which a changed match asks. Returns the question's window and the
        score text's signature shown with it."""
        # While About is open nothing moves: the starting score is read then.
        # With no key held no point can come, before or after: the level ball
        # goes to and fro between the paddles.
        game.command('alt+slash', 'About')
        zero = game.score_signature()
        game.answer('About')
        # New serves from the centre to the computer, which returns the ball
        # level; Up, held from the serve on, moves the right paddle out of its way.
        game.key_then_hold('ctrl+n', 'Up')
        game.wait_score_change(zero)
        hwnd = game.command('ctrl+n', 'New')
        game.keyup('Up')
        shown = game.score_signature()
        self.assertNotEqual(shown, zero, 'no point came')
        return hwnd, shown

    def test_point_prompt_cancel_and_save_as(self):
        game = self.start()
        hwnd, shown = self.point_for_left(game)
        # The point changed the match: New asks first, and Cancel keeps it.
        self.assertEqual(game.message_text(hwnd), 'Do You want to save?')
        self.assertEqual(game.buttons(hwnd), [2, 6, 7])
        # Too small to play, the game stands still once the question has gone:
        # no point comes before the match is saved, however long that takes.
        game.winctl('setclient', game.hwnd, 300, 200)
        wait_until('the 300 x 200 client', lambda: game.client_size() == (300, 200))
        game.key('Escape')
        game.wait_popup_gone('New')
        self.assertEqual(game.score_signature(), shown)
        # The match has no file yet, so Save asks for one.
        target = os.path.join(game.folder, 'point.sav')
        game.save_as(target, keys='ctrl+s')
        saved = wait_until('the saved game', lambda: read_bytes(target))
        self.assertRegex(saved, rb'\A[1-9][0-9]*\r\n0\r\n0\r\n1\r\n\Z')
        # It holds the points seen: opened again, it shows the same score.
        game.open_file(target)
        self.assertEqual(game.score_signature(), shown)

    def winner_from_nine_points(self, game):
        nine = write_file(game.folder, 'nine.sav', saved_game(9, 0, 0, 1))
        game.open_file(nine)
        game.keydown('Up')
        hwnd = game.wait_popup('Winner!')
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
        wait_until('the saved new match', lambda: read_bytes(nine) == saved_game(0, 0, 0, 1))
        game.check_answers()

    def test_winner_no_ends_the_program(self):
        game = self.start()
        self.winner_from_nine_points(game)
        game.key('n')
        self.assertEqual(game.exit_code(), 0)

    def test_two_player_a_and_z_move_the_left_paddle_and_down_the_right(self):
        game = self.start()
        width, height = game.client_size()
        top = BARRIER_HEIGHT + 50
        bottom = height - BARRIER_HEIGHT - 50
        game.keydown('a')
        # Against the computer A does nothing: the computer keeps the paddle on
        # the level ball, in the middle.
        game.run_frames(60)
        self.assertTrue(game.paddle_near('left', height // 2), 'the left paddle left the middle')
        # A let go first: held under Ctrl, its repeats would be Ctrl+A, Save As.
        game.keyup('a')
        game.key('ctrl+2')
        game.keydown('a')
        wait_until('the left paddle at the top', lambda: game.paddle_near('left', top))
        game.keyup('a')
        game.keydown('z')
        wait_until('the left paddle at the bottom', lambda: game.paddle_near('left', bottom))
        game.keyup('z')
        # Down moves the right paddle, in either mode.
        game.keydown('Down')
        wait_until('the right paddle at the bottom', lambda: game.paddle_near('right', bottom))
        game.keyup('Down')
        # Back to the computer: it brings the paddle back towards the ball.
        game.key('ctrl+2')
        wait_until('the computer to move the paddle', lambda: not game.paddle_near('left', bottom))
