"""A private desktop for one test run: Xvfb, a window manager, a D-Bus session bus with the accessibility bus."""
import os
import shutil
import subprocess
import tempfile
import time


class Desktop:
    """Starts Xvfb on a free display, openbox on it and a session bus; stop() ends them all."""

    def __init__(self, width=1600, height=1000):
        self.width = width
        self.height = height
        self.procs = []
        self.env = dict(os.environ)
        self.tmp = tempfile.mkdtemp(prefix="varn-e2e-desktop-")

    def start(self):
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{self.width}x{self.height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        self.procs.append(xvfb)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.env.update({
            "DISPLAY": self.display,
            "XDG_RUNTIME_DIR": self.tmp,
            "HOME": self.env.get("HOME", self.tmp),
            "NO_AT_BRIDGE": "0",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "QT_QPA_PLATFORM": "xcb",
            "LANG": "C.UTF-8",
        })
        self.env.pop("WAYLAND_DISPLAY", None)
        # The bus stays a child of ours (no --fork, which would detach it into a session of its own), so that
        # whatever ends this run's process group ends the bus too.
        read_fd, write_fd = os.pipe()
        self.procs.append(subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", f"--print-address={write_fd}"], env=self.env,
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            address = pipe.readline().strip()
        if not address:
            raise RuntimeError("dbus-daemon did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.procs.append(subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        # The accessibility bus answers once the window manager is up; both come up within a second.
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                        "org.a11y.Bus.GetAddress"], env=self.env, capture_output=True, timeout=20)
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                        "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status",
                        "string:IsEnabled", "variant:boolean:true"], env=self.env, capture_output=True,
                       timeout=20)
        os.environ.update({k: self.env[k] for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                                                     "XDG_RUNTIME_DIR")})
        time.sleep(0.5)
        return self

    def stop(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
        shutil.rmtree(self.tmp, ignore_errors=True)
