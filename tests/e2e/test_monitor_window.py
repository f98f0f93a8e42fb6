"""通讯管理 used with a real mouse and keyboard while the main window runs; a pointer resting on a frame line
explains the frame in a tooltip."""
import os
import re
import unittest

from varn_e2e import a11y, xinput
from varn_e2e.session import Session

WATCHING = "通讯管理 - 正常监视"
PAUSED = "通讯管理 - 暂停监视"
SENT_POLL = re.compile(r"^\d\d:\d\d:\d\d -> 发 \(008\)( [0-9A-F]{2}){8}$")
POINT = re.compile(r"^寄存器 13 高压侧A相电流\(A\) = \d+\.\d\d$", re.M)


class MonitorWindow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.s = Session("monitor")
        # The desktop's text editor is a stand-in that records how it was started.
        cls.editor_log = cls.s.stand_in("gedit")
        cls.s.launch()
        cls.s.click_button(cls.s.main, "通讯管理")
        cls.win = cls.s.window(WATCHING)
        cls.snap = a11y.Snapshot(cls.win)
        cls.box = cls.snap.get("text")

    @classmethod
    def tearDownClass(cls):
        cls.s.stop()

    def setUp(self):
        # Work in the main window covers the monitor; the operator brings it back by its task-bar entry.
        self.s.bring_to_front(self.title())

    def monitor_lines(self):
        return [line for line in a11y.text(self.box).split("\n") if line]

    def wait_line(self, predicate, what):
        return a11y.wait_for(lambda: [l for l in self.monitor_lines() if predicate(l)], timeout=10, what=what)

    def title(self):
        return a11y.name(self.win)

    def test_1_frames_and_log_lines_show_and_main_window_stays_usable(self):
        self.wait_line(SENT_POLL.match, "a sent poll line")
        self.wait_line(lambda l: l[8:].startswith(" -> -- (") and "遥信" not in l, "a received line")
        self.assertIn("成功打开通讯管理界面!", self.s.log_texts())
        # 校对时钟 in the main window while the monitor is open.
        entries = len(self.s.log_texts())
        self.s.click_button(self.s.main, "校对时钟")
        self.s.wait_log("校时成功!", after=entries)
        self.wait_line(lambda l: l.endswith("-> 正在进行校时操作..."), "the clock-set log line in the monitor")
        self.wait_line(lambda l: " 发 (021) 01 10 00 00 00 06 0C" in l, "the clock-set frame")
        self.s.bring_to_front(self.title())
        self.s.shot(self.win, "monitor-watching.png")

    def test_2_check_boxes(self):
        self.s.click(self.snap.get("check box", "显示收字"))
        self.wait_line(lambda l: " -> 收 (" in l, "a received line marked 收")
        self.s.sim.command("set yx 1 1")
        self.wait_line(lambda l: "遥信 01 为合！" in l, "a telesignal hint")
        self.s.click(self.snap.get("check box", "遥信提示"))
        a11y.wait_for(lambda: not a11y.is_checked(self.snap.get("check box", "遥信提示")), what="hint box off")
        xinput.double_click(*a11y.centre(self.box))

        def received_after_the_clear():
            # The hint above goes only with the clear (hints are off now), so a box without it holds only lines
            # that came after the clear.
            lines = self.monitor_lines()
            return not any("遥信 01 为合！" in l for l in lines) and any(" -> 收 (" in l for l in lines)
        a11y.wait_for(received_after_the_clear, what="a received line after clearing")
        self.s.click(self.snap.get("check box", "暂停监视"))
        a11y.wait_for(lambda: self.title() == PAUSED, what="the paused title")
        xinput.double_click(*a11y.centre(self.box))
        a11y.wait_for(lambda: self.monitor_lines() == [], what="the paused box cleared")
        self.s.click(self.snap.get("check box", "暂停监视"))
        a11y.wait_for(lambda: self.title() == WATCHING, what="the watching title")
        self.wait_line(SENT_POLL.match, "polls shown again")

    def test_3_right_button_pauses(self):
        x, y = a11y.centre(self.box)
        xinput.click(x, y, button=3)
        a11y.wait_for(lambda: self.title() == PAUSED, what="paused by the right button")
        self.assertTrue(a11y.is_checked(self.snap.get("check box", "暂停监视")))
        self.assertFalse(a11y.find_all(self.s.app, "popup menu"), "a context menu opened")
        xinput.click(x, y, button=3)
        a11y.wait_for(lambda: self.title() == WATCHING, what="watching again")

    def test_4_save_and_view(self):
        self.s.click(self.snap.get("push button", "查看报文"))
        a11y.wait_for(lambda: os.path.exists(self.editor_log), what="the editor started")
        with open(self.editor_log) as f:
            self.assertEqual(f.read(), "", "before any save the editor opens without a file")
        os.remove(self.editor_log)
        self.s.click(self.snap.get("push button", "保存报文"))
        dialog = self.s.window("Tessel - 保存通讯监视记录")
        self.s.shot(dialog, "monitor-save-dialog.png")
        # Qt's own dialog speaks Chinese (its zh_CN translation is loaded at start).
        texts = {(a11y.role(o), a11y.name(o)) for o in a11y.find_all(dialog)}
        for text in (("label", "查找范围："), ("label", "文件名称(N)："), ("label", "文件类型："),
                     ("push button", "保存(S)"), ("push button", "取消")):
            self.assertIn(text, texts)
        self.s.save_as("Tessel - 保存通讯监视记录", "saved monitor")
        path = os.path.join(self.s.folder, "报文存档", "saved monitor.txt")
        a11y.wait_for(lambda: os.path.exists(path), what="the saved file")
        with open(path, "rb") as f:
            data = f.read()
        self.assertTrue(data.endswith(b"\r\n"))
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""))
        lines = data.decode("gbk").split("\r\n")
        self.assertTrue(any(SENT_POLL.match(l) for l in lines))
        self.s.click(self.snap.get("push button", "查看报文"))
        a11y.wait_for(lambda: os.path.exists(self.editor_log), what="the editor started with the file")
        with open(self.editor_log) as f:
            self.assertEqual(f.read(), path + "\n")

    def test_5_enter_and_escape_hide_it(self):
        for key in ("Return", "Escape"):
            self.s.click(self.box)
            xinput.key(key)
            a11y.no_window(self.s.app, self.title())
            self.s.click_button(self.s.main, "通讯管理")
            a11y.wait_for(lambda: a11y.is_showing(self.win), what="the monitor shown again")

    def tooltip(self):
        tips = a11y.find_all(self.s.app, "tool tip")
        return a11y.name(tips[0]) if tips else ""

    def test_6_a_resting_pointer_explains_the_frame_under_it(self):
        self.s.click(self.snap.get("check box", "暂停监视"))  # the lines stand still under the pointer
        a11y.wait_for(lambda: self.title() == PAUSED, what="the paused title")
        x, y, w, h = a11y.extents(self.box)
        seen = {}
        # Down the box line by line (the monitor's lines are about 15 pixels high) until the pointer has
        # rested on a sent poll and on a poll answer.
        for top in range(y + 8, y + h - 40, 15):
            xinput.move(x + 150, top)
            try:
                tip = a11y.wait_for(self.tooltip, timeout=3, what="a tooltip")
            except AssertionError:
                continue
            seen.setdefault(tip.split("：")[0], tip)
            if "发送" in seen and "接收" in seen:
                break
            xinput.move(x + w + 40, top)  # off the box: the tooltip goes before the next line is tried
            a11y.wait_for(lambda: not self.tooltip(), timeout=3, what="the tooltip gone")
        self.s.shot_screen("monitor-tooltip.png")
        self.assertIn("接收", seen, "no tooltip over a received frame")
        self.assertIn("发送", seen, "no tooltip over a sent frame")
        answer = seen["接收"]
        self.assertTrue(answer.startswith("接收：地址 1，功能码 3 读保持寄存器\n字节数 120\nCRC 正确"), answer)
        self.assertRegex(answer, POINT)
        self.assertIn("寄存器 7 装置版本 V1.63", answer)
        self.assertIn("轮询：读寄存器 0～59（遥测、遥信、时钟、版本）", seen["发送"])
        xinput.move(x + w + 40, y)
        # The pointer's own rules are as they were: the right button still toggles the pause.
        xinput.click(x + 150, y + h // 2, button=3)
        a11y.wait_for(lambda: self.title() == WATCHING, what="watching again")


if __name__ == "__main__":
    unittest.main(verbosity=2)
