"""The portable zip's names: packaging/windows/portable-zip.py marks every entry UTF-8 and its check, which
package-windows.sh runs on every zip it makes, refuses an archive where any entry lacks the flag."""
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "packaging", "windows", "portable-zip.py")


def run(*args):
    return subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True)


class ZipNames(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.folder = os.path.join(self.dir.name, "VARN-1.0-win64")
        os.makedirs(os.path.join(self.folder, "配置文件"))
        os.makedirs(os.path.join(self.folder, "运行记录"))
        for name in ("varn.exe", os.path.join("配置文件", "基本配置.ini")):
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(b"MZ" * 100)

    def tearDown(self):
        self.dir.cleanup()

    def test_every_entry_is_marked_and_unpacks_to_the_same_names(self):
        path = os.path.join(self.dir.name, "made.zip")
        made = run("make", path, self.folder)
        self.assertEqual(made.returncode, 0, made.stderr)
        with zipfile.ZipFile(path) as archive:
            entries = archive.infolist()
            self.assertEqual(sorted(e.filename for e in entries),
                             ["VARN-1.0-win64/", "VARN-1.0-win64/varn.exe", "VARN-1.0-win64/运行记录/",
                              "VARN-1.0-win64/配置文件/", "VARN-1.0-win64/配置文件/基本配置.ini"])
            self.assertTrue(all(e.flag_bits & 0x800 for e in entries))
            self.assertEqual(archive.read("VARN-1.0-win64/配置文件/基本配置.ini"), b"MZ" * 100)

    def test_an_entry_without_the_flag_is_refused(self):
        # zipfile, like Info-ZIP's zip, marks only names beyond ASCII: the ASCII entry is the fault.
        path = os.path.join(self.dir.name, "plain.zip")
        with zipfile.ZipFile(path, "w") as archive:
            archive.write(os.path.join(self.folder, "varn.exe"), "VARN-1.0-win64/varn.exe")
            archive.write(os.path.join(self.folder, "配置文件", "基本配置.ini"), "VARN-1.0-win64/配置文件/基本配置.ini")
        checked = run("check", path)
        self.assertEqual(checked.returncode, 1)
        self.assertEqual(checked.stderr, f"{path}: VARN-1.0-win64/varn.exe: UTF-8 flag missing\n")


if __name__ == "__main__":
    unittest.main()
