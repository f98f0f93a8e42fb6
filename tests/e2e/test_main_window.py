"""The main window used with a real mouse and keyboard."""
import os
import unittest

from varn_e2e import a11y, xinput
from varn_e2e.modbus import with_crc
from varn_e2e.session import MAIN_TITLE, Session

OPERATIONS = [  # button, in-progress text, success text, function code; every side ends closed (with current)
    ("校对时钟", "正在进行校时操作...", "校时成功!", 16),
    ("信号复归", "正在进行复归操作...", "复归成功!", 5),
    ("分高压侧", "正在进行高压侧分闸操作...", "高压侧分闸成功!", 5),
    ("合高压侧", "正在进行高压侧合闸操作...", "高压侧合闸成功!", 5),
    ("分1#低压侧", "正在进行1#低压侧分闸操作...", "1#低压侧分闸成功!", 5),
    ("合1#低压侧", "正在进行1#低压侧合闸操作...", "1#低压侧合闸成功!", 5),
    ("分2#低压侧", "正在进行2#低压侧分闸操作...", "2#低压侧分闸成功!", 5),
    ("合2#低压侧", "正在进行2#低压侧合闸操作...", "2#低压侧合闸成功!", 5),
]
ADDRESS_SEARCH = with_crc([0xFE, 3, 0, 0, 0, 1])
COEFFICIENT_REGISTER = 130  # of 高压侧A相电流(A), the first telemetry point


def yc_points(folder):
    """The telemetry points of the program folder's VARN.ini: {name: {key: value}}."""
    with open(os.path.join(folder, "配置文件", "VARN.ini"), "rb") as f:
        text = f.read().decode("gbk")
    section, points = None, {}
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("["):
            section = line.strip("[]")
        elif section == "YC" and "=" in line and line[0].isdigit():
            key, value = line.split("=", 1)
            number, field = key.split(".", 1)
            points.setdefault(int(number), {})[field] = value
    return {p["Name"]: p for p in points.values()}


def shown_value(point, registers):
    """The text a telemetry field shows for the relay's registers (0-based number -> value), scaled as the
    point's Post, PostH, CC2 and Type say."""
    cc2, kind = int(point.get("CC2", "0")), int(point.get("Type", "0"))

    def word(post, signed):
        v = registers[post - 1]
        return v - 65536 if signed and v >= 32768 else v

    value = word(int(point["Post"]), kind in (1, 5))
    value = value / cc2 if cc2 else float(value)
    if int(point.get("PostH", "0")):
        high = word(int(point["PostH"]), kind == 1)
        value += (high / cc2 if cc2 else high) * 65536.0
    decimals = 0 if cc2 <= 1 else 1 if cc2 <= 10 else 2 if cc2 <= 100 else 3 if cc2 <= 1000 else \
        4 if cc2 <= 10000 else 2
    return f"{value:.{decimals}f}"


class MainWindow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.s = Session("main").launch()
        cls.s.wait_log("上装所有参数成功!")
        cls.snap = a11y.Snapshot(cls.s.main)

    @classmethod
    def tearDownClass(cls):
        cls.s.stop()

    def press(self, label):
        frames, entries = len(self.s.sim.frames()), len(self.s.log_texts())
        self.s.click(self.snap.get("push button", label))
        return frames, entries

    def wait_reading(self, name="高压侧A相电流(A)"):
        """Waits until the value field beside the telemetry label `name` shows a reading."""
        labels = self.snap.all("label")
        field = labels[labels.index(self.snap.get("label", name)) + 1]
        return a11y.wait_for(lambda: a11y.text(field) not in ("", "0.00"), timeout=15, what=f"a reading of {name}")

    def test_1_operation_buttons(self):
        for label, under_way, done, function in OPERATIONS:
            with self.subTest(button=label):
                frames, entries = self.press(label)
                self.s.wait_log(under_way, after=entries)
                self.s.wait_log(done, after=entries)
                frame = self.s.wait_frame(lambda f: f[1] == function and f[0] == 1, frames, what=label)
                self.assertEqual(frame, with_crc(frame[:-2]))
        self.s.shot(self.s.main, "main-after-operations.png")

    def test_2_reconnect_with_and_without_address_search(self):
        for reply, searched in (("Yes", True), ("No", False)):
            with self.subTest(reply=reply):
                frames, entries = self.press("重新连接")
                self.s.wait_log("重新连接，打开串口成功!", after=entries)
                box, texts = self.s.message_box()
                self.assertIn("打开串口成功，是否启动自动寻址功能？", texts)
                if searched:
                    self.s.shot(box, "main-address-search-question.png")
                self.s.answer(box, reply)
                if searched:
                    self.s.wait_frame(lambda f: f == ADDRESS_SEARCH, frames, what="the address search")
                else:
                    a11y.wait_for(lambda: len(self.s.sim.frames()) > frames + 3, what="polls going on")
                    self.assertNotIn(ADDRESS_SEARCH, self.s.frames_since(frames))
        self.assertEqual(a11y.name(self.s.main), MAIN_TITLE)

    def test_3_address_box_validation(self):
        box = self.snap.all("text")[-1]
        for typed, message in (("0", "“请填入一个在1和247之间的整数。”"), ("300", "“请填入一个在0和255之间的整数。”")):
            with self.subTest(typed=typed):
                self.s.click(box)
                xinput.key("ctrl+a")
                xinput.type_text(typed)
                alert, texts = self.s.message_box()
                self.assertIn(message, texts)
                xinput.key("Return")
                self.s.wait_no_message_box()
        self.s.click(box)
        xinput.key("ctrl+a")
        xinput.type_text("1")
        self.assertFalse(a11y.find_all(self.s.app, "alert"))
        # While the box held 3 and 30 the relay was asked under those addresses and did not answer.
        answered = self.s.sim.counter("answered")
        a11y.wait_for(lambda: self.s.sim.counter("answered") >= answered + 3, what="polls answered again")
        self.wait_reading()

    def test_5_calibration_by_click(self):
        self.wait_reading()
        label = self.snap.get("label", "高压侧A相电流(A)")
        frames, entries = len(self.s.sim.frames()), len(self.s.log_texts())
        self.s.click(label)
        dialog = self.s.window("遥测校正")
        self.s.shot(dialog, "calibration-dialog.png")
        xinput.key("ctrl+a")
        xinput.type_text("5")
        xinput.key("Return")
        self.s.wait_log("正在下载默认参数：高压侧A相电流(A) ...", after=entries)
        self.s.wait_log("正在下载设定参数：高压侧A相电流(A) ...", after=entries)
        self.s.wait_log("下载遥测检验设定参数成功!", after=entries)
        writes = [f for f in self.s.frames_since(frames) if f[:7] == [1, 16, 0, COEFFICIENT_REGISTER, 0, 1, 2]]
        self.assertEqual(writes[0], with_crc([1, 16, 0, COEFFICIENT_REGISTER, 0, 1, 2, 4, 0]))
        self.assertEqual(len(writes), 2)

    def test_4_calibration_by_wheel(self):
        self.wait_reading()
        label = self.snap.get("label", "高压侧A相电流(A)")
        x, y, w, h = a11y.extents(label)
        for offset, step in ((10, 30), (30, 8), (50, 3)):
            for notches in (1, -1):
                with self.subTest(offset=offset, notches=notches):
                    before = self.s.sim.register(COEFFICIENT_REGISTER)
                    frames = len(self.s.sim.frames())
                    xinput.wheel(x + offset, y + h // 2, notches)
                    expected = before + step * notches
                    self.s.wait_frame(
                        lambda f: f == with_crc([1, 16, 0, COEFFICIENT_REGISTER, 0, 1, 2, expected >> 8,
                                                 expected & 0xFF]), frames, what=f"wheel write of {expected}")
        before = [self.s.sim.register(r) for r in (130, 131, 132)]
        frames = len(self.s.sim.frames())
        xinput.wheel(x + 30, y + h // 2, 1, ctrl=True)
        values = [before[0] + 8, before[1] + 10, before[2] + 10]
        body = [1, 16, 0, 130, 0, 3, 6]
        for v in values:
            body += [v >> 8, v & 0xFF]
        self.s.wait_frame(lambda f: f == with_crc(body), frames, what="the Ctrl wheel write of three registers")

    def test_6_shown_values_are_the_registers_scaled_as_the_ini_says(self):
        points = yc_points(self.s.folder)
        # Register values the relay is made to hold: unsigned, signed, three decimals, a 32-bit sum.
        held = {"高压侧A相电流(A)": {"Post": 1234}, "有功功率(kW)": {"Post": 0xFFF6}, "功率因数": {"Post": 950},
                "有功电度(kWh)": {"Post": 2, "PostH": 1}}
        registers = {}
        for name, words in held.items():
            for key, value in words.items():
                register = int(points[name][key]) - 1
                self.assertEqual(self.s.sim.command(f"set reg {register} {value}"), "OK")
                registers[register] = value
        labels = self.snap.all("label")
        for name in held:
            with self.subTest(point=name):
                expected = shown_value(points[name], registers)
                field = labels[labels.index(self.snap.get("label", name)) + 1]
                a11y.wait_for(lambda: a11y.text(field) == expected, timeout=10,
                              what=f"{name} showing {expected}")
        self.assertEqual([shown_value(points[n], registers) for n in held], ["12.34", "-1.0", "0.950", "65538"])
        self.s.shot(self.s.main, "main-held-values.png")


if __name__ == "__main__":
    unittest.main(verbosity=2)
