"""Dialogs and files: the game's dialogs and message boxes found and read
through winctl.exe, answered with keys, and the file dialogs given full paths."""

from .support import GUARD, E2EError, wait_until, windows_path


class Dialogs:
    def popups(self):
        """Other visible top-level windows of the game: [(hwnd, class, title)].
        None of them once the game's window is gone; winctl failing for another reason
        fails the case, rather than pass for a closed dialog."""
        code, text = self.winctl('popups', self.hwnd, check=False)
        if code == 3:  # no such window
            return []
        if code != 0:
            raise E2EError('winctl popups failed (%d): %s' % (code, text))
        found = []
        for line in text.splitlines():
            hwnd, _, rest = line.partition(' ')
            cls, _, title = rest.partition('|')
            found.append((hwnd, cls, title))
        return found

    def popup(self, title):
        for hwnd, cls, found in self.popups():
            if found == title:
                return hwnd
        return None

    def wait_popup(self, title, timeout=GUARD):
        """Waits until a window of the game titled `title` is there and holds
        the keys; when it does not come, says what held them (a key that
        should have opened it was lost)."""
        def came():
            hwnd = self.popup(title)
            return hwnd if hwnd and self.keys_held_by() == hwnd else None
        try:
            return wait_until('a window titled %r holding the keys' % title, came, timeout)
        except E2EError as error:
            raise E2EError('%s: %s' % (error, self.who_has_keys()))

    def wait_popup_gone(self, title, timeout=GUARD):
        wait_until('the window %r to close' % title, lambda: self.popup(title) is None, timeout)
        self.wait_keys_back(timeout)

    def controls(self, hwnd):
        """Child windows of a dialog: {id: [(class, text, enabled)]}."""
        found = {}
        for line in self.winctl('controls', hwnd)[1].splitlines():
            parts = line.split(' ', 2)
            if len(parts) < 3:
                continue
            cls, text, flags = parts[2].split('|')
            found.setdefault(int(parts[1]), []).append((cls, text, flags.split()[0] == '1'))
        return found

    def buttons(self, hwnd):
        """Identifiers of a dialog's visible buttons, in order."""
        found = []
        for line in self.winctl('controls', hwnd)[1].splitlines():
            parts = line.split(' ', 2)
            if len(parts) == 3 and parts[2].startswith('Button|') and parts[2].endswith(' 1'):
                found.append(int(parts[1]))
        return sorted(found)

    def control_text(self, hwnd, control_id):
        return self.controls(hwnd)[control_id][0][1]

    def message_text(self, hwnd):
        """The text of a message box (its static with the id 0xFFFF)."""
        texts = [text for cls, text, enabled in self.controls(hwnd).get(65535, []) if text]
        return ' '.join(texts)


    def command(self, keys, title, timeout=GUARD):
        """Presses an accelerator once and waits for the window it opens."""
        self.key(keys)
        return self.wait_popup(title, timeout)

    def choose_file(self, dialog_title, path):
        """Types a full path into an open file dialog and presses Enter."""
        self.wait_popup(dialog_title)
        self.key('Home', 'shift+End')
        self.type_text(windows_path(path))
        self.key('Return')

    def answer(self, title, keys='Return'):
        hwnd = self.wait_popup(title)
        text = self.message_text(hwnd)
        self.key(keys)
        self.wait_popup_gone(title)
        return text

    def save_as(self, path, keys='ctrl+a'):
        self.key(keys)
        self.choose_file('Save As', path)
        self.wait_popup_gone('Save As')

    def open_file(self, path):
        self.key('ctrl+o')
        self.choose_file('Open', path)
        self.wait_popup_gone('Open')

    def check_answers(self):
        """The game is alive and takes a command: About opens and closes."""
        self.test.assertTrue(self.window_exists(), 'the main window is gone')
        self.test.assertIsNone(self.process.poll(), 'Brellix.exe has ended')
        self.key('alt+slash')
        # A winning point may open its prompt just then, and the prompt takes
        # the keys: it is answered and About asked for again.
        def about_or_winner():
            about = self.popup('About')
            if about and self.keys_held_by() == about:
                return about
            return 'winner' if self.popup('Winner!') else None
        try:
            hwnd = wait_until('About, or a winner prompt that took its keys', about_or_winner)
        except E2EError as error:
            raise E2EError('%s: %s' % (error, self.who_has_keys()))
        if hwnd == 'winner':
            self.answer('Winner!', 'y')
            hwnd = self.command('alt+slash', 'About')
        self.test.assertIn('Brellix Version 1.0', [t for c, t, e in self.controls(hwnd).get(65535, [])])
        self.key('Return')
        self.wait_popup_gone('About')

