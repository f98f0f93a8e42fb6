"""The Windows program as a Chinese operator gets it, used beside the Linux build in one scenario.

The installer runs silently into a fresh Wine prefix (Chinese system language and code page), into a folder
with a Chinese name; the installed varn.exe runs against its own relay simulator on the prefix's COM2 and is
used with the real mouse and keyboard (XTest) on the shared desktop. The same scenario runs first on the
Linux build, read off the accessibility bus: it shows where each control is (places.py) and what the run must
produce. The Windows run is judged by the wire (the simulator's frame log), the daily log (equal to the Linux
run's with the time stamps masked), the files it writes and pictures of every window (in VARN_E2E_SHOTS, with
the Linux run's beside them).

Needs the installer (dist/VARN-Setup-<version>.exe, scripts/package-windows.sh) and Wine; without the
installer the test is skipped unless VARN_E2E_WINDOWS_REQUIRED=1 (the e2e-windows test preset sets it).
"""
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

import xlrd
from PIL import Image

from varn_e2e import a11y, glyphs, xinput
from varn_e2e.modbus import crc16, is_write_block, read_registers, with_crc
from varn_e2e.places import DIALOG_UNITS, TITLE_BAR_CLOSE, LinuxHands, Places, WineHands
from varn_e2e.session import MAIN_TITLE, SHOT_DIR, STANDARD_BUTTONS, Session
from varn_e2e.wine import WinePrefix, WineSession, chinese_locale

SOURCE_DIR = os.environ.get("VARN_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
SETUP = os.environ.get("VARN_WINDOWS_SETUP") or os.path.join(
    SOURCE_DIR, "dist", f"VARN-Setup-{os.environ.get('VARN_VERSION', '')}.exe")
CACHE = os.environ.get("VARN_E2E_CACHE", os.path.join(SHOT_DIR, "cache"))
INSTALL_DIR = "C:\\变电站\\保护测控\\VARN"  # a folder with a Chinese name in the program's path
SIM_OPTIONS = ("--hwinfo", "invalid")  # the relay has no valid hardware ID yet

SETTINGS = (200, 30)
PARAMS = (100, 64)
ADDRESS_SEARCH = with_crc([0xFE, 3, 0, 0, 0, 1])
MONITOR = "通讯管理 - 正常监视"
SETTINGS_TITLE = "定值参数管理"
TREND_TITLE = "遥测趋势"
TREND_POINT = "高压侧A相电流(A)"
SHEET_NAME = re.compile(r"定值单 \d\d-\d\d-\d\d \d\d\.\d\d\.\d\d\.pdf")
SHEET_ROW = re.compile(r"\d+ \S")  # 序号, name and value of a setting or parameter
EVENT_HEADER = "------------------------\r\n       事件记录\r\n------------------------\r\n"
EVENT_TIME = re.compile(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}")
# The buttons of the system's file dialog, in English and in Chinese.
CHINESE_FILE_BUTTONS = {"Save": "保存", "Cancel": "取消"}


def is_poll(frame):
    return frame == read_registers(1, 0, 60)


class Scenario:
    """The operator's steps, the same on both builds; `hands` finds the windows and controls. Each step checks
    what both builds must do and keeps in `seen` what the two runs are compared by."""

    def __init__(self, run, hands, opened):
        self.run = run
        self.hands = hands
        self.opened = opened  # the file the shell's stand-in writes the documents it was asked to open into
        self.seen = {}
        self.boxes = []  # (picture, buttons asked for) of each message box
        self.file_dialogs = []  # pictures of the file dialogs

    def click(self, window, control, settle=0.3, button=1):
        self.hands.click(window, control, settle=settle, button=button)

    def press(self, label):
        """Clicks a button of the main window; returns the frame and log counts before the click."""
        frames, entries = len(self.run.sim.frames()), len(self.run.log_texts())
        self.click(MAIN_TITLE, ("push button", label))
        return frames, entries

    def answer(self, name, picture, button, expects):
        """Waits for the message box the scenario calls `name`, pictures it and clicks the standard button
        `button`; `expects` are the standard buttons it shows."""
        self.hands.window(name, box=True)
        self.boxes.append((self.hands.shot(name, picture), expects))
        self.click(name, ("standard button", button))
        self.hands.box_gone()

    def save_as(self, title, name, picture):
        self.hands.window(title)
        time.sleep(0.5)  # the system's dialog fills its folder view first
        self.file_dialogs.append(self.hands.shot(title, picture))
        self.run.save_as(title, name)

    def document_opened(self, timeout=10):
        """The last document the program asked the shell to open."""
        a11y.wait_for(lambda: os.path.exists(self.opened) and os.path.getsize(self.opened) > 0, timeout,
                      what="the shell opening a document")
        with open(self.opened) as f:
            return f.read().strip().splitlines()[-1]

    def start(self, picture="main.png"):
        entries = len(self.run.log_texts())
        self.run.launch(wait_main=False)
        self.hands.window(MAIN_TITLE, layout=DIALOG_UNITS, timeout=60)
        self.run.wait_log("打开串口成功!", after=entries, timeout=30)
        self.run.wait_log("上装所有参数成功!", after=entries)
        polls = len(self.run.sim.frames())
        a11y.wait_for(lambda: len([f for f in self.run.frames_since(polls) if is_poll(f)]) >= 3, what="three polls")
        if picture:
            self.hands.shot(MAIN_TITLE, picture)

    def operations(self):
        frames = {}
        for label, done, function in (("校对时钟", "校时成功!", 16), ("信号复归", "复归成功!", 5),
                                      ("分高压侧", "高压侧分闸成功!", 5)):
            since, entries = self.press(label)
            self.run.wait_log(done, after=entries)
            frames[label] = self.run.wait_frame(lambda f: f[0] == 1 and f[1] == function, since, what=label)
        self.seen["operations"] = frames
        time.sleep(1)  # the remote-control sound has ended; the values show the open side
        self.hands.shot(MAIN_TITLE, "main-after-operations.png")

    def trend(self):
        # The context menu's one entry, chosen with the keyboard (the popup is on no accessibility bus).
        self.click(MAIN_TITLE, ("value of", TREND_POINT), settle=0.5, button=3)
        xinput.key("Down")
        xinput.key("Return")
        self.hands.window(TREND_TITLE, timeout=15)
        time.sleep(1.5)  # a few polls on the curve
        self.seen["trend picture"] = self.hands.shot(TREND_TITLE, "trend.png")
        self.click(TREND_TITLE, TITLE_BAR_CLOSE)
        self.hands.gone(TREND_TITLE)

    def reconnect(self):
        frames, entries = self.press("重新连接")
        self.run.wait_log("重新连接，打开串口成功!", after=entries)
        self.answer("address search question", "address-search-question.png", "Yes", ("Yes", "No"))
        self.run.wait_frame(lambda f: f == ADDRESS_SEARCH, frames, what="the address search")

    def settings(self):
        self.click(MAIN_TITLE, ("push button", "定值参数"))
        self.hands.window(SETTINGS_TITLE, layout=DIALOG_UNITS)
        frames, entries = len(self.run.sim.frames()), len(self.run.log_texts())
        self.click(SETTINGS_TITLE, ("push button", "上装定值"))
        self.run.wait_frame(lambda f: f == read_registers(1, *SETTINGS), frames, what="the settings read")
        self.run.wait_log("上装所有定值成功!", after=entries)
        # 差动启动电流(A), the second setting (CC2 100): 5.5 A is raw 550.
        self.click(SETTINGS_TITLE, ("cell", 0, 1, 2, 3))
        xinput.key("ctrl+a")
        xinput.type_text("5.5")
        xinput.key("Return")
        time.sleep(0.3)
        self.hands.shot(SETTINGS_TITLE, "settings-edited.png")
        frames, entries = len(self.run.sim.frames()), len(self.run.log_texts())
        self.click(SETTINGS_TITLE, ("push button", "下载定值"))
        frame = self.run.wait_frame(lambda f: is_write_block(f, 1, *SETTINGS), frames, what="the settings write")
        self.run.wait_log("下载所有定值成功!", after=entries)
        self.seen["settings download"] = frame

    def sheet(self):
        self.click(SETTINGS_TITLE, ("menu item", "文件(F)"))
        self.hands.shot(SETTINGS_TITLE, "settings-file-menu.png")
        # The item is chosen by keyboard: the menu's items and separators are taller under Wine, so places
        # below the first item do not carry over. It is the fourth item: 信息导出, 打开定值参数, 保存定值参数, 打印定值单….
        for _ in range(4):
            xinput.key("Down")
        xinput.key("Return")
        opened = self.document_opened(timeout=30)  # the sheet is written before it is handed to the shell
        folder = os.path.join(self.run.folder, "信息导出")
        written = [n for n in os.listdir(folder) if n.endswith(".pdf")]
        assert len(written) == 1 and SHEET_NAME.fullmatch(written[0]), written
        self.seen["sheet opened"] = (opened, written[0])
        text = subprocess.run(["pdftotext", "-layout", os.path.join(folder, written[0]), "-"],
                              capture_output=True, text=True, check=True).stdout
        self.seen["sheet"] = [" ".join(line.split()) for line in text.splitlines() if line.strip()]

    def export(self):
        folder = os.path.join(self.run.folder, "信息导出")
        before = set(os.listdir(folder))
        self.click(SETTINGS_TITLE, ("menu item", "文件(F)"))
        self.click(SETTINGS_TITLE, ("menu item", "信息导出"))
        self.answer("export question", "export-question.png", "OK", ("OK", "Cancel"))
        written = sorted(set(os.listdir(folder)) - before)
        assert len(written) == 1 and re.fullmatch(r"\d\d-\d\d-\d\d \d\d\.\d\d\.xls", written[0]), written
        path = os.path.join(folder, written[0])
        book = xlrd.open_workbook(path)
        self.seen["export"] = {s.name: [s.row_values(r) for r in range(s.nrows)] for s in book.sheets()}
        self.seen["export opened"] = (self.document_opened(), written[0])
        xinput.key("Escape")  # back in the settings window, which Esc hides
        self.hands.gone(SETTINGS_TITLE)

    def monitor(self):
        self.click(MAIN_TITLE, ("push button", "通讯管理"))
        self.hands.window(MONITOR)
        time.sleep(1.5)  # a few polls' frames
        self.hands.shot(MONITOR, "monitor.png")
        self.click(MONITOR, ("push button", "保存报文"))
        self.save_as("Tessel - 保存通讯监视记录", "saved monitor", "monitor-save-dialog.png")
        path = os.path.join(self.run.folder, "报文存档", "saved monitor.txt")
        a11y.wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, what="the saved monitor")
        with open(path, "rb") as f:
            self.seen["monitor file"] = f.read()
        # The system's dialog may leave the keyboard elsewhere; a click into the text box takes it back.
        self.click(MONITOR, ("text", None))
        xinput.key("Escape")
        self.hands.gone(MONITOR)

    def events(self):
        frames, entries = self.press("事件记录")
        self.hands.window("事件记录")
        self.click("事件记录", ("push button", "上装记录"))
        self.run.wait_log("分批上装事件记录成功：500/500", after=entries, timeout=90)
        self.seen["event requests"] = [f for f in self.run.frames_since(frames) if f[1] == 17]
        self.hands.shot("事件记录", "events-uploaded.png")
        self.click("事件记录", ("push button", "保存记录"))
        self.save_as("Tessel - 保存装置事件记录", "events", "events-save-dialog.png")
        path = os.path.join(self.run.folder, "运行记录", "events.txt")
        a11y.wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, what="the saved records")
        with open(path, "rb") as f:
            self.seen["events file"] = f.read()
        self.click("事件记录", ("text", None))
        xinput.key("Escape")
        self.hands.gone("事件记录")
        self.seen["help opened"] = self.document_opened()  # closing the records opens the help document

    def version_information(self):
        frames, entries = self.press("版本信息")
        self.hands.window("VARNTessel", timeout=5)
        self.hands.shot("VARNTessel", "splash.png")
        self.hands.window("硬件信息", timeout=15)
        self.hands.shot("硬件信息", "hardware-id-entry.png")
        self.click("硬件信息", ("nth", "text", 1))
        xinput.type_text("123")
        self.click("硬件信息", ("push button", "更新"))
        self.hands.window("请确认输入")
        self.hands.shot("请确认输入", "hardware-id-confirm.png")
        self.click("请确认输入", ("nth", "text", 1))
        xinput.type_text("123")
        self.click("请确认输入", ("push button", "确定"))
        self.answer("ID question", "hardware-id-question.png", "Yes", ("Yes", "No"))
        self.run.wait_log("正在下载设备硬件信息...", after=entries)
        self.seen["ID write"] = self.run.wait_frame(lambda f: is_write_block(f, 1, *PARAMS), frames,
                                                    what="the parameter block with the ID")
        self.run.wait_log("下载所有参数成功!", after=entries)

    def close_by_title_bar(self):
        self.hands.shot(MAIN_TITLE, "main-before-close.png")
        self.click(MAIN_TITLE, TITLE_BAR_CLOSE, settle=0)
        started = time.monotonic()
        self.seen["close exit code"] = self.run.exit_code(timeout=15)
        self.seen["close seconds"] = time.monotonic() - started

    def escape(self):
        self.start(picture=None)
        self.click(MAIN_TITLE, ("label", "装置型号："))  # the window takes the keyboard
        xinput.key("Escape", settle=0)
        started = time.monotonic()
        self.seen["escape exit code"] = self.run.exit_code(timeout=15)
        self.seen["escape seconds"] = time.monotonic() - started

    STEPS = ("start", "operations", "trend", "reconnect", "settings", "sheet", "export", "monitor", "events",
             "version_information", "close_by_title_bar", "escape")


def daily_log(run):
    with open(run.log_path(), "rb") as f:
        return f.read()


def without_lost_poll(data):
    """The daily log without a poll timeout right after 重新连接. Reopening the port empties its queues, and
    whether a poll was on the line at that moment is the timing of two processes, not the build's."""
    reconnected, lost = " -> 重新连接，打开串口成功!".encode("gbk"), " -> 轮循回复超时!".encode("gbk")
    kept = []
    for line in data.split(b"\r\n"):
        if not (kept and line[8:] == lost and kept[-1][8:] == reconnected):
            kept.append(line)
    return b"\r\n".join(kept)


def masked_events(data):
    return EVENT_TIME.sub("YYYY-MM-DD hh:mm:ss.mmm", data.decode("gbk"))


def button_row(picture):
    """The lower part of a message box picture, where its buttons are."""
    image = Image.open(picture)
    w, h = image.size
    return image.crop((0, h * 55 // 100, w, h))


def file_dialog_buttons(picture):
    """The lower right of a file dialog picture, where its buttons are."""
    image = Image.open(picture)
    w, h = image.size
    return image.crop((w // 2, h - 40, w, h))


@unittest.skipUnless(os.path.isfile(SETUP) or os.environ.get("VARN_E2E_WINDOWS_REQUIRED") == "1",
                     f"no Windows installer at {SETUP} (scripts/package-windows.sh)")
class WindowsProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.started = time.monotonic()
        cls.places = Places()
        cls.linux = cls.linux_run()
        cls.linux_seconds = time.monotonic() - cls.started
        cls.prefix, cls.installed = cls.install()
        cls.install_seconds = time.monotonic() - cls.started - cls.linux_seconds
        cls.w = WineSession("windows", cls.prefix, cls.installed, SIM_OPTIONS)
        cls.addClassCleanup(cls.w.stop)
        opened = os.path.join(cls.w.root, "opened.txt")
        cls.prefix.open_documents_with(("pdf", "xls"), opened)
        cls.wine = Scenario(cls.w, WineHands(cls.places, cls.w.desktop), opened)

    @classmethod
    def linux_run(cls):
        s = Session("windows-reference", sim_options=SIM_OPTIONS)
        opened = s.stand_in("xdg-open")
        try:
            scenario = Scenario(s, LinuxHands(s, cls.places), opened)
            for step in Scenario.STEPS:
                getattr(scenario, step)()
            scenario.daily_log = daily_log(s)
        finally:
            s.stop()
        cls.places.save(os.path.join(SHOT_DIR, "places.json"))
        return scenario

    @classmethod
    def install(cls):
        root = os.path.join(cls.linux.run.root, "wine")
        os.makedirs(root)
        cls.addClassCleanup(shutil.rmtree, root, True)  # the prefix takes 700 MB; the pictures stay
        prefix = WinePrefix(root, chinese_locale(CACHE))
        cls.addClassCleanup(prefix.stop)
        prefix.make()
        return prefix, prefix.install(SETUP, INSTALL_DIR)

    @classmethod
    def tearDownClass(cls):
        print(f"\nLinux run {cls.linux_seconds:.0f} s, Wine prefix and installation {cls.install_seconds:.0f} s, "
              f"in all {time.monotonic() - cls.started:.0f} s; pictures in {SHOT_DIR}", file=sys.stderr)

    def step(self, name):
        getattr(self.wine, name)()

    def test_01_installed_into_a_chinese_folder_and_polls(self):
        self.assertIn("保护测控", self.installed)
        self.step("start")

    def test_02_clock_reset_and_remote_control(self):
        self.step("operations")
        for label, frame in self.wine.seen["operations"].items():
            with self.subTest(button=label):
                self.assertEqual(frame, with_crc(frame[:-2]))
                if label != "校对时钟":  # the clock frame carries the time
                    self.assertEqual(frame, self.linux.seen["operations"][label])

    def test_03_trend_window_from_a_value_fields_menu(self):
        self.step("trend")
        colours = Image.open(self.wine.seen["trend picture"]).convert("RGB").getcolors(1 << 16)
        self.assertTrue(colours is None or len(colours) > 16, "an empty trend window")  # None: more colours

    def test_04_reconnect_with_address_search(self):
        self.step("reconnect")

    def test_05_settings_edit_and_download(self):
        self.step("settings")
        frame = self.wine.seen["settings download"]
        self.assertEqual(frame[7 + 2:7 + 4], [550 >> 8, 550 & 0xFF])
        self.assertEqual(frame, self.linux.seen["settings download"])

    def test_06_settings_sheet_holds_the_lists(self):
        self.step("sheet")
        lines = self.wine.seen["sheet"]
        self.assertIn("定值单", lines)
        self.assertIn("装置型号：VARN 装置版本：V1.63", lines)
        self.assertTrue([l for l in lines if re.fullmatch(r"\d+ 差动启动电流\(A\) 5\.50", l)], lines[:12])
        rows = [l for l in lines if SHEET_ROW.match(l)]
        self.assertEqual(rows, [l for l in self.linux.seen["sheet"] if SHEET_ROW.match(l)])
        self.assertGreaterEqual(len(rows), 30 + 64)
        opened, name = self.wine.seen["sheet opened"]
        self.assertEqual(opened, INSTALL_DIR + "\\信息导出\\" + name)

    def test_07_information_export(self):
        self.step("export")
        sheets = self.wine.seen["export"]
        self.assertEqual({name: len(rows) for name, rows in sheets.items()}, {"定值": 31, "参数": 65})
        self.assertEqual(sheets["定值"][2][2], "5.50")
        self.assertEqual(sheets, self.linux.seen["export"])
        opened, name = self.wine.seen["export opened"]
        self.assertEqual(opened, INSTALL_DIR + "\\信息导出\\" + name)

    def test_08_monitor_saved_as_gbk_with_crlf(self):
        self.step("monitor")
        data = self.wine.seen["monitor file"]
        self.assertTrue(data.endswith(b"\r\n"))
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""))
        self.assertNotIn(b"\r", data.replace(b"\r\n", b""))
        lines = data.decode("gbk").split("\r\n")
        self.assertTrue(any(" -> 发 (008) 01 03 00 00 00 3C 45 DB" in line for line in lines), lines[:5])

    def test_09_event_records_to_500_lines(self):
        self.step("events")
        starts = [f[2] << 8 | f[3] for f in self.wine.seen["event requests"]]
        self.assertEqual(starts, list(range(0, 500, 25)))
        data = self.wine.seen["events file"]
        self.assertTrue(data.startswith(EVENT_HEADER.encode("gbk")))
        self.assertEqual(len(data.split(b"\r\n")), 3 + 500 + 1)
        self.assertEqual(masked_events(data), masked_events(self.linux.seen["events file"]))
        self.assertEqual(self.wine.seen["help opened"], INSTALL_DIR + "\\帮助文件\\help.pdf")

    def test_10_version_information_writes_an_id(self):
        self.step("version_information")
        frame = self.wine.seen["ID write"]
        info = frame[7 + 42:7 + 56]
        self.assertEqual(info[:3], [0, 0, 2])
        self.assertEqual(info[8:12], [0, 0, 1, 23])  # serial 00000123
        self.assertEqual(info[12] | info[13] << 8, crc16(info[:12]))
        # Apart from the ID (its time sequence is the minute of the run) the block is the Linux run's.
        linux = self.linux.seen["ID write"]
        self.assertEqual(frame[:7 + 42] + frame[7 + 56:-2], linux[:7 + 42] + linux[7 + 56:-2])

    def fades(self):
        return self.w.output().count("fixme:win:AnimateWindow")

    def test_11_title_bar_close_fades(self):
        before = self.fades()
        self.step("close_by_title_bar")
        self.assertEqual(self.wine.seen["close exit code"], 0)
        # Wine's AnimateWindow hides at once; the program asked it for the fade (it notes each call).
        self.assertEqual(self.fades(), before + 1)
        self.assertGreater(self.linux.seen["close seconds"], 0.6, "the Linux build did not fade out")

    def test_12_escape_ends_without_fade(self):
        self.step("escape")
        self.assertEqual(self.wine.seen["escape exit code"], 0)
        self.assertEqual(self.fades(), 1, "only the splash at the start faded")

    def test_13_daily_log_equals_the_linux_builds(self):
        compared = []
        for name, data in (("linux", self.linux.daily_log), ("wine", daily_log(self.w))):
            with open(os.path.join(SHOT_DIR, f"{name}-daily.log"), "wb") as f:
                f.write(data)
            compared.append(os.path.join(self.w.root, f"{name}-daily.log"))
            with open(compared[-1], "wb") as f:
                f.write(without_lost_poll(data))
        result = subprocess.run([sys.executable, os.path.join(SOURCE_DIR, "scripts", "compare-daily-logs.py"),
                                 *compared], capture_output=True, text=True)
        print(result.stdout.splitlines()[0] if result.returncode == 0 else result.stdout, file=sys.stderr)
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_14_standard_buttons_are_chinese(self):
        """The message boxes show Qt's standard buttons in Chinese (Qt's translation, shipped with the program)
        and the file dialogs, the system's own, in the system's language; read off the pictures (glyphs.py)."""
        english = {"Yes", "No", "OK", "Cancel", *CHINESE_FILE_BUTTONS}
        boxes, dialogs = [], []
        for picture, buttons in self.wine.boxes:
            candidates = [*buttons, *(STANDARD_BUTTONS[b] for b in buttons)]
            shown = [t for t, _ in glyphs.read(button_row(picture), candidates) if t]
            boxes.append((os.path.basename(picture), shown, [STANDARD_BUTTONS[b] for b in buttons]))
        for picture in self.wine.file_dialogs:
            candidates = [*CHINESE_FILE_BUTTONS, *CHINESE_FILE_BUTTONS.values()]
            shown = [t for t, _ in glyphs.read(file_dialog_buttons(picture), candidates) if t]
            dialogs.append((os.path.basename(picture), shown, list(CHINESE_FILE_BUTTONS.values())))
        print("buttons read:", boxes + dialogs, file=sys.stderr)
        for name, shown, chinese in dialogs + boxes:
            with self.subTest(picture=name):
                self.assertEqual(shown, chinese)
                self.assertFalse(english & set(shown))

if __name__ == "__main__":
    unittest.main(verbosity=2)
