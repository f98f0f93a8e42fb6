"""遥测趋势 as the operator reaches it: the right-click menu of a telemetry label, the curve following a value
set on relay_sim (read off the cursor's read-out), a telesignal change marked on the time axis, and both exports
into 信息导出 (the workbook read back with xlrd)."""
import glob
import os
import re
import subprocess
import time
import unittest
import urllib.parse

from varn_e2e import a11y, xinput
from varn_e2e.session import Session

TITLE = "遥测趋势"
POINT = "高压侧A相电流(A)"  # register 13, divisor 100
READOUT = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}")


class TrendWindow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.s = Session("trend")
        cls.opened = cls.s.stand_in("xdg-open")
        cls.s.launch()
        cls.s.wait_log("上装所有参数成功!")

    @classmethod
    def tearDownClass(cls):
        cls.s.stop()

    def readout(self):
        labels = [a11y.name(o) for o in a11y.find_all(self.win, "label") if READOUT.match(a11y.name(o) or "")]
        return labels[0] if labels else ""

    def sweep(self, wanted, start=0.55, end=0.995):
        """Moves the cursor over the chart from `start` to `end` of its width until the read-out holds `wanted`."""
        x, y, w, h = a11y.extents(self.chart)
        for step in range(int(start * w), int(end * w), 3):
            xinput.move(x + step, y + h // 2)
            if wanted in self.readout():
                return self.readout()
        self.fail(f"no read-out with {wanted!r}; last {self.readout()!r}")

    def export(self, button):
        self.s.click_button(self.win, button)
        box, texts = self.s.message_box()
        question = [t for t in texts if t.startswith("已导出文件：")]
        self.assertEqual(len(question), 1, texts)
        return box, question[0][len("已导出文件："):-len("，是否打开文件？  ")]

    def choose_trend(self, label):
        # The context menu's one entry, chosen with the keyboard (the popup is not on the accessibility bus).
        xinput.click(*a11y.centre(label), button=3, settle=0.5)
        xinput.key("Down")
        xinput.key("Return")

    def test_1_right_click_opens_the_trend_of_the_point(self):
        label = a11y.find(self.s.main, "label", POINT)
        self.choose_trend(label)
        type(self).win = self.s.window(TITLE)
        type(self).chart = a11y.find(self.win, None, "趋势图")
        item = a11y.find(self.win, None, POINT)
        self.assertTrue(a11y.is_checked(item))
        # A second right-click brings the same window back, not a second one.
        self.s.bring_to_front("Orlin - VARN")
        self.choose_trend(label)
        time.sleep(0.5)
        self.assertEqual(len([w for w in a11y.windows(self.s.app) if a11y.name(w) == TITLE]), 1)

    def test_2_the_curve_follows_the_relay(self):
        self.s.bring_to_front(TITLE)
        # Ten notches zoom the live span from ten minutes to about one.
        x, y, w, h = a11y.extents(self.chart)
        xinput.wheel(x + w // 2, y + h // 2, 10)
        self.assertEqual(self.s.sim.command("set reg 13 1234"), "OK")
        time.sleep(4)
        self.sweep(f"{POINT}=12.34", start=0.8)

    def test_3_a_telesignal_change_is_marked(self):
        entries = len(self.s.log_texts())
        self.s.sim.command("set yx 1 0")  # 高压侧断路器位置 opens
        a11y.wait_for(lambda: [t for t in self.s.log_texts()[entries:] if t.endswith("：合 -> 分!")],
                      what="the change logged")
        change = [t for t in self.s.log_texts()[entries:] if t.endswith("：合 -> 分!")][0]
        time.sleep(1)
        self.s.click_button(self.win, "暂停")
        # Zoomed in further the mark lies near the right edge.
        x, y, w, h = a11y.extents(self.chart)
        xinput.wheel(x + w - 20, y + h // 2, 10)
        self.sweep(change, start=0.3)
        self.s.shot(self.win, "trend-window.png")
        self.s.click_button(self.win, "回到实时")

    def test_4_exports_land_in_the_export_folder(self):
        box, path = self.export("导出表格")
        self.assertEqual(os.path.dirname(path), os.path.join(self.s.folder, "信息导出"))
        self.assertRegex(os.path.basename(path), r"^趋势 \d\d-\d\d-\d\d \d\d\.\d\d\.\d\d\.xls$")
        self.s.answer(box, "OK")
        a11y.wait_for(lambda: os.path.exists(self.opened), what="the workbook opened")
        with open(self.opened) as f:
            self.assertEqual(urllib.parse.unquote(f.read().strip()), "file://" + path)
        rows = subprocess.run(
            ["/usr/bin/python3", "-c",
             "import sys, xlrd; s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0); print(s.name); "
             "[print('\\t'.join(str(v) for v in s.row_values(r))) for r in range(s.nrows)]", path],
            capture_output=True, text=True, check=True).stdout.splitlines()
        self.assertEqual(rows[0], "遥测趋势")
        self.assertEqual(rows[1], "时间\t" + POINT)
        self.assertGreater(len(rows), 10)
        self.assertIn("12.34", [r.split("\t")[1] for r in rows[2:]])

        box, picture = self.export("导出图片")
        self.assertTrue(picture.endswith(".png"), picture)
        self.s.answer(box, "Cancel")
        with open(picture, "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
        # The day file of the recording is there too.
        self.assertTrue(glob.glob(os.path.join(self.s.folder, "运行记录", "趋势-*.csv")))


if __name__ == "__main__":
    unittest.main()
