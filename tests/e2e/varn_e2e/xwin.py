"""Top-level windows as the X server knows them: found by title, placed on the screen. For programs that show
nothing on the accessibility bus (the Windows program under Wine) and for runs that must not read it."""
import subprocess
import time

from . import a11y


def _exact(title):
    """A POSIX extended regular expression (xdotool's) matching exactly `title`."""
    return "^" + "".join("\\" + c if c in ".[]()*+?{}|^$\\" else c for c in title) + "$"


def _run(*args):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, timeout=20).stdout


def find(title):
    """The ids of the mapped windows whose title is exactly `title`."""
    return _run("xdotool", "search", "--onlyvisible", "--name", _exact(title)).split()


def geometry(window):
    """(x, y, width, height) of a window's own area on the screen, its frame left out: for a window of a Qt
    program (and of Wine) that is the client area."""
    fields = {}
    for line in _run("xwininfo", "-id", window).splitlines():
        name, _, value = line.strip().partition(":")
        fields[name] = value.strip()
    try:
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]), int(fields["Width"]),
                int(fields["Height"]))
    except (KeyError, ValueError):
        raise a11y.NotFound(f"window {window} went away") from None


def wait(title, timeout=10):
    """The id of the mapped window titled `title` once there is one; the newest when there are several."""
    return a11y.wait_for(lambda: (find(title) or [None])[-1], timeout, what=f"the window {title!r}")


def wait_gone(title, timeout=10):
    a11y.wait_for(lambda: not find(title), timeout, what=f"the window {title!r} closing")


def activate(window):
    """Raises and activates a window through the window manager, as a click on its task-bar entry does."""
    subprocess.run(["xdotool", "windowactivate", "--sync", str(window)], capture_output=True, timeout=10)
    time.sleep(0.2)
