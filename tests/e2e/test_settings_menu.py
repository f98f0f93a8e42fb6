"""The menu of 定值参数管理: project files through the real file dialogs, the export, 版权信息, 退出, the
settings sheet read back with pdftotext and the comparison with a saved project file."""
import os
import re
import subprocess
import unittest
import urllib.parse

from varn_e2e import a11y, xinput
from varn_e2e.session import Session

TITLE = "定值参数管理"
PROJECT_SIZE = 144524


class SettingsMenu(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.s = Session("settings-menu")
        cls.opened = cls.s.stand_in("xdg-open")
        cls.s.launch()
        cls.s.wait_log("上装所有参数成功!")
        cls.s.click_button(cls.s.main, "定值参数")
        cls.win = cls.s.window(TITLE)

    @classmethod
    def tearDownClass(cls):
        cls.s.stop()

    def setUp(self):
        if not a11y.is_showing(self.win):  # hidden by an earlier test
            self.s.click_button(self.s.main, "定值参数")
            a11y.wait_for(lambda: a11y.is_showing(self.win), what="the window shown again")
        self.s.bring_to_front(TITLE)

    def menu(self, top, item):
        self.s.click(a11y.find(self.win, "menu item", top))
        entry = a11y.wait_for(lambda: [o for o in a11y.find_all(self.s.app, "menu item", item)
                                       if a11y.extents(o)[2] > 0], what=f"the menu item {item}")[0]
        self.s.click(entry)

    def parameter_cell(self, row):
        return self.cell(1, row)

    def cell(self, table_index, row, column=2):
        """A cell of the settings (0) or parameters (1) list."""
        table = a11y.find_all(self.win, "table")[table_index]
        return a11y.find_all(table, "table cell")[row * 3 + column]

    def rows(self, table_index):
        """Every row of a list as the operator reads it: 序号, name, value."""
        table = a11y.find_all(self.win, "table")[table_index]
        cells = [a11y.text(c) for c in a11y.find_all(table, "table cell", showing=False)]
        return [cells[i:i + 3] for i in range(0, len(cells), 3)]

    def edit(self, cell, text):
        xinput.click(*a11y.centre(cell))
        xinput.key("ctrl+a")
        xinput.type_text(text)
        xinput.key("Return")

    def file_dialog(self, title, name):
        self.s.shot(self.s.window(title), f"settings-{title}.png")
        self.s.save_as(title, name)

    def test_1_save_and_open_a_project_file(self):
        original = a11y.text(self.parameter_cell(3))
        self.menu("文件(F)", "保存定值参数")
        self.file_dialog("保存项目设置文件", "site1.prj")
        path = os.path.join(self.s.folder, "项目存档", "site1.prj")
        a11y.wait_for(lambda: os.path.exists(path) and os.path.getsize(path) == PROJECT_SIZE,
                      what="the project file of 144524 bytes")

        cell = self.parameter_cell(3)
        xinput.click(*a11y.centre(cell))
        xinput.key("ctrl+a")
        xinput.type_text("150")
        xinput.key("Return")
        a11y.wait_for(lambda: a11y.text(self.parameter_cell(3)) == "150", what="the edited parameter")

        self.menu("文件(F)", "打开定值参数")
        self.file_dialog("打开项目设置文件", "site1.prj")
        a11y.wait_for(lambda: a11y.text(self.parameter_cell(3)) == original, what="the saved value back")

    def test_2_export_through_the_menu(self):
        self.menu("文件(F)", "信息导出")
        box, texts = self.s.message_box()
        self.s.shot(box, "settings-export-question.png")
        question = [t for t in texts if t.startswith("已导出文件：")]
        self.assertEqual(len(question), 1, texts)
        self.assertTrue(question[0].endswith("，是否打开文件？  "), question[0])
        path = question[0][len("已导出文件："):-len("，是否打开文件？  ")]
        self.assertEqual(os.path.dirname(path), os.path.join(self.s.folder, "信息导出"))
        self.assertRegex(os.path.basename(path), r"^\d\d-\d\d-\d\d \d\d\.\d\d\.xls$")
        self.s.answer(box, "OK")
        a11y.wait_for(lambda: os.path.exists(self.opened), what="the export opened")
        with open(self.opened) as f:
            self.assertEqual(urllib.parse.unquote(f.read().strip()), "file://" + path)
        # An independent reader opens the workbook.
        sheets = subprocess.run(
            ["/usr/bin/python3", "-c",
             "import sys, xlrd; b = xlrd.open_workbook(sys.argv[1]); "
             "print(' '.join(f'{s.name}:{s.nrows}' for s in b.sheets()))", path],
            capture_output=True, text=True, check=True).stdout.split()
        self.assertEqual(sheets, ["定值:31", "参数:65"])

    def test_3_copyright_splash_closes_itself(self):
        self.menu("帮助(H)", "版权信息")
        self.s.window("VARNTessel", timeout=5)
        a11y.no_window(self.s.app, "VARNTessel", timeout=10)
        self.assertTrue(a11y.is_showing(self.win))

    def test_4_exit_and_enter_hide_the_window(self):
        self.menu("文件(F)", "退出")
        a11y.no_window(self.s.app, TITLE, timeout=2)
        self.s.click_button(self.s.main, "定值参数")
        self.s.window(TITLE)
        x, y, w, h = a11y.extents(a11y.find(self.win, "push button", "上装定值"))
        xinput.click(x + w + 20, y + h // 2)
        xinput.key("Return")
        a11y.no_window(self.s.app, TITLE)

    def test_5_settings_sheet_holds_every_row_as_the_lists_show_it(self):
        entries = len(self.s.log_texts())
        self.s.click(a11y.find(self.win, "push button", "上装定值"))
        self.s.wait_log("上装所有定值成功!", after=entries)
        a11y.wait_for(lambda: self.rows(0)[1][2] != "", what="the uploaded settings")
        if os.path.exists(self.opened):
            os.remove(self.opened)
        self.menu("文件(F)", "打印定值单…")
        a11y.wait_for(lambda: os.path.exists(self.opened), what="the sheet opened")
        with open(self.opened) as f:
            url = urllib.parse.unquote(f.read().strip())
        path = url[len("file://"):]
        self.assertTrue(url.startswith("file://"), url)
        self.assertEqual(os.path.dirname(path), os.path.join(self.s.folder, "信息导出"))
        self.assertRegex(os.path.basename(path), r"^定值单 \d\d-\d\d-\d\d \d\d\.\d\d\.\d\d\.pdf$")
        fonts = subprocess.run(["pdffonts", path], capture_output=True, text=True, check=True).stdout
        embedded = [line.split()[-5] for line in fonts.splitlines()[2:]]
        self.assertTrue(embedded and all(e == "yes" for e in embedded), fonts)
        text = subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, text=True,
                              check=True).stdout
        lines = [line.strip() for line in text.splitlines()]
        self.assertIn("定值单", lines)
        # The model and version as the main window shows them.
        self.assertTrue([l for l in lines if re.fullmatch(r"装置型号：VARN\s+装置版本：V1\.63", l)], lines[:4])
        for table_index in (0, 1):
            rows = self.rows(table_index)
            self.assertEqual(len(rows), (30, 64)[table_index])
            for number, name, value in rows:
                pattern = rf"^{number}\s+{re.escape(name)}" + (rf"\s+{re.escape(value)}$" if value else "$")
                self.assertTrue([l for l in lines if re.match(pattern, l)], f"no line {number} {name} {value}")
        self.assertTrue([l for l in lines if re.fullmatch(r"第 1 页，共 \d 页", l)], "no page number")

    def test_6_comparison_lists_exactly_the_values_edited_after_a_save(self):
        self.menu("文件(F)", "保存定值参数")
        self.file_dialog("保存项目设置文件", "site2.prj")
        path = os.path.join(self.s.folder, "项目存档", "site2.prj")
        a11y.wait_for(lambda: os.path.exists(path) and os.path.getsize(path) == PROJECT_SIZE,
                      what="the saved project file")
        setting_before = a11y.text(self.cell(0, 1))
        parameter_before = a11y.text(self.cell(1, 12))
        self.edit(self.cell(0, 1), "6")
        self.edit(self.cell(1, 12), "321")
        a11y.wait_for(lambda: a11y.text(self.cell(1, 12)) == "321", what="the edited parameter")
        setting_name, parameter_name = a11y.text(self.cell(0, 1, 1)), a11y.text(self.cell(1, 12, 1))
        setting_shown = a11y.text(self.cell(0, 1))

        self.menu("文件(F)", "比较项目文件…")
        self.file_dialog("选择比较的项目文件", "site2.prj")
        window = self.s.window("比较项目文件")
        self.s.shot(window, "settings-compare.png")
        table = a11y.find(window, "table")
        cells = [a11y.text(c) for c in a11y.find_all(table, "table cell")]
        self.assertEqual([cells[i:i + 5] for i in range(0, len(cells), 5)],
                         [["定值", "2", setting_name, "6.00", setting_before],
                          ["参数", "13", parameter_name, "321", parameter_before]])
        # Reading the file changed nothing in the lists.
        self.assertEqual(a11y.text(self.cell(0, 1)), setting_shown)
        self.assertEqual(a11y.text(self.cell(1, 12)), "321")
        self.s.click(a11y.find(window, "push button", "关闭"))
        a11y.no_window(self.s.app, "比较项目文件")

        # A file of the wrong size is refused as 打开定值参数 refuses it.
        with open(os.path.join(self.s.folder, "项目存档", "short.prj"), "wb") as f:
            f.write(b"\0" * (PROJECT_SIZE - 1))
        self.s.bring_to_front(TITLE)
        self.menu("文件(F)", "比较项目文件…")
        self.file_dialog("选择比较的项目文件", "short.prj")
        box, texts = self.s.message_box()
        self.assertIn("项目文件无效：大小不是144524字节，未载入。", texts)
        self.s.answer(box, "OK")
        a11y.no_window(self.s.app, "比较项目文件", timeout=2)


if __name__ == "__main__":
    unittest.main(verbosity=2)
