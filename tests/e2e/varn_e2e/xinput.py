"""Real input through the X server (XTest, by xdotool), as an operator's mouse and keyboard give it."""
import subprocess
import time


def _xdotool(*args):
    return subprocess.run(["xdotool", *[str(a) for a in args]], check=True, capture_output=True, text=True,
                          timeout=20).stdout


def location():
    """The pointer's (x, y) on the screen."""
    fields = dict(f.split(":") for f in _xdotool("getmouselocation").split())
    return int(fields["x"]), int(fields["y"])


def move(x, y, timeout=10):
    """Moves the pointer and returns once the X server has it there. xdotool's own --sync waits for the
    pointer to leave where it was, so a move onto the spot it already holds would stall for 15 s."""
    target = int(x), int(y)
    if location() == target:
        return
    _xdotool("mousemove", *target)
    deadline = time.monotonic() + timeout
    while location() != target:
        if time.monotonic() > deadline:
            raise AssertionError(f"the pointer did not reach {target}: it is at {location()}")
        time.sleep(0.01)


def click(x, y, button=1, settle=0.25):
    move(x, y)
    _xdotool("click", button)
    time.sleep(settle)


def double_click(x, y, settle=0.3):
    move(x, y)
    _xdotool("click", "--repeat", 2, "--delay", 80, 1)
    time.sleep(settle)


def press(x, y, button=1):
    move(x, y)
    _xdotool("mousedown", button)


def release(button=1, settle=0.25):
    _xdotool("mouseup", button)
    time.sleep(settle)


def wheel(x, y, notches, ctrl=False, settle=0.3):
    """Turns the wheel over (x, y): positive notches away from the operator (up), negative towards."""
    move(x, y)
    time.sleep(0.3)  # the hand rests on the spot before the wheel turns: the hover has been seen
    if ctrl:
        _xdotool("keydown", "ctrl")
    _xdotool("click", "--repeat", abs(notches), "--delay", 60, 4 if notches > 0 else 5)
    if ctrl:
        _xdotool("keyup", "ctrl")
    time.sleep(settle)


def key(*names, settle=0.25):
    """Presses keys to the window that has the keyboard focus, e.g. key("Return"), key("ctrl+a")."""
    _xdotool("key", "--delay", 40, *names)
    time.sleep(settle)


def type_text(text, settle=0.25):
    _xdotool("type", "--delay", 40, text)
    time.sleep(settle)


def enter_file_name(name):
    """In a file dialog whose name field has the focus, replaces the proposed name with `name` and confirms.
    Only keys that Qt's own dialog and the system's dialog under Wine both take: End, Shift+Home, the text."""
    key("End", "shift+Home")
    type_text(name)
    key("Return")
