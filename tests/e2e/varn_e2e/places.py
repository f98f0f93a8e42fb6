"""Where the operator finds a control in a window that shows nothing on the accessibility bus.

The Windows program runs the same layout code as the Linux program, so a control sits at the same place in its
window on both systems, up to what the system's font and style change. A Linux run of a scenario learns from
the accessibility bus where each control it uses sits, relative to its window's client area, together with the
window's size (`LinuxHands`). The run of the same scenario under Wine finds the window through the X server,
measures its client area and maps each learnt place into it (`WineHands`):

- A window laid out in dialog units (`DIALOG_UNITS`: the main window, the settings window) scales with the
  font's base units, and so does every place in it: the place scales with the client area.
- A window laid out by Qt's layouts (`LAYOUTS`: message boxes, the monitor, the event and hardware-ID
  windows) keeps its controls at the style's margins from the edge they are anchored to: a control narrower
  than half the window keeps its distance to the nearer edge, a wider one scales with the window.
"""
import json
import os

from . import a11y, screen, xinput, xwin
from .session import SHOT_DIR

DIALOG_UNITS = "dialog units"
LAYOUTS = "layouts"
TITLE_BAR_CLOSE = ("title bar", "close")  # the window manager's close button, the same on both runs


def _key(control):
    return "|".join(str(part) for part in control)


def _title_bar_close(geometry):
    x, y, w, _ = geometry
    return x + w - 9, y - 10


class Places:
    def __init__(self):
        self.windows = {}

    def learn_window(self, name, extents, layout):
        entry = self.windows.setdefault(name, {"layout": layout, "controls": {}})
        entry["size"] = list(extents[2:])

    def learn(self, name, control, window_extents, extents):
        wx, wy = window_extents[:2]
        x, y, w, h = extents
        self.windows[name]["controls"][_key(control)] = [x - wx, y - wy, w, h]

    def point(self, name, control, geometry):
        """The screen point of `control` in window `name`, whose client area is at `geometry` now."""
        if name not in self.windows or _key(control) not in self.windows[name]["controls"]:
            raise a11y.NotFound(f"the Linux run did not learn where {control} is in {name!r}")
        entry = self.windows[name]
        x, y, w, h = entry["controls"][_key(control)]
        learnt_w, learnt_h = entry["size"]
        gx, gy, gw, gh = geometry
        if entry["layout"] == DIALOG_UNITS:
            return gx + (x + w / 2) * gw / learnt_w, gy + (y + h / 2) * gh / learnt_h
        return gx + _along(x, w, learnt_w, gw), gy + _along(y, h, learnt_h, gh)

    def save(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            json.dump(self.windows, f, ensure_ascii=False, indent=1)


def _along(start, length, learnt, now):
    """The centre of a span [start, start + length) of a window `learnt` long, in the window now `now` long."""
    centre = start + length / 2
    if length > learnt / 2:
        return centre * now / learnt
    return centre if centre < learnt / 2 else now - (learnt - centre)


class LinuxHands:
    """The operator's hands on the Linux program: each control found on the accessibility bus, its place
    learnt on the way."""

    def __init__(self, session, places, prefix="linux"):
        self.s = session
        self.places = places
        self.prefix = prefix
        self.windows = {}

    def window(self, name, title=None, layout=LAYOUTS, box=False, timeout=10):
        """Waits for the window the scenario calls `name` (titled `title`, else `name`; `box`: a message
        box) and learns its size."""
        if box:
            window = a11y.find(self.s.app, "alert", None, timeout=timeout)
        else:
            window = self.s.window(title or name, timeout)
        self.windows[name] = window
        self.places.learn_window(name, a11y.extents(window), layout)
        return window

    def gone(self, title, timeout=10):
        self.s.no_window(title, timeout)

    def box_gone(self):
        self.s.wait_no_message_box()

    def find(self, name, control):
        window = self.windows[name]
        kind = control[0]
        if kind == "standard button":
            return self.s.standard_button(window, control[1])
        if kind == "menu item":  # a menu's items show in a window of their own
            return a11y.wait_for(lambda: [o for o in a11y.find_all(self.s.app, "menu item", control[1])
                                          if a11y.extents(o)[2] > 0], what=f"the menu item {control[1]}")[0]
        if kind == "nth":  # ("nth", role, index): the index-th control of that role showing
            return a11y.wait_for(lambda: a11y.find_all(window, control[1])[control[2]:], timeout=5,
                                 what=f"{control} in {name}")[0]
        if kind == "cell":  # ("cell", table, row, column, columns): a cell of the table-th list
            _, table, row, column, columns = control
            cells = a11y.find_all(a11y.find_all(window, "table")[table], "table cell")
            return cells[row * columns + column]
        if kind == "value of":  # ("value of", name): the value field beside a point's name label
            lx, ly, lw, lh = a11y.extents(a11y.find(window, "label", control[1]))
            beside = [(e[0], o) for o in a11y.find_all(window, "label") if (e := a11y.extents(o))[0] >= lx + lw
                      and abs(e[1] + e[3] / 2 - (ly + lh / 2)) < lh / 2]
            return min(beside, key=lambda pair: pair[0])[1]
        return a11y.find(window, kind, control[1])

    def point(self, name, control):
        if control == TITLE_BAR_CLOSE:
            return _title_bar_close(a11y.extents(self.windows[name]))
        obj = self.find(name, control)
        self.places.learn(name, control, a11y.extents(self.windows[name]), a11y.extents(obj))
        return a11y.centre(obj)

    def click(self, name, control, settle=0.3, button=1):
        xinput.click(*self.point(name, control), button=button, settle=settle)

    def shot(self, name, file_name):
        return self.s.shot(self.windows[name], f"{self.prefix}-{file_name}")


class WineHands:
    """The operator's hands on a program that shows nothing on the accessibility bus: windows found through
    the X server by their titles, controls at the places a Linux run learnt."""

    def __init__(self, places, desktop, prefix="wine"):
        self.places = places
        self.desktop = desktop
        self.prefix = prefix
        self.windows = {}

    def window(self, name, title=None, layout=LAYOUTS, box=False, timeout=10):
        """Waits for the window `name` (titled `title`, else `name`; message boxes carry the program's name
        as their title) and measures its client area."""
        window = xwin.wait(title or ("varn" if box else name), timeout)
        self.windows[name] = window
        return window

    def geometry(self, name):
        return xwin.geometry(self.windows[name])

    def gone(self, title, timeout=10):
        xwin.wait_gone(title, timeout)

    def box_gone(self):
        xwin.wait_gone("varn")

    def point(self, name, control):
        if control == TITLE_BAR_CLOSE:
            return _title_bar_close(self.geometry(name))
        x, y = self.places.point(name, control, self.geometry(name))
        return round(x), round(y)

    def click(self, name, control, settle=0.3, button=1):
        xinput.click(*self.point(name, control), button=button, settle=settle)

    def shot(self, name, file_name, margin=30):
        x, y, w, h = self.geometry(name)
        box = (max(0, x - 4), max(0, y - margin), w + 8, h + margin + 4)
        return screen.save(os.path.join(SHOT_DIR, f"{self.prefix}-{file_name}"), box, self.desktop.display)
