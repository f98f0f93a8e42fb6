"""Ending the program as an operator does: the title bar's close button, Esc and Enter."""
import os
import subprocess
import time
import unittest

from varn_e2e import a11y, xinput
from varn_e2e.session import Session, install_program


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

    def test_title_bar_close_says_farewell_and_fades(self):
        s = self.start("close")
        x, y, w, h = a11y.extents(s.main)
        s.shot(s.main, "main-before-close.png")
        xinput.click(x + w - 9, y - 10, settle=0)
        started = time.monotonic()
        self.assertEqual(s.exit_code(timeout=10), 0)
        self.assertGreater(time.monotonic() - started, 0.6, "the window did not fade out")
        a11y.wait_for(lambda: any(l.endswith(" closed") for l in self.server_lines()), what="the farewell")

    def test_escape_ends_without_farewell(self):
        s = self.start("escape")
        s.click(a11y.find(s.main, "label", "装置型号："))  # the window takes the keyboard
        xinput.key("Escape", settle=0)
        self.assertEqual(s.exit_code(timeout=10), 0)
        time.sleep(0.5)
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
