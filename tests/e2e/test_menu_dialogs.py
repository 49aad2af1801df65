"""Menu and dialogs: accelerators, grayed items and what the dialogs show."""

from .driver import GameTestCase


class MenuAndDialogs(GameTestCase):
    def test_menu_at_start_vector_inert_save_opens_save_as(self):
        game = self.start()
        # Vector is grayed at start, so Ctrl+V does nothing; Ctrl+S pressed after
        # it shows that the keys arrive and that Ctrl+V has been handled by then.
        game.key('ctrl+v', 'ctrl+s')
        game.wait_popup('Save As')
        titles = [title for hwnd, cls, title in game.popups()]
        self.assertNotIn('Vector Edit', titles)
        game.key('Escape')
        game.wait_popup_gone('Save As')
        game.check_answers()

    def test_about_by_alt_slash_and_background_editor_values(self):
        game = self.start()
        game.check_answers()
        dialog = game.command('ctrl+e', 'Background Editor')
        self.assertEqual([game.control_text(dialog, i) for i in (1000, 1001, 1002)], ['16', '16', '6'])
        game.key('Escape')
        game.wait_popup_gone('Background Editor')

    def test_cheat_mode_grays_save_and_opens_vector_edit(self):
        game = self.start()
        game.key('ctrl+alt+c')
        # Save and Save As are grayed: their keys do nothing. Vector Edit,
        # pressed last, shows that all of them have been handled.
        game.key('ctrl+s', 'ctrl+a', 'ctrl+v')
        dialog = game.wait_popup('Vector Edit')
        titles = [title for hwnd, cls, title in game.popups()]
        self.assertNotIn('Save As', titles)
        self.assertIn(game.control_text(dialog, 1003), ('15', '-15'))
        self.assertEqual(game.control_text(dialog, 1004), '0')
        game.key('Escape')
        game.wait_popup_gone('Vector Edit')
        game.check_answers()
