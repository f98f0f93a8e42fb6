"""The Windows installer under Wine: it installs exactly the program folder, its uninstaller refuses while
the program runs and then removes exactly what was installed, leaving the operator's logs and configuration;
a folder outside the user's profile is accepted once protected. Needs scripts/package-windows.sh first."""
import glob
import os
import re
import shutil
import subprocess
import time
import unittest
import zipfile

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK = os.environ.get("VARN_PACKAGE_WORK", os.path.join(REPO, "build", "default", "package-windows-test"))
with open(os.path.join(REPO, "CMakeLists.txt")) as f:
    VERSION = re.search(r"^project\(VARN VERSION ([0-9.]+)", f.read(), re.M).group(1)
SETUP = os.path.join(REPO, "dist", f"VARN-Setup-{VERSION}.exe")
ZIP = os.path.join(REPO, "dist", f"VARN-{VERSION}-win64.zip")
PREFIX = os.path.join(WORK, "prefix")
ENV = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all", WINEARCH="win64",
           WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d")
USER_NAME = os.environ.get("USER") or "root"
USER = os.path.join(PREFIX, "drive_c", "users", USER_NAME)
INSTALLED = os.path.join(USER, "AppData", "Local", "Programs", "VARN")
INSTALLED_WINDOWS = rf"C:\users\{USER_NAME}\AppData\Local\Programs\VARN"


def wine(*args, cwd=None, check=True):
    return subprocess.run(["wine", *args], env=ENV, cwd=cwd, check=check, timeout=120,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def wait_wine():
    subprocess.run(["wineserver", "-w"], env=ENV, timeout=120, check=True)


def tree(folder):
    """Every file and folder below `folder`, relative, '/' between names, folders ending in '/'."""
    found = set()
    for root, dirs, files in os.walk(folder):
        rel = os.path.relpath(root, folder)
        prefix = "" if rel == "." else rel + "/"
        found.update(prefix + d + "/" for d in dirs)
        found.update(prefix + f for f in files)
    return found


class Installer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for path in (SETUP, ZIP):
            if not os.path.exists(path):
                raise AssertionError(f"{path} is missing: run scripts/package-windows.sh")
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        subprocess.run(["wineboot", "--init"], env=ENV, timeout=300, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Windows without a display: Wine's null graphics driver still makes real windows.
        wine("reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Graphics", "/d", "null", "/f")
        wait_wine()
        # The program folder as shipped: the zip's entries without its readme.
        with zipfile.ZipFile(ZIP) as archive:
            top = f"VARN-{VERSION}-win64/"
            cls.shipped = {n[len(top):] for n in archive.namelist() if n != top} - {"README.txt"}

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=ENV, timeout=60)

    def test_1_install_refused_while_running_then_removed(self):
        self.assertEqual(wine(SETUP, "/S"), 0)
        wait_wine()
        self.assertEqual(tree(INSTALLED), self.shipped | {"uninstall.exe"})
        self.assertTrue(os.path.exists(os.path.join(USER, "Desktop", "VARN.lnk")))

        program = subprocess.Popen(["wine", "varn.exe"], env=ENV, cwd=INSTALLED,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 60
            while not glob.glob(os.path.join(INSTALLED, "运行记录", "*.log")):
                self.assertLess(time.monotonic(), deadline, "the program did not start")
                time.sleep(0.5)
            # In place (_?=), so that its exit code comes back: 2, nothing removed.
            uninstall = os.path.join(INSTALLED, "uninstall.exe")
            self.assertEqual(wine(uninstall, "/S", "_?=" + INSTALLED_WINDOWS, check=False), 2)
            self.assertTrue(self.shipped | {"uninstall.exe"} <= tree(INSTALLED))
        finally:
            wine("taskkill", "/F", "/IM", "varn.exe", check=False)
            program.wait(timeout=60)

        # The operator's own files, and a configuration changed since the installation.
        with open(os.path.join(INSTALLED, "运行记录", "notes.txt"), "w") as f:
            f.write("mine")
        ini = os.path.join(INSTALLED, "配置文件", "基本配置.ini")
        with open(ini, "ab") as f:
            f.write(b"\r\n; changed\r\n")
        with open(ini, "rb") as f:
            changed = f.read()
        logs = {"运行记录/" + os.path.basename(p) for p in glob.glob(os.path.join(INSTALLED, "运行记录", "*"))}

        self.assertEqual(wine(os.path.join(INSTALLED, "uninstall.exe"), "/S"), 0)
        wait_wine()  # the uninstaller runs on from a copy of itself
        configuration = {n for n in self.shipped if n.startswith("配置文件/")}
        self.assertEqual(tree(INSTALLED), configuration | {"运行记录/"} | logs)
        with open(ini, "rb") as f:
            self.assertEqual(f.read(), changed)
        self.assertFalse(os.path.exists(os.path.join(USER, "Desktop", "VARN.lnk")))
        self.assertNotEqual(wine("reg", "query", r"HKCU\Software\VARN", check=False), 0)

    def test_2_folder_outside_the_profile_is_protected_and_used(self):
        self.assertEqual(wine(SETUP, "/S", r"/D=C:\VARN"), 0)
        wait_wine()
        self.assertEqual(tree(os.path.join(PREFIX, "drive_c", "VARN")), self.shipped | {"uninstall.exe"})


if __name__ == "__main__":
    unittest.main()
