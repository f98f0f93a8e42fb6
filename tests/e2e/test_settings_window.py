"""定值参数管理 used with a real mouse and keyboard while the main window runs."""
import os
import time
import unittest

from varn_e2e import a11y, xinput
from varn_e2e.modbus import block_values, is_write_block, read_registers
from varn_e2e.session import Session

TITLE = "定值参数管理"
SETTINGS_START, SETTINGS_COUNT = 200, 30
PARAMS_START, PARAMS_COUNT = 100, 64


class SettingsWindow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.s = Session("settings").launch()
        cls.s.wait_log("上装所有参数成功!")
        cls.s.click_button(cls.s.main, "定值参数")
        cls.win = cls.s.window(TITLE)
        cls.snap = a11y.Snapshot(cls.win)

    @classmethod
    def tearDownClass(cls):
        cls.s.stop()

    def value_cell(self, table_index, row):
        """The 数值 cell of `row` (from 0) in the settings (0) or parameters (1) list."""
        table = a11y.find_all(self.win, "table")[table_index]
        cells = [c for c in a11y.find_all(table, "table cell")]
        return cells[row * 3 + 2]

    def transfer(self, button, expected, log_text):
        """Presses a transfer button; returns the request the relay got once its outcome is logged."""
        frames, entries = len(self.s.sim.frames()), len(self.s.log_texts())
        self.s.click(self.snap.get("push button", button))
        frame = self.s.wait_frame(expected, frames, what=f"request of {button}")
        self.s.wait_log(log_text, after=entries)
        return frame

    def alert_texts(self, shot=None):
        box, texts = self.s.message_box()
        if shot:
            self.s.shot(box, shot)
        return texts

    def edit_cell(self, cell, text):
        x, y = a11y.centre(cell)
        xinput.click(x, y)
        xinput.key("ctrl+a")
        xinput.type_text(text)
        xinput.key("Return")

    def test_1_window_is_on_screen_and_takes_input(self):
        x, y, w, h = a11y.extents(self.win)
        self.assertGreaterEqual(x, 0)
        self.assertGreaterEqual(y, 0)
        self.assertLessEqual(x + w, self.s.desktop.width)
        self.assertLessEqual(y + h, self.s.desktop.height)
        self.assertTrue(a11y.is_active(self.win), "the settings window did not take the focus")

    def test_2_upload_and_download_settings(self):
        # Settings not read yet: 下载定值 asks first, and OK reads them instead of writing anything.
        frames = len(self.s.sim.frames())
        self.s.click(self.snap.get("push button", "下载定值"))
        box, texts = self.s.message_box()
        self.assertIn("系统未检测有效参数，是否先上装定值？", texts)
        self.s.shot(box, "settings-download-question.png")
        self.s.answer(box, "OK")
        self.s.wait_frame(lambda f: f == read_registers(1, SETTINGS_START, SETTINGS_COUNT), frames,
                          what="the settings read after the question")
        self.s.wait_log("上装所有定值成功!")
        self.assertFalse([f for f in self.s.frames_since(frames) if f[1] == 16], "something was written")

        raw = self.s.sim.register(SETTINGS_START + 1)
        self.transfer("上装定值", lambda f: f == read_registers(1, SETTINGS_START, SETTINGS_COUNT), "上装所有定值成功!")
        self.assertEqual(a11y.text(self.value_cell(0, 1)), f"{raw / 100:.2f}")  # CC2 100
        frame = self.transfer("下载定值", lambda f: is_write_block(f, 1, SETTINGS_START, SETTINGS_COUNT),
                              "下载所有定值成功!")
        self.assertEqual(block_values(frame)[1], raw)
        self.s.shot(self.win, "settings-uploaded.png")

    def test_3_upload_and_download_parameters(self):
        relay = [self.s.sim.register(PARAMS_START + k) for k in range(PARAMS_COUNT)]
        self.transfer("上装参数", lambda f: f == read_registers(1, PARAMS_START, PARAMS_COUNT), "上装所有参数成功!")
        frame = self.transfer("下载参数", lambda f: is_write_block(f, 1, PARAMS_START, PARAMS_COUNT),
                              "下载所有参数成功!")
        # What was read goes back unchanged, the baud-rate codes of entries 4 and 6 included.
        self.assertEqual(block_values(frame), relay)

    def test_4_numeric_setting_edit_in_and_out_of_range(self):
        cell = self.value_cell(0, 1)  # 差动启动电流(A): CC2 100, range 10 .. 2000
        self.edit_cell(cell, "5.5")
        a11y.wait_for(lambda: a11y.text(self.value_cell(0, 1)) == "5.50", what="the cell showing 5.50")
        self.edit_cell(self.value_cell(0, 1), "25")
        self.assertIn("定值越限，范围：0.100000 ~ 20.000000", self.alert_texts(shot="settings-out-of-range.png"))
        xinput.key("Return")
        self.s.wait_no_message_box()
        self.assertEqual(a11y.text(self.value_cell(0, 1)), "5.50")
        frame = self.transfer("下载定值", lambda f: is_write_block(f, 1, SETTINGS_START, SETTINGS_COUNT),
                              "下载所有定值成功!")
        self.assertEqual(block_values(frame)[1], 550)

    def test_5_choice_cell_and_parameter_edit(self):
        cell = self.value_cell(0, 0)  # 差动保护: 退出 / 投入
        x, y = a11y.centre(cell)
        xinput.click(x, y)  # the drop-down opens over the cell
        xinput.click(x, y)  # its list opens with the current item over the cell
        self.s.shot(self.win, "settings-choice-open.png")
        xinput.click(x, y + 22)  # the second item, one row below: picking it ends the edit
        a11y.wait_for(lambda: a11y.text(self.value_cell(0, 0)) == "投入", what="the choice cell showing 投入")
        frame = self.transfer("下载定值", lambda f: is_write_block(f, 1, SETTINGS_START, SETTINGS_COUNT),
                              "下载所有定值成功!")
        self.assertEqual(block_values(frame)[0], 1)

        # A parameter beyond 16 bits is refused rather than cut to its low 16 bits.
        self.edit_cell(self.value_cell(1, 3), "70000")
        self.assertIn("参数越限，范围：0 ~ 65535", self.alert_texts())
        xinput.key("Return")
        self.edit_cell(self.value_cell(1, 3), "150")
        a11y.wait_for(lambda: a11y.text(self.value_cell(1, 3)) == "150", what="the parameter cell")
        frame = self.transfer("下载参数", lambda f: is_write_block(f, 1, PARAMS_START, PARAMS_COUNT),
                              "下载所有参数成功!")
        self.assertEqual(block_values(frame)[3], 150)

    def test_9_escape_hides_the_window(self):
        x, y, w, h = a11y.extents(self.snap.get("push button", "上装定值"))
        xinput.click(x + w + 20, y + h // 2)  # the window's own surface between two buttons
        xinput.key("Escape")
        a11y.no_window(self.s.app, TITLE)
        self.s.click_button(self.s.main, "定值参数")
        self.s.window(TITLE)


if __name__ == "__main__":
    unittest.main(verbosity=2)
