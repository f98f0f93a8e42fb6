"""One run of the real program from a scratch program folder, against the relay simulator."""
import atexit
import datetime
import os
import shutil
import stat
import subprocess
import tempfile
import time

from . import a11y
from . import screen
from . import xinput
from .desktop import Desktop

BIN_DIR = os.environ.get("VARN_BIN_DIR", "")
SHOT_DIR = os.environ.get("VARN_E2E_SHOTS", os.path.join(tempfile.gettempdir(), "varn-e2e-shots"))

MAIN_TITLE = "Orlin - VARN"
WORKING_FOLDERS = ("运行记录", "报文存档", "项目存档", "信息导出", "帮助文件")
# Qt's standard buttons by their English names, and the texts Qt's Chinese translation (loaded at start) gives
# them; the accessible name drops the mnemonic's "&".
STANDARD_BUTTONS = {"Yes": "是(Y)", "No": "否(N)", "OK": "确定", "Cancel": "取消"}


def install_program(name, folder):
    """Puts the built executable `name` into `folder`, hard-linked where possible; returns its path."""
    exe = os.path.join(folder, name)
    try:
        os.link(os.path.join(BIN_DIR, name), exe)
    except OSError:
        shutil.copy2(os.path.join(BIN_DIR, name), exe)
    return exe


def make_program_folder(root):
    """A program folder of our own: the executable, the shipped INI files and the empty working folders."""
    folder = os.path.join(root, "program")
    os.makedirs(folder)
    install_program("varn", folder)
    shutil.copytree(os.path.join(BIN_DIR, "配置文件"), os.path.join(folder, "配置文件"))
    for sub in WORKING_FOLDERS:
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
    return folder


_desktop = None


def shared_desktop():
    """The desktop of this test process. The accessibility library binds to the first bus it meets, so one
    process drives one desktop; the programs of its sessions come and go on it."""
    global _desktop
    if _desktop is None:
        _desktop = Desktop().start()
        atexit.register(_desktop.stop)
    return _desktop


class RelaySim:
    """The relay: `relay_sim` following the program folder's point tables. With `com` it links the folder's
    dosdevices/comN to itself (the Linux program's port); `link` names a further link it makes to itself, such
    as a Wine prefix's dosdevices/comN, removed when it stops."""

    def __init__(self, program_folder, frame_log, extra=(), com=2, link=None):
        self.frame_log = frame_log
        self.link = link
        port = ["--com", str(com)] if com else []
        self.proc = subprocess.Popen(
            [os.path.join(BIN_DIR, "relay_sim"), "--program-folder", program_folder, *port,
             "--still", "--frame-log", frame_log, *extra],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = self.proc.stdout.readline()
        if not line.startswith("PTY "):
            raise RuntimeError("relay_sim did not start")
        self.pty = line.split(None, 1)[1].strip()
        if link:
            if os.path.lexists(link):
                os.unlink(link)
            os.symlink(self.pty, link)

    def command(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().strip()

    def register(self, number):
        """The value the relay holds in holding register `number`."""
        return int(self.command(f"get reg {number}").split()[-1], 0)

    def counter(self, name):
        """One of the simulator's counters (received, answered, other_address, ...)."""
        fields = dict(f.split("=") for f in self.command("counters").split()[1:])
        return int(fields[name])

    def frames(self):
        """Every request the simulator received, as lists of byte values."""
        if not os.path.exists(self.frame_log):
            return []
        with open(self.frame_log) as f:
            return [[int(b, 16) for b in line.split() if not b.startswith("@")] for line in f if line.strip()]

    def stop(self):
        if self.proc.poll() is None:
            try:
                self.command("quit")
                self.proc.wait(5)
            except Exception:
                self.proc.kill()
                self.proc.wait(5)
        self.proc.stdin.close()
        self.proc.stdout.close()
        if self.link and os.path.islink(self.link):
            os.unlink(self.link)


class ProgramRun:
    """What every run of the program shares, whichever build runs: its program folder, its relay, the files it
    writes there and the desktop it shows on. Subclasses start the program and find its windows
    (window(title), no_window(title))."""

    def __init__(self, name, root, folder, sim):
        self.name = name
        self.root = root
        self.folder = folder
        self.sim = sim
        self.desktop = shared_desktop()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    # --- what the program wrote ---
    def log_path(self):
        return os.path.join(self.folder, "运行记录", datetime.date.today().strftime("%Y-%m-%d.log"))

    def log_lines(self):
        """The daily log's entries, decoded from GBK."""
        try:
            with open(self.log_path(), "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return []
        return [line for line in data.decode("gbk", errors="replace").split("\r\n") if line]

    def log_texts(self):
        """The daily log's texts without their time prefix "hh:mm:ss -> "."""
        return [line[12:] if line[8:12] == " -> " else line for line in self.log_lines()]

    def wait_log(self, text, timeout=10, after=0):
        """Waits until an entry with exactly `text` is in the daily log beyond the first `after` entries."""
        return a11y.wait_for(lambda: text in self.log_texts()[after:], timeout, what=f"log entry {text!r}")

    # --- what the relay received ---
    def frames_since(self, count):
        return self.sim.frames()[count:]

    def wait_frame(self, predicate, since, timeout=10, what="frame"):
        def found():
            for frame in self.frames_since(since):
                if predicate(frame):
                    return frame
            return None
        try:
            return a11y.wait_for(found, timeout, what=what)
        except AssertionError:
            self.shot_screen(f"failed-{self.name}.png")
            others = [" ".join(f"{b:02X}" for b in f) for f in self.frames_since(since)
                      if f[1:6] != [3, 0, 0, 0, 60]][-6:]
            raise AssertionError(f"timed out waiting for {what}; other requests: {others}; "
                                 f"log: {self.log_texts()[-4:]}") from None

    # --- the operator ---
    def save_as(self, title, name):
        """In the file dialog titled `title`, replaces the proposed file name with `name` and saves."""
        self.window(title)
        xinput.enter_file_name(name)
        self.no_window(title)

    def shot_screen(self, file_name):
        return screen.save(os.path.join(SHOT_DIR, file_name), (0, 0, self.desktop.width, self.desktop.height),
                           self.desktop.display)


class Session(ProgramRun):
    """Desktop + simulator + the Linux program, read off the accessibility bus. Use as a context manager or
    call launch()/stop()."""

    def __init__(self, name, sim_options=(), env=None):
        root = tempfile.mkdtemp(prefix=f"varn-e2e-{name}-")
        folder = make_program_folder(root)
        super().__init__(name, root, folder, RelaySim(folder, os.path.join(root, "frames.log"), sim_options))
        self.extra_env = env or {}
        self.proc = None
        self.app = None

    def stand_in(self, program):
        """Puts a stand-in for `program` first on the program's PATH (call before launch). The stand-in writes
        its arguments, one a line, to the file whose path is returned."""
        folder = os.path.join(self.root, "stand-ins")
        os.makedirs(folder, exist_ok=True)
        record = os.path.join(self.root, program + ".args")
        script = os.path.join(folder, program)
        with open(script, "w") as f:
            f.write(f'#!/bin/sh\nfor a in "$@"; do printf "%s\\n" "$a"; done > "{record}"\n')
        os.chmod(script, stat.S_IRWXU)
        self.extra_env["PATH"] = folder + os.pathsep + os.environ["PATH"]
        return record

    # --- the program ---
    def launch(self, wait_main=True):
        env = dict(self.desktop.env)
        env.update(self.extra_env)
        self.out = open(os.path.join(self.root, "varn.out"), "w")
        self.proc = subprocess.Popen([os.path.join(self.folder, "varn")], cwd=self.root, env=env,
                                     stdout=self.out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        self.app = a11y.application()
        if wait_main:
            self.main = a11y.window(self.app, MAIN_TITLE, timeout=30)
            # The first answers arrive after the parameter upload.
            self.wait_log("打开串口成功!")
        return self

    def exit_code(self, timeout=10):
        return self.proc.wait(timeout)

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(5)
        if self.proc is not None:
            self.out.close()
        self.sim.stop()

    # --- what an operator reads ---
    def window(self, title, timeout=10):
        return a11y.window(self.app, title, timeout)

    def no_window(self, title, timeout=10):
        a11y.no_window(self.app, title, timeout)

    def message_box(self, timeout=5):
        """The message box showing and the texts of its labels."""
        box = a11y.find(self.app, "alert", None, timeout=timeout)
        return box, [a11y.name(o) for o in a11y.find_all(box, "label")]

    def standard_button(self, window, name):
        """The standard button `name` (Yes, No, OK, Cancel) of `window`, by its Chinese text."""
        return a11y.find(window, "push button", STANDARD_BUTTONS[name])

    def answer(self, box, name):
        """Clicks the standard button `name` of the message box `box` and waits until the box has closed."""
        self.click(self.standard_button(box, name))
        self.wait_no_message_box()

    def wait_no_message_box(self):
        """Waits until no message box is showing."""
        a11y.wait_for(lambda: not a11y.find_all(self.app, "alert"), what="the message box closing")

    def bring_to_front(self, title):
        """Raises and activates a window as a click on its task-bar entry does (through the window manager)."""
        subprocess.run(["xdotool", "search", "--name", f"^{title}$", "windowactivate", "--sync"],
                       env=self.desktop.env, check=True, capture_output=True, timeout=10)
        time.sleep(0.2)

    def button(self, window, label):
        return a11y.find(window, "push button", label)

    def click(self, obj, button=1, settle=0.3):
        x, y = a11y.centre(obj)
        xinput.click(x, y, button, settle)

    def click_button(self, window, label, settle=0.3):
        self.click(self.button(window, label), settle=settle)

    def shot(self, window, file_name, margin=30):
        """A picture of `window` with its title bar under the run's picture folder."""
        x, y, w, h = a11y.extents(window)
        box = (max(0, x - 4), max(0, y - margin), w + 8, h + margin + 4)
        return screen.save(os.path.join(SHOT_DIR, file_name), box, self.desktop.display)
