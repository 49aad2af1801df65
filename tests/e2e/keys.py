"""Keys and the mouse: xdotool presses keys and clicks on the X display, where
they go to the window that holds the X focus or, while the root window holds
it (as after a focused window closed, with no window manager to pass the focus
on), to the window under the pointer. A key pressed before the game's window
holds the keys is lost, so the driver waits until the window meant to get
them holds them: Wine's foreground window (winctl) and X's keys both."""

import subprocess

from .support import GUARD, E2EError, wait_until


class Keys:
    """Keys held down (keydown) are let go when the game is finished, should a
    case fail while holding them."""

    def foreground(self):
        """The foreground window as winctl names it: "hwnd class|title"."""
        return self.winctl('active', check=False)[1].strip()

    def xdotool_output(self, *args):
        found = subprocess.run(['xdotool'] + list(args), env=self.env, timeout=GUARD, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return found.stdout.decode('latin-1').strip() if found.returncode == 0 else None

    def x_focus(self):
        """(window id, name) of the X window that keys go to now, or None."""
        window = self.xdotool_output('getwindowfocus')  # fails while the focus follows the pointer
        if window is None or window == self.x_root:
            pointer = dict(line.partition('=')[::2] for line in (self.xdotool_output(
                'getmouselocation', '--shell') or '').splitlines())
            window = pointer.get('WINDOW')
        if window is None or not window.isdigit():
            return None
        return window, self.xdotool_output('getwindowname', window) or ''

    def who_has_keys(self):
        """What holds the keys now, for a failure message."""
        return 'the foreground window is %r and the X focus is on %r' % (self.foreground(), self.x_focus())

    def keys_held_by(self):
        """The game's window that holds the keys, or None. Wine hands a key
        that reaches an X window of the game to its foreground window: that
        must be one of the game's windows, and the keys must reach the main
        window's X window or the X window of one of the game's dialogs (a
        message box that a dialog opened may leave X's focus on that dialog)."""
        hwnd = self.foreground().partition(' ')[0]
        focus = self.x_focus()
        if focus is None:
            return None
        if hwnd == self.hwnd:
            return hwnd if focus[0] == self.x_window else None
        popups = self.popups()
        titles = {title for _, _, title in popups}
        for popup, cls, title in popups:
            if popup == hwnd:
                return hwnd if focus[0] == self.x_window or focus[1] in titles else None
        return None

    def wait_ready(self):
        """The start of every case: the game's window holds the keys and has
        drawn. The pointer rests on it, as a player's would."""
        title = self.title()
        self.x_root = self.xdotool_output('search', '--maxdepth', '0', '--name', '')
        left, top = self.rect()[1][:2]
        self.xdotool('mousemove', str(left + 20), str(top + 20))

        def main_holds_keys():
            focus = self.x_focus()
            if self.foreground().partition(' ')[0] == self.hwnd and focus and focus[1] == title:
                return focus[0]
            return None
        try:
            self.x_window = wait_until('the game\'s window to hold the keys', main_holds_keys)
        except E2EError as error:
            raise E2EError('%s: %s' % (error, self.who_has_keys()))
        wait_until('the first frame drawn', lambda: self.frames_drawn() > 0)

    def wait_keys_back(self, timeout=GUARD):
        """After a dialog closed: the game's window holds the keys again, or a
        window of the game that came after the dialog does (a message box, or
        the dialog it came from). Returns at once when the game has ended."""
        def back():
            return not self.window_exists() or self.keys_held_by()
        try:
            wait_until('the keys back at the game', back, timeout)
        except E2EError as error:
            raise E2EError('%s: %s' % (error, self.who_has_keys()))

    def xdotool(self, *args):
        subprocess.run(['xdotool'] + list(args), env=self.env, check=True, timeout=GUARD,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)

    def key(self, *keys):
        self.xdotool('key', '--delay', '40', *keys)

    def keydown(self, key):
        self.xdotool('keydown', key)
        self.held.append(key)

    def key_then_hold(self, keys, held):
        """Presses `keys`, then holds `held` down, from one xdotool: the game
        gets the two together, with no program to start between them."""
        self.xdotool('key', '--delay', '40', keys, 'keydown', held)
        self.held.append(held)

    def keyup(self, key):
        self.xdotool('keyup', key)
        if key in self.held:
            self.held.remove(key)

    def release_keys(self):
        for key in reversed(list(self.held)):
            self.keyup(key)

    def type_text(self, text):
        self.xdotool('type', '--delay', '15', '--', text)

    def click(self, x, y):
        self.xdotool('mousemove', str(x), str(y), 'click', '1')

