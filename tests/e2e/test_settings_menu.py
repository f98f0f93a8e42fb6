"""The menu of 定值参数管理: project files through the real file dialogs, the export, 版权信息, 退出."""
import os
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
        self.s.bring_to_front(TITLE)

    def menu(self, top, item):
        self.s.click(a11y.find(self.win, "menu item", top))
        entry = a11y.wait_for(lambda: [o for o in a11y.find_all(self.s.app, "menu item", item)
                                       if a11y.extents(o)[2] > 0], what=f"the menu item {item}")[0]
        self.s.click(entry)

    def parameter_cell(self, row):
        table = a11y.find_all(self.win, "table")[1]
        return a11y.find_all(table, "table cell")[row * 3 + 2]

    def file_dialog(self, title, name):
        dialog = self.s.window(title)
        self.s.shot(dialog, f"settings-{title}.png")
        xinput.key("ctrl+a")
        xinput.type_text(name)
        xinput.key("Return")
        a11y.no_window(self.s.app, title)

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
        box = a11y.find(self.s.app, "alert", None)
        self.s.shot(box, "settings-export-question.png")
        texts = [a11y.name(o) for o in a11y.find_all(box, "label")]
        question = [t for t in texts if t.startswith("已导出文件：")]
        self.assertEqual(len(question), 1, texts)
        self.assertTrue(question[0].endswith("，是否打开文件？  "), question[0])
        path = question[0][len("已导出文件："):-len("，是否打开文件？  ")]
        self.assertEqual(os.path.dirname(path), os.path.join(self.s.folder, "信息导出"))
        self.assertRegex(os.path.basename(path), r"^\d\d-\d\d-\d\d \d\d\.\d\d\.xls$")
        self.s.click(a11y.find(box, "push button", "OK"))
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


if __name__ == "__main__":
    unittest.main(verbosity=2)
