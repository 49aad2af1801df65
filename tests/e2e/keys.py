"""Keys and the mouse: xdotool presses keys and clicks on the X display, where
they go to the window that holds the X focus."""

import subprocess


class Keys:
    """Keys held down (keydown) are let go when the game is finished, should a
    case fail while holding them."""
    def xdotool(self, *args):
        subprocess.run(['xdotool'] + list(args), env=self.env, check=True, timeout=30,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)

    def key(self, *keys):
        self.xdotool('key', '--delay', '40', *keys)

    def keydown(self, key):
        self.xdotool('keydown', key)
        self.held.append(key)

    def keyup(self, key):
        self.xdotool('keyup', key)
        if key in self.held:
            self.held.remove(key)

    def release_keys(self):
        for key in reversed(self.held):
            self.keyup(key)

    def type_text(self, text):
        self.xdotool('type', '--delay', '15', '--', text)

    def click(self, x, y):
        self.xdotool('mousemove', str(x), str(y), 'click', '1')

