"""The Windows program as an operator gets it: the installer run silently into a fresh Wine prefix, the
installed varn.exe started against the relay simulator on one of the prefix's COM ports, on the shared desktop.
Nothing of it shows on the accessibility bus; its windows are found through the X server (xwin.py)."""
import os
import subprocess
import tempfile

from . import xwin
from .session import MAIN_TITLE, ProgramRun, RelaySim

# Wine in the language and code page of a Chinese Windows. Debian builds no locale but C, so the test compiles
# zh_CN.UTF-8 into a folder of its own (LOCPATH) from the `locales` package's sources.
CHINESE = "zh_CN.UTF-8"


def chinese_locale(cache):
    """The folder holding the compiled Chinese locale, made once in `cache`."""
    folder = os.path.join(cache, "locales")
    if not os.path.isdir(os.path.join(folder, CHINESE)):
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["localedef", "-i", "zh_CN", "-f", "UTF-8", os.path.join(folder, CHINESE)], check=True,
                       capture_output=True, timeout=120)
    return folder


class WinePrefix:
    """A Wine prefix of its own (64-bit, no Mono or Gecko, no menu entries on the host) with a home of its own,
    so nothing reaches the user's desktop."""

    def __init__(self, root, locale_folder=None):
        self.path = os.path.join(root, "wineprefix")
        home = os.path.join(root, "home")
        os.makedirs(home, exist_ok=True)
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEARCH="win64", HOME=home, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        if locale_folder:
            self.env.update(LOCPATH=locale_folder, LC_ALL=CHINESE, LANG=CHINESE)

    def run(self, *args, timeout=120):
        return subprocess.run(["wine", *args], env=self.env, capture_output=True, timeout=timeout)

    def make(self):
        subprocess.run(["wineboot", "--init"], env=self.env, capture_output=True, check=True, timeout=180)
        self.wait()

    def wait(self):
        """Waits until every process of the prefix has ended."""
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=180)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)

    def unix_path(self, windows_path):
        """The host path of a path on drive C."""
        drive, _, rest = windows_path.partition(":\\")
        assert drive.upper() == "C", windows_path
        return os.path.join(self.path, "drive_c", *rest.split("\\"))

    def install(self, setup, folder):
        """Runs the installer silently (/S) into the Windows folder `folder`; returns its host path."""
        self.run(setup, "/S", f"/D={folder}", timeout=300)
        self.wait()
        installed = self.unix_path(folder)
        if not os.path.isfile(os.path.join(installed, "varn.exe")):
            raise AssertionError(f"the installer left no varn.exe in {installed}")
        return installed

    def com_port(self, number):
        return os.path.join(self.path, "dosdevices", f"com{number}")

    def open_documents_with(self, extensions, record):
        """Lets the shell open documents of these extensions with a stand-in that appends the path it was
        given (as the program handed it to the shell) to `record`, one a line."""
        script = record + ".sh"
        with open(script, "w") as f:
            f.write(f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{record}"\n')
        os.chmod(script, 0o755)
        # A Wine program can start a host executable; the shell runs the stand-in with the host's path.
        command = f'"Z:\\bin\\sh" "{script}" "%1"'.replace("\\", "\\\\").replace('"', '\\"')
        lines = ["Windows Registry Editor Version 5.00", ""]
        for ext in extensions:
            lines += [f"[HKEY_CLASSES_ROOT\\.{ext}]", '@="VarnTest.Opened"', ""]
        lines += ["[HKEY_CLASSES_ROOT\\VarnTest.Opened\\shell\\open\\command]", f'@="{command}"', ""]
        reg = record + ".reg"
        with open(reg, "w", encoding="utf-16") as f:
            f.write("\r\n".join(lines))
        self.run("regedit", "/S", "Z:" + reg.replace("/", "\\"))


class WineSession(ProgramRun):
    """The installed Windows program in `prefix` against a relay simulator of its own on COM2."""

    def __init__(self, name, prefix, folder, sim_options=()):
        root = tempfile.mkdtemp(prefix=f"varn-e2e-{name}-")
        sim = RelaySim(folder, os.path.join(root, "frames.log"), sim_options, com=None, link=prefix.com_port(2))
        super().__init__(name, root, folder, sim)
        self.prefix = prefix
        self.proc = None
        self.runs = []

    def launch(self, wait_main=True, timeout=60):
        """Starts varn.exe from its folder, as its shortcut does. Wine's fix-me notes of the window functions
        go to the run's output: an AnimateWindow there is the program asking the system for a fade."""
        out_path = os.path.join(self.root, f"varn-{len(self.runs) + 1}.out")
        self.out = open(out_path, "w")
        self.runs.append(out_path)
        env = dict(self.prefix.env, WINEDEBUG="-all,fixme+win")
        self.proc = subprocess.Popen(["wine", "./varn.exe"], cwd=self.folder, env=env, stdout=self.out,
                                     stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        if wait_main:
            self.main = xwin.wait(MAIN_TITLE, timeout)
            self.wait_log("打开串口成功!", timeout=30)
        return self

    def output(self):
        """What Wine wrote while the last run went on."""
        with open(self.runs[-1], errors="replace") as f:
            return f.read()

    def exit_code(self, timeout=10):
        code = self.proc.wait(timeout)
        self.out.close()
        return code

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(5)
        if self.proc is not None and not self.out.closed:
            self.out.close()
        self.sim.stop()

    def window(self, title, timeout=10):
        return xwin.wait(title, timeout)

    def no_window(self, title, timeout=10):
        xwin.wait_gone(title, timeout)

    def bring_to_front(self, title):
        xwin.activate(xwin.wait(title))

