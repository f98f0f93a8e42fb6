"""A long run of the real program on a faulty line, used as an operator uses it, with a midnight in the middle.

The relay simulator faults a share of its replies (dropped, wrong CRC, another sender address, split by a
pause, random bytes instead). The operator sets the clock every 10 s, uploads and downloads the settings and
parameters every minute, uploads the event records every 5 minutes, keeps the communication monitor open and
saves (then clears) it every 2.5 minutes. The local midnight is placed inside the run through the program's
time zone, so the daily log rolls over to a new file while the program runs.

Afterwards the run is judged on what an engineer relies on: the program never died or hung, no pass of its
loop took longer than one wait for an answer (nor did the last one before the end), every command the relay
received has exactly one outcome line of its own kind, in order and in time,
the log lines are whole, in order and the same in the box and the files, the new day's file has no run
separator, nothing the relay holds was changed by a download (no garbage written), memory stays flat.

Usage: soak.py --minutes M [--seed N] [--report PATH] [--look-once] [--heaptrack PATH.zst]
(VARN_BIN_DIR: the folder of varn and relay_sim)
"""
import argparse
import datetime
import os
import re
import signal
import statistics
import subprocess
import sys
import time

from varn_e2e import a11y, xinput, xwin
from varn_e2e.modbus import block_values, is_write_block, read_registers
from varn_e2e.session import MAIN_TITLE, Session

ADDRESS = 1
PARAMS = (100, 64)
SETTINGS = (200, 30)
WAIT_MS = 2000  # the longest wait for an answer: 200 x 10 ms
SILENCE_MS = 200  # a frame is complete after this much silence on the line
# A pass that times out lasts one wait; on top of it come the frame end it may just miss and the pass's own
# handling (log lines and field updates carried out by the UI thread, which may be busy for a moment). The
# README gives the same figure.
PASS_LIMIT_MS = WAIT_MS + SILENCE_MS + 200
# An outcome line is stamped (to the second) at most one pass after its command reached the relay.
OUTCOME_LATE_S = PASS_LIMIT_MS / 1000 + 1
SEPARATOR = b"\r\n" + b"-" * 68 + b"\r\n"
ENTRY = re.compile(r"^(\d\d):(\d\d):(\d\d) -> ")

SUCCESS = {  # outcome line -> the kind of request it answers
    "校时成功!": "clock",
    "上装所有定值成功!": "settings read",
    "下载所有定值成功!": "settings write",
    "上装所有参数成功!": "params read",
    "下载所有参数成功!": "params write",
}
FAILURE = ("操作失败!", "上装定值失败!", "上装参数失败!")
EVENT_BATCH = "分批上装事件记录成功："
FAILURE_OF = {"settings read": "上装定值失败!", "params read": "上装参数失败!"}  # the others: 操作失败!
MONITOR = "通讯管理 - 正常监视"
SETTINGS_WINDOW = "定值参数管理"


class HeapRecording:
    """Records every allocation and release of the program with heaptrack (Debian package `heaptrack`), as the
    `heaptrack` command does: its preload library writes into a pipe, its interpreter reads the pipe, zstd packs
    the result into `path`. scripts/heap-growth.py then shows what grew between two moments of the run."""
    LIBRARY = "/usr/lib/heaptrack/libheaptrack_preload.so"
    INTERPRETER = "/usr/lib/heaptrack/libexec/heaptrack_interpret"

    def __init__(self, path, session):
        self.path = os.path.abspath(path)
        self.pipe = os.path.join(session.root, "heaptrack.pipe")
        os.mkfifo(self.pipe)
        self.reader = subprocess.Popen(["sh", "-c", 'exec "$0" < "$1" | zstd -q -c > "$2"', self.INTERPRETER,
                                        self.pipe, self.path])
        session.extra_env.update(LD_PRELOAD=self.LIBRARY, DUMP_HEAPTRACK_OUTPUT=self.pipe)

    def finish(self):
        """Waits until the interpreter has written everything the ended program sent."""
        try:
            self.reader.wait(120)
        except subprocess.TimeoutExpired:
            self.reader.kill()
        os.unlink(self.pipe)


def midnight_zone(seconds_from_now):
    """A POSIX time zone whose local midnight falls `seconds_from_now` seconds from now: at that moment the
    UTC time of day is the zone's offset behind UTC."""
    roll = int(time.time()) + seconds_from_now
    s = roll % 86400
    return f"SOAK+{s // 3600:02d}:{s % 3600 // 60:02d}:{s % 60:02d}"


def request_kind(frame):
    if frame[1] == 16 and frame[2:6] == [0, 0, 0, 6]:
        return "clock"
    if frame == read_registers(ADDRESS, *SETTINGS):
        return "settings read"
    if frame == read_registers(ADDRESS, *PARAMS):
        return "params read"
    if is_write_block(frame, ADDRESS, *SETTINGS):
        return "settings write"
    if is_write_block(frame, ADDRESS, *PARAMS):
        return "params write"
    if frame[1] == 17:
        return "event batch"
    return None  # polls and SOE reads: not commands


def is_outcome(text):
    return text in SUCCESS or text in FAILURE or text.startswith(EVENT_BATCH)


def outcome_fits(kind, text):
    """Whether `text` is an outcome line of a command of `kind`: its success line or its failure line."""
    success = "event batch" if text.startswith(EVENT_BATCH) else SUCCESS.get(text)
    return success == kind or text == FAILURE_OF.get(kind, "操作失败!")


def day_seconds(stamp):
    """Seconds from a time of day (h, m, s) or a moment (epoch seconds, in the local time zone) to midnight."""
    if not isinstance(stamp, tuple):
        t = time.localtime(stamp)
        return t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec + stamp % 1
    return stamp[0] * 3600 + stamp[1] * 60 + stamp[2]


def unpaired_command(commands, entries):
    """The first command without exactly one outcome line of its own kind, or None when all pair up.

    commands: (kind, local moment in epoch seconds or None) of each command the relay received, in order;
    entries: (time of day (h, m, s), text) of every daily-log entry, in order. The engine sends a command only
    after the previous one's outcome was logged, so the n-th outcome line belongs to the n-th command; when the
    moments are known, each line must also be stamped between its command's arrival and one pass after it, so
    that a command with two lines of the same text and the next with none do not pair up."""
    outcomes = [(stamp, text) for stamp, text in entries if is_outcome(text)]
    for n, (kind, at) in enumerate(commands):
        where = f"command {n + 1} of {len(commands)} ({kind})"
        if n == len(outcomes):
            return f"{where} and the {len(commands) - n - 1} after it have no outcome line"
        stamp, text = outcomes[n]
        if not outcome_fits(kind, text):
            return f"{where}: the next outcome line is {text!r} ({stamp[0]:02d}:{stamp[1]:02d}:{stamp[2]:02d})"
        if at is not None:
            late = (day_seconds(stamp) - day_seconds(at) + 43200) % 86400 - 43200  # across midnight as well
            if not -1 < late < OUTCOME_LATE_S:
                return (f"{where} reached the relay at {time.strftime('%H:%M:%S', time.localtime(at))}, but its "
                        f"outcome line {text!r} is stamped {stamp[0]:02d}:{stamp[1]:02d}:{stamp[2]:02d}")
    if len(outcomes) > len(commands):
        stamp, text = outcomes[len(commands)]
        return (f"{len(outcomes) - len(commands)} outcome lines more than commands, the first {text!r} "
                f"({stamp[0]:02d}:{stamp[1]:02d}:{stamp[2]:02d})")
    return None


def last_before(stamps, end_ms):
    """The last request at or before `end_ms` (requests go on until the program is closed), or None."""
    before = [ms for ms in stamps if end_ms is not None and ms <= end_ms]
    return before[-1] if before else None


def pass_gaps(stamps, end_ms):
    """The times between two requests, and from the last one before `end_ms` (when known) to it: a program
    that stops polling shortly before the end must not go unseen."""
    gaps = [b - a for a, b in zip(stamps, stamps[1:])]
    last = last_before(stamps, end_ms)
    return gaps + ([end_ms - last] if last is not None else [])


class Stopped(BaseException):
    """The soak was stopped from outside: what it saw is reported, but half a run is not a pass. Not an
    Exception, so that no wait of the operator's takes it for its own time-out."""


def stopped(signum, _frame):
    signal.signal(signum, signal.SIG_IGN)  # the stop that follows ends the processes: let it finish
    raise Stopped(signal.Signals(signum).name)


class Soak:
    def __init__(self, minutes, seed, look_once=False, heaptrack=None):
        self.minutes = minutes
        # With look_once, the accessibility bus is read only to learn where the controls are, once each; the
        # windows are then found through the X server, so the program pays nothing for being watched.
        self.look_once = look_once
        self.places = {}
        self.problems = []
        self.notes = []
        self.samples = []  # (seconds since start, RSS kB, CPU seconds)
        self.s = Session("soak", sim_options=("--fault-percent", "10", "--seed", str(seed), "--frame-log-times"))
        self.s.stand_in("gedit")
        self.s.stand_in("xdg-open")
        self.heap = HeapRecording(heaptrack, self.s) if heaptrack else None
        self.relay_before = self.relay_blocks()
        self.outcomes = {"no outcome": 0}
        self.saves = 0
        self.event_rounds = []
        self.settings = None
        self.box_text = ""
        self.entries_before_box = 0
        self.end_ms = None  # the end of the run on the simulator's clock (its frame log's "@<ms>")
        self.sim_epoch = None  # the moment (epoch seconds) at which the simulator's clock read 0

    # --- what the program wrote ---
    def log_files(self):
        folder = os.path.join(self.s.folder, "运行记录")
        return [os.path.join(folder, n) for n in sorted(os.listdir(folder)) if n.endswith(".log")]

    def entries(self):
        """Every entry of the run's daily files, in file order, without the run separator."""
        return [text for _, text in self.timed_entries()]

    def timed_entries(self):
        """(time of day (h, m, s) or None, text) of every entry of the run's daily files, in file order."""
        entries = []
        for path in self.log_files():
            with open(path, "rb") as f:
                data = f.read()
            for line in data.decode("gbk", errors="replace").split("\r\n"):
                if line and not line.startswith("-" * 68):
                    m = ENTRY.match(line)
                    entries.append((tuple(int(g) for g in m.groups()) if m else None, line[12:]))
        return entries

    def requests(self):
        """(milliseconds on the simulator's clock, frame) of every request the simulator received."""
        if not os.path.exists(self.s.sim.frame_log):
            return []
        with open(self.s.sim.frame_log) as f:
            return [(float(line.split()[0][1:]), [int(b, 16) for b in line.split()[1:]])
                    for line in f if line.startswith("@")]

    def read_sim_clock(self):
        """The simulator's clock now (ms), and the moment its clock read 0."""
        before = time.time()
        ms = float(self.s.sim.command("clock").split()[1])
        self.sim_epoch = (before + time.time()) / 2 - ms / 1000
        return ms

    def relay_blocks(self):
        values = {}
        for start, count in (PARAMS, SETTINGS):
            for r in range(start, start + count):
                values[r] = self.s.sim.register(r)
        return values

    def sample(self, started):
        with open(f"/proc/{self.s.proc.pid}/status") as f:
            rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
        with open(f"/proc/{self.s.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
        self.samples.append((time.monotonic() - started, rss, cpu))

    def alive(self):
        if self.s.proc.poll() is not None:
            raise SystemExit(self.fail(f"the program ended with code {self.s.proc.returncode}"))

    def fail(self, text):
        self.problems.append(text)
        print("PROBLEM:", text, flush=True)
        return text

    # --- where things are ---
    def press(self, snapshot, role, label, key=None):
        """Clicks a control; with look_once at the place learnt the first time (windows open where they did)."""
        key = (key or id(snapshot), role, label)
        if not self.look_once or key not in self.places:
            self.places[key] = a11y.centre(snapshot().get(role, label) if callable(snapshot)
                                           else snapshot.get(role, label))
        xinput.click(*self.places[key])

    def x_windows(self, title):
        return xwin.find(title)

    def wait_window(self, title, timeout=10):
        if not self.look_once:
            return self.s.window(title, timeout)
        a11y.wait_for(lambda: self.x_windows(title), timeout, what=f"the window {title}")
        return None

    def wait_no_window(self, title):
        if not self.look_once:
            return a11y.no_window(self.s.app, title)
        a11y.wait_for(lambda: not self.x_windows(title), 10, what=f"the window {title} closing")

    # --- the operator ---
    def wait_outcome(self, after, expected, what, timeout=8):
        """The first outcome line after entry `after`; one of `expected` or a failure line."""
        wanted = set(expected) | set(FAILURE)
        try:
            line = a11y.wait_for(lambda: next((t for t in self.entries()[after:] if t in wanted), None),
                                 timeout, what=f"the outcome of {what}")
        except AssertionError:
            self.outcomes["no outcome"] += 1
            self.fail(f"no outcome logged for {what}")
            return None
        self.outcomes[line] = self.outcomes.get(line, 0) + 1
        return line

    def answer_boxes(self, what):
        """Message boxes the operator did not expect: noted, answered with OK. Only the top-level windows are
        looked at: every walk through a window's controls costs the program memory on its accessibility side,
        which an operator without a screen reader never pays, so the soak looks as little as it can."""
        if self.look_once:
            # A message box carries the program's name as its title; its default button is OK.
            while self.x_windows("varn"):
                self.notes.append(f"{what}: a message box")
                self.s.bring_to_front("varn")
                xinput.key("Return")
            return
        for box in [w for w in a11y.windows(self.s.app) if a11y.role(w) == "alert"]:
            texts = [a11y.name(o) for o in a11y.find_all(box, "label")]
            self.notes.append(f"{what}: message box {texts}")
            if any("系统未检测有效参数" in t for t in texts):
                self.fail(f"{what}: the window found values never read after a successful upload: {texts}")
            self.s.answer(box, "OK")

    def front(self, title):
        self.s.bring_to_front(title)

    def set_clock(self):
        self.front(MAIN_TITLE)
        after = len(self.entries())
        self.press(self.main, "push button", "校对时钟")
        self.wait_outcome(after, ["校时成功!"], "校对时钟")

    def transfer(self, window, button, success):
        after = len(self.entries())
        self.press(window, "push button", button, key=SETTINGS_WINDOW)
        time.sleep(0.3)
        self.answer_boxes(button)
        return self.wait_outcome(after, [success], button)

    def settings_round(self):
        self.front(MAIN_TITLE)
        self.press(self.main, "push button", "定值参数")
        shown = self.wait_window(SETTINGS_WINDOW)
        if self.settings is None:  # the window lives as long as the program and opens at the same place
            self.settings = a11y.Snapshot(shown or self.s.window(SETTINGS_WINDOW))
        window = self.settings
        # As an engineer does: download only what was read back whole; a failed read is tried again.
        for read, write in (("上装定值", "下载定值"), ("上装参数", "下载参数")):
            done = {"上装定值": "上装所有定值成功!", "上装参数": "上装所有参数成功!"}[read]
            if any(self.transfer(window, read, done) == done for _ in range(3)):
                self.transfer(window, write, {"下载定值": "下载所有定值成功!", "下载参数": "下载所有参数成功!"}[write])
        xinput.key("Escape")
        self.wait_no_window(SETTINGS_WINDOW)

    def events_round(self):
        self.front(MAIN_TITLE)
        frames = len(self.s.sim.frames())
        after = len(self.entries())
        self.press(self.main, "push button", "事件记录")
        self.wait_window("事件记录")
        self.press(lambda: a11y.Snapshot(self.s.window("事件记录")), "push button", "上装记录", key="事件记录")
        self.answer_boxes("上装记录")

        def settled():  # all 20 batches read, or the chain ended on a failed batch
            batches = len([f for f in self.s.frames_since(frames) if f[1] == 17])
            ended = [t for t in self.entries()[after:] if t.startswith(EVENT_BATCH) or t in FAILURE]
            whole = bool(ended) and ended[-1] == EVENT_BATCH + "500/500"
            return len(ended) == batches and (whole or (bool(ended) and ended[-1] in FAILURE))
        try:
            a11y.wait_for(settled, timeout=90, interval=0.5, what="the event upload")
        except AssertionError:
            self.fail("the event upload neither ended nor failed within 90 s")
        self.event_rounds.append(len([f for f in self.s.frames_since(frames) if f[1] == 17]))
        xinput.key("Escape")
        self.wait_no_window("事件记录")

    def save_monitor(self):
        self.front(MONITOR)
        self.saves += 1
        name = f"soak-{self.saves}"
        self.press(self.monitor, "push button", "保存报文")
        self.wait_window("Tessel - 保存通讯监视记录")
        xinput.enter_file_name(name)
        path = os.path.join(self.s.folder, "报文存档", name + ".txt")
        a11y.wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, what="the saved monitor")
        with open(path, "rb") as f:
            data = f.read()
        if not data.endswith(b"\r\n") or b"\n" in data.replace(b"\r\n", b"") or b"\r" in data.replace(b"\r\n", b""):
            self.fail(f"{name}: a line of the saved monitor does not end in one CR LF")
        try:
            data.decode("gbk")
        except UnicodeDecodeError as e:
            self.fail(f"{name}: not whole GBK text: {e}")
        # The operator clears the box after saving it (a double click), so it holds minutes, not the run.
        key = ("monitor box",)
        if key not in self.places:
            self.places[key] = a11y.centre(self.monitor.get("text"))
        xinput.double_click(*self.places[key])

    # --- the run ---
    def run(self):
        total = self.minutes * 60
        self.s.launch()
        # The start-up's parameter read may meet a fault as well.
        a11y.wait_for(lambda: {"上装所有参数成功!", "上装参数失败!"} & set(self.entries()), timeout=20,
                      what="the outcome of the start-up's parameter read")
        started = time.monotonic()
        self.main = a11y.Snapshot(self.s.main)
        self.s.click(self.main.get("push button", "通讯管理"))
        self.monitor = a11y.Snapshot(self.s.window(MONITOR))
        due = {"clock": 5, "settings": 20, "events": 40, "monitor": 60, "sample": 0}
        every = {"clock": 10, "settings": 60, "events": 300, "monitor": 150, "sample": 10}
        actions = {"clock": self.set_clock, "settings": self.settings_round, "events": self.events_round,
                   "monitor": self.save_monitor, "sample": lambda: self.sample(started)}
        while (now := time.monotonic() - started) < total:
            self.alive()
            for name in ("sample", "events", "settings", "monitor", "clock"):
                if now >= due[name]:
                    actions[name]()
                    due[name] += every[name] * max(1, int((now - due[name]) // every[name]) + 1)
                    break
            else:
                time.sleep(0.2)
        # The program must still be polling at the end: the time since its last request counts as a pass.
        self.end_ms = self.read_sim_clock()
        self.sample(started)
        # Entries may still arrive while the box is read: it must show at least what the files held before.
        self.entries_before_box = len(self.entries())
        self.box_text = self.log_box_text()
        self.front(MAIN_TITLE)
        xinput.key("Escape", settle=0)
        try:
            code = self.s.exit_code(timeout=10)
            if code != 0:
                self.fail(f"the program ended with code {code}")
        except Exception:
            self.fail("the program did not end within 10 s of Esc")
        self.relay_after = self.relay_blocks()

    def log_box_text(self):
        texts = [a11y.text(t) for t in self.main.all("text")]
        return max(texts, key=len)

    # --- the verdict ---
    def judge(self):
        figures = {}
        self.judge_files(figures)
        self.judge_commands(figures)
        self.judge_passes(figures)
        self.judge_relay(figures)
        self.judge_memory(figures)
        counters = self.s.sim.command("counters") if self.s.sim.proc.poll() is None else ""
        figures["simulator"] = counters.replace("COUNTERS ", "")
        return figures

    def judge_files(self, figures):
        files = self.log_files()
        figures["daily files"] = ", ".join(os.path.basename(p) for p in files)
        if len(files) != 2:
            self.fail(f"expected the day's file and the next day's, found {figures['daily files']}")
        entries = []
        for i, path in enumerate(files):
            with open(path, "rb") as f:
                data = f.read()
            name = os.path.basename(path)
            if not data.endswith(b"\r\n"):
                self.fail(f"{name} does not end in CR LF")
            body = data
            if i == 0:
                if not data.startswith(SEPARATOR):
                    self.fail(f"{name} does not begin with the run separator")
                body = data[len(SEPARATOR):]
            if SEPARATOR in body or b"\r\n\r\n" in body or body.startswith(b"\r\n"):
                self.fail(f"{name}: a run separator or an empty line inside the run")
            lines = body.split(b"\r\n")[:-1]
            if any(b"\r" in line or b"\n" in line for line in lines):
                self.fail(f"{name}: a line end other than one CR LF")
            previous = None
            for n, raw in enumerate(lines):
                try:
                    line = raw.decode("gbk")
                except UnicodeDecodeError:
                    self.fail(f"{name} line {n + 1} is not whole GBK text: {raw!r}")
                    continue
                m = ENTRY.match(line)
                if not m:
                    self.fail(f"{name} line {n + 1} is not an entry: {line!r}")
                    continue
                stamp = tuple(int(g) for g in m.groups())
                # An entry made at the turn of midnight may carry the old day's time in the new file.
                old_day = i == 1 and stamp[0] == 23 and (previous is None or previous[0] == 23)
                if previous is not None and stamp < previous and not old_day:
                    self.fail(f"{name} line {n + 1}: time {line[:8]} before the previous entry's")
                previous = stamp
                entries.append(line)
            figures[f"entries in {name}"] = len(lines)
        shown = [line for line in self.box_text.replace("\r\n", "\n").split("\n") if line]
        if len(shown) >= self.entries_before_box:
            entries = entries[:len(shown)]
        if shown != entries:
            first = next((k for k, (a, b) in enumerate(zip(shown, entries)) if a != b), min(len(shown), len(entries)))
            self.fail(f"the log box and the files differ from entry {first + 1}: box "
                      f"{shown[first:first + 2]} files {entries[first:first + 2]} ({len(shown)} / {len(entries)})")
        figures["log box entries equal to the files"] = shown == entries

    def judge_commands(self, figures):
        requests = {}
        commands = []
        for ms, frame in self.requests():
            kind = request_kind(frame)
            if kind:
                requests[kind] = requests.get(kind, 0) + 1
                commands.append((kind, None if self.sim_epoch is None else self.sim_epoch + ms / 1000))
        entries = [(stamp, text) for stamp, text in self.timed_entries() if stamp]
        texts = [text for _, text in entries]
        outcomes = {}
        for t in texts:
            kind = SUCCESS.get(t) or ("event batch" if t.startswith(EVENT_BATCH) else None)
            if kind:
                outcomes[kind] = outcomes.get(kind, 0) + 1
        failures = sum(texts.count(t) for t in FAILURE)
        figures["commands received by the relay"] = dict(sorted(requests.items()))
        figures["success lines"] = dict(sorted(outcomes.items()))
        figures["failure lines"] = {t: texts.count(t) for t in FAILURE}
        unpaired = unpaired_command(commands, entries)
        if unpaired:
            self.fail(f"every command has exactly one outcome line of its own kind: {unpaired} "
                      f"({len(commands)} commands, {sum(outcomes.values())} success and {failures} failure lines)")
        figures["event uploads (batches each)"] = self.event_rounds
        figures["operator waits without outcome"] = self.outcomes["no outcome"]
        for kind in ("轮循回复超时!", "轮循过程收到报文头错误的报文!", "轮循过程收到长度太短的报文!", "轮循过程收到CRC错误的报文!"):
            figures[kind] = texts.count(kind)

    def judge_passes(self, figures):
        stamps = [ms for ms, _ in self.requests()]
        gaps = pass_gaps(stamps, self.end_ms)
        figures["requests"] = len(stamps)
        last = last_before(stamps, self.end_ms)
        if last is not None:
            figures["from the last request to the end (ms)"] = round(self.end_ms - last, 1)
        if gaps:
            ordered = sorted(gaps)
            figures["pass (ms): median, p99, max"] = (round(statistics.median(gaps), 1),
                                                      round(ordered[int(0.99 * (len(ordered) - 1))], 1),
                                                      round(ordered[-1], 1))
            long = [g for g in gaps if g > PASS_LIMIT_MS]
            figures[f"passes over {PASS_LIMIT_MS} ms"] = len(long)
            if long:
                self.fail(f"{len(long)} passes took longer than one wait ({PASS_LIMIT_MS} ms), the longest "
                          f"{max(long):.0f} ms")

    def judge_relay(self, figures):
        before = self.relay_before
        if not hasattr(self, "relay_after"):
            self.relay_after = self.relay_blocks()
        writes = [f for f in self.s.sim.frames()
                  if is_write_block(f, ADDRESS, *SETTINGS) or is_write_block(f, ADDRESS, *PARAMS)]
        wrong = 0
        for f in writes:
            start = f[2] << 8 | f[3]
            for i, v in enumerate(block_values(f)):
                if v != before[start + i]:
                    wrong += 1
                    self.fail(f"a download wrote {v} to register {start + i}, which held {before[start + i]}")
                    break
        figures["block downloads checked against the relay's own values"] = len(writes)
        changed = [r for r in before if self.relay_after.get(r) != before[r]]
        if changed:
            self.fail(f"registers changed by the run: {changed[:10]}")
        figures["registers changed"] = len(changed)

    def judge_memory(self, figures):
        if len(self.samples) < 3:
            return
        end_t, end_rss, end_cpu = self.samples[-1]
        window = 20 * 60 if end_t >= 25 * 60 else end_t / 2
        curve = [s for s in self.samples if s[0] % 300 < 10]
        figures["RSS MB every 5 min"] = [round(s[1] / 1024, 1) for s in curve]
        base = min(self.samples, key=lambda s: abs(s[0] - (end_t - window)))
        growth = (end_rss - base[1]) / 1024
        figures["RSS MB: at start, max, end"] = (round(self.samples[0][1] / 1024, 1),
                                                       round(max(s[1] for s in self.samples) / 1024, 1),
                                                       round(end_rss / 1024, 1))
        figures[f"RSS growth over the last {window / 60:.1f} min (MB)"] = round(growth, 2)
        figures["CPU (% of one core)"] = round(100 * (end_cpu - self.samples[0][2]) / (end_t - self.samples[0][0]), 1)
        # Memory is judged after a warm-up of at least 5 minutes: the boxes fill and the allocator settles.
        # Under heaptrack the figures include the recorder's own buffers, so they are shown, not judged.
        if end_t >= 25 * 60 and growth >= 2.0 and not self.heap:
            self.fail(f"resident memory grew {growth:.2f} MB over the last {window / 60:.1f} minutes")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--minutes", type=float, default=30)
    parser.add_argument("--seed", type=int, default=int(time.time()) % 100000)
    parser.add_argument("--report")
    parser.add_argument("--look-once", action="store_true",
                        help="read the accessibility bus only to learn where the controls are")
    parser.add_argument("--heaptrack", metavar="PATH.zst",
                        help="record the program's allocations there for scripts/heap-growth.py")
    args = parser.parse_args()
    # A soak stopped from outside still ends its program, simulator and desktop, says what it saw, and fails.
    signal.signal(signal.SIGTERM, stopped)
    signal.signal(signal.SIGINT, stopped)
    # Midnight a third into the run (at least a minute in), so that the new day's file gets most of it.
    roll = max(60, int(args.minutes * 60 / 3))
    os.environ["TZ"] = midnight_zone(roll + 25)  # the run starts after the program's start-up
    time.tzset()
    print(f"soak: {args.minutes} min, seed {args.seed}, local midnight in about {roll} s "
          f"(TZ={os.environ['TZ']})", flush=True)
    soak = Soak(args.minutes, args.seed, args.look_once, args.heaptrack)
    try:
        soak.run()
    except SystemExit:
        pass  # the program died: alive() has said so
    except Stopped as e:
        soak.fail(f"the soak was stopped from outside ({e}): only part of the run was seen")
    except Exception as e:  # the operator got stuck: judged like everything else, with the rest of the figures
        soak.fail(f"the run stopped: {type(e).__name__}: {e}")
    figures = {}
    try:
        figures = soak.judge() if soak.s.proc is not None else {}
    except Stopped as e:
        soak.fail(f"the soak was stopped from outside ({e}) while it judged the run")
    finally:
        soak.s.stop()
        if soak.heap:
            soak.heap.finish()
            soak.notes.append(f"allocations recorded in {soak.heap.path}")
    lines = [f"soak of {args.minutes} min, seed {args.seed}, program folder {soak.s.folder}"]
    lines += [f"  {k}: {v}" for k, v in figures.items()]
    lines += [f"  note: {n}" for n in soak.notes[:20]]
    lines += [f"  PROBLEM: {p}" for p in soak.problems] or ["  no problem found"]
    report = "\n".join(lines)
    print(report)
    if args.report:
        os.makedirs(os.path.dirname(os.path.abspath(args.report)), exist_ok=True)
        with open(args.report, "w") as f:
            f.write(report + "\n")
    return 1 if soak.problems else 0


if __name__ == "__main__":
    sys.exit(main())
