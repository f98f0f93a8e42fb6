"""What an operator can read off the screen, taken from the accessibility bus (AT-SPI)."""
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


class NotFound(AssertionError):
    pass


def _children(obj):
    try:
        count = obj.get_child_count()
    except Exception:  # an object that went away meanwhile
        return []
    out = []
    for i in range(count):
        try:
            child = obj.get_child_at_index(i)
        except Exception:
            child = None
        if child is not None:
            out.append(child)
    return out


def name(obj):
    try:
        return obj.get_name() or ""
    except Exception:
        return ""


def role(obj):
    try:
        return obj.get_role_name()
    except Exception:
        return ""


def application(app_name="varn", timeout=20):
    deadline = time.monotonic() + timeout
    while True:
        desktop = Atspi.get_desktop(0)
        desktop.clear_cache()
        for app in _children(desktop):
            if name(app) == app_name:
                return app
        if time.monotonic() > deadline:
            raise NotFound(f"no application {app_name!r} on the accessibility bus")
        time.sleep(0.2)


def windows(app):
    app.clear_cache()
    return [w for w in _children(app) if is_showing(w)]


def window(app, title, timeout=10):
    """The showing top-level window with exactly this title."""
    deadline = time.monotonic() + timeout
    while True:
        for w in windows(app):
            if name(w) == title:
                return w
        if time.monotonic() > deadline:
            raise NotFound(f"no window {title!r}; showing: {[name(w) for w in windows(app)]}")
        time.sleep(0.1)


def no_window(app, title, timeout=10):
    deadline = time.monotonic() + timeout
    while any(name(w) == title for w in windows(app)):
        if time.monotonic() > deadline:
            raise AssertionError(f"window {title!r} still shows")
        time.sleep(0.1)


def walk(obj, depth=0, limit=12):
    yield obj
    if depth < limit:
        for child in _children(obj):
            yield from walk(child, depth + 1, limit)


def find_all(root, role_name=None, text=None, showing=True):
    root.clear_cache()
    found = []
    for obj in walk(root):
        if role_name is not None and role(obj) != role_name:
            continue
        if text is not None and name(obj) != text:
            continue
        if showing and not is_showing(obj):
            continue
        found.append(obj)
    return found


def find(root, role_name=None, text=None, timeout=5):
    deadline = time.monotonic() + timeout
    while True:
        found = find_all(root, role_name, text)
        if found:
            return found[0]
        if time.monotonic() > deadline:
            raise NotFound(f"no {role_name or 'object'} {text!r} in {name(root)!r}")
        time.sleep(0.1)


class Snapshot:
    """The showing objects under `root`, read in one walk, for several look-ups of controls that do not move."""

    def __init__(self, root):
        self.items = [(role(o), name(o), o) for o in find_all(root)]

    def all(self, role_name=None, text=None):
        return [o for r, n, o in self.items if (role_name is None or r == role_name) and (text is None or n == text)]

    def get(self, role_name=None, text=None):
        found = self.all(role_name, text)
        if not found:
            raise NotFound(f"no {role_name or 'object'} {text!r}")
        return found[0]


def states(obj):
    try:
        return obj.get_state_set()
    except Exception:
        return None


def is_showing(obj):
    s = states(obj)
    return s is not None and s.contains(Atspi.StateType.SHOWING)


def is_checked(obj):
    obj.clear_cache()
    return states(obj).contains(Atspi.StateType.CHECKED)


def is_active(obj):
    obj.clear_cache()
    return states(obj).contains(Atspi.StateType.ACTIVE)


def extents(obj):
    """(x, y, width, height) on the screen."""
    r = obj.get_extents(Atspi.CoordType.SCREEN)
    return r.x, r.y, r.width, r.height


def centre(obj):
    x, y, w, h = extents(obj)
    return x + w // 2, y + h // 2


def text(obj):
    """The text an operator reads in a field: its editable text, else its name."""
    obj.clear_cache()
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)
            iface = obj.get_text_iface()
        if iface is not None:
            return iface.get_text(0, iface.get_character_count())
    except Exception:
        pass
    return name(obj)


def wait_for(predicate, timeout=10, interval=0.1, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(interval)
