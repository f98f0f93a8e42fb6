"""Ending the program as an operator does: the title bar's close button, Esc and Enter."""
import os
import subprocess
import time
import unittest

from varn_e2e import a11y, xinput, xwin
from varn_e2e.session import MAIN_TITLE, Session, install_program


def seconds_shown_after(act):
    """Does `act` and returns how long the main window stays on the screen after it."""
    act()
    started = time.monotonic()
    a11y.wait_for(lambda: not xwin.find(MAIN_TITLE), timeout=10, what="the main window going")
    return time.monotonic() - started


class Closing(unittest.TestCase):
    def start(self, name):
        s = Session(name)
        self.addCleanup(s.stop)
        exe = install_program("comm_server", s.folder)
        self.server_log = os.path.join(s.root, "comm_server.err")
        with open(self.server_log, "w") as err:
            self.server = subprocess.Popen([exe], env=s.desktop.env, stderr=err, stdout=subprocess.DEVNULL)
        self.addCleanup(self.stop_server)
        # The server of the previous test may still be on its way out; a second one refuses to start and says
        # it is "already running", which must not pass for this one's start.
        a11y.wait_for(lambda: any(l.startswith("comm_server: running") for l in self.server_lines()),
                      what="the communication server")
        s.launch()
        s.wait_log("上装所有参数成功!")
        # Through the communication server from now on: 网络方式 ticked, then 重新连接, no address search.
        s.click(a11y.find(s.main, "check box", "网络方式"))
        frames, entries = len(s.sim.frames()), len(s.log_texts())
        s.click_button(s.main, "重新连接")
        s.wait_log("重新连接，打开串口成功!", after=entries)
        box, _ = s.message_box()
        s.answer(box, "No")
        a11y.wait_for(lambda: any(l.endswith("uses COM2") for l in self.server_lines()), what="the announcement")
        answered = s.sim.counter("answered")
        a11y.wait_for(lambda: s.sim.counter("answered") > answered + 2, what="polls through the server")
        return s

    def stop_server(self):
        """Ends the server and waits for it, so the next test's server is the only one."""
        self.server.terminate()
        try:
            self.server.wait(10)
        except subprocess.TimeoutExpired:
            self.server.kill()
            self.server.wait(5)

    def server_lines(self):
        with open(self.server_log) as f:
            return f.read().splitlines()

    # The program's farewell is a message the server acknowledges once it has handled it, so the server's line
    # for it is written before the program can exit: both tests read the log at the exit, without waiting.
    def test_title_bar_close_says_farewell_and_fades(self):
        s = self.start("close")
        x, y, w, h = a11y.extents(s.main)
        shown = seconds_shown_after(lambda: xinput.click(x + w - 9, y - 10, settle=0))
        self.assertEqual(s.exit_code(timeout=10), 0)
        # The window blends out over 0.8 s before it goes; without the fade it goes at once (as after Esc).
        self.assertGreater(shown, 0.7, "the window did not fade out")
        self.assertTrue([l for l in self.server_lines() if l.endswith(" closed")], "no farewell")

    def test_escape_ends_without_farewell(self):
        s = self.start("escape")
        s.click(a11y.find(s.main, "label", "装置型号："))  # the window takes the keyboard
        shown = seconds_shown_after(lambda: xinput.key("Escape", settle=0))
        self.assertEqual(s.exit_code(timeout=10), 0)
        self.assertLess(shown, 0.5, "the window faded out")
        self.assertFalse([l for l in self.server_lines() if l.endswith(" closed")])

    def test_enter_ends_when_the_fields_are_valid(self):
        s = Session("enter")
        self.addCleanup(s.stop)
        s.launch()
        s.click(a11y.find(s.main, "label", "装置型号："))
        xinput.key("Return", settle=0)
        self.assertEqual(s.exit_code(timeout=10), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
