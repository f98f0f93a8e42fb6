"""The soak's verdict on made-up runs: a frame log as relay_sim writes it and daily log files as the program
writes them, judged by soak.py's own checks; and a soak stopped from outside."""
import contextlib
import io
import os
import re
import signal
import sys
import tempfile
import time
import unittest
from unittest import mock

import soak
from varn_e2e.modbus import read_registers, with_crc
from varn_e2e.session import RelaySim

FRAMES = {
    "poll": read_registers(1, 0, 60),
    "clock": with_crc([1, 16, 0, 0, 0, 6, 12] + [0] * 12),
    "settings read": read_registers(1, 200, 30),
    "params read": read_registers(1, 100, 64),
    "settings write": with_crc([1, 16, 0, 200, 0, 30, 60] + [0] * 60),
    "params write": with_crc([1, 16, 0, 100, 0, 64, 128] + [0] * 128),
    "event batch": with_crc([1, 17, 0, 0, 0, 25]),
}


class FakeSim:
    """The simulator as far as the verdict looks at it: its frame log."""
    frames = RelaySim.frames

    def __init__(self, frame_log):
        self.frame_log = frame_log


class SoakVerdict(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        # The made-up runs begin 5 s before a local midnight, so their lines go to two daily files.
        t = time.localtime(time.time() + 86400)
        self.base = time.mktime((t.tm_year, t.tm_mon, t.tm_mday, 0, 0, 0, 0, 0, -1)) - 5

    def tearDown(self):
        self.dir.cleanup()

    def judged(self, requests, lines, end_ms=None):
        """Soak judgement of a run: `requests` are (second of the run, kind) as the relay received them,
        `lines` (second of the run, text) as the program logged them."""
        folder = tempfile.mkdtemp(dir=self.dir.name)
        os.makedirs(os.path.join(folder, "运行记录"))
        with open(os.path.join(folder, "frames.log"), "w") as f:
            for at, kind in requests:
                f.write(f"@{at * 1000 + 200:.1f} " + " ".join(f"{b:02X}" for b in FRAMES[kind]) + "\n")
        for at, text in lines:
            t = time.localtime(self.base + at)
            with open(os.path.join(folder, "运行记录", time.strftime("%Y-%m-%d.log", t)), "ab") as f:
                f.write(f"{time.strftime('%H:%M:%S', t)} -> {text}\r\n".encode("gbk"))
        s = soak.Soak.__new__(soak.Soak)
        s.s = mock.Mock(folder=folder, sim=FakeSim(os.path.join(folder, "frames.log")))
        s.problems, s.notes, s.event_rounds, s.outcomes = [], [], [], {"no outcome": 0}
        s.sim_epoch, s.end_ms = self.base, end_ms
        self.figures = {}
        with contextlib.redirect_stdout(io.StringIO()):
            s.judge_commands(self.figures)
            s.judge_passes(self.figures)
        return s.problems

    def test_each_command_the_relay_received_has_one_outcome_line_of_its_own_kind_in_order_and_time(self):
        whole = [(0, "clock"), (1, "poll"), (4, "settings read"), (6, "settings read"), (8, "params write"),
                 (10, "event batch"), (10.5, "event batch")]
        cases = [  # (requests, lines, the problem found or None)
            (whole, [(0, "正在进行校时操作..."), (0, "校时成功!"), (3, "轮循回复超时!"), (6, "上装定值失败!"),
                     (6, "上装所有定值成功!"), (10, "操作失败!"), (10, "分批上装事件记录成功：25/500"),
                     (11, "分批上装事件记录成功：50/500")], None),
            # A command with two lines and the next with none: the totals agree.
            ([(0, "settings read"), (1, "clock")], [(0, "上装定值失败!"), (1, "上装所有定值成功!")],
             "command 2 of 2 (clock): the next outcome line is '上装所有定值成功!'"),
            ([(0, "clock"), (1, "clock")], [(1, "校时成功!")], "command 2 of 2 (clock) and the 0 after it have no"),
            # The same with one text: only the time tells the second line from the next command's.
            ([(0, "clock"), (7, "clock")], [(0, "校时成功!"), (1, "校时成功!")],
             "command 2 of 2 (clock) reached the relay at"),
            ([(0, "settings read")], [(1, "上装参数失败!")],
             "command 1 of 1 (settings read): the next outcome line is '上装参数失败!'"),
            ([(0, "params read")], [(4, "上装所有参数成功!")], "command 1 of 1 (params read) reached the relay at"),
            ([(0, "clock")], [(0, "校时成功!"), (5, "操作失败!")], "1 outcome lines more than commands, the first '操作失败!'"),
        ]
        for requests, lines, problem in cases:
            with self.subTest(problem=problem):
                found = [p for p in self.judged(requests, lines) if "outcome" in p]
                if problem is None:
                    self.assertEqual(found, [])
                else:
                    self.assertEqual(len(found), 1, found)
                    self.assertIn(problem, found[0])

    def test_the_time_from_the_last_request_to_the_end_is_a_pass(self):
        requests = [(at / 10, "poll") for at in range(0, 31, 3)]  # one every 300 ms, the last at 3.0 s (3200 ms)
        for end_ms, long, since in ((3200 + soak.PASS_LIMIT_MS - 50, 0, soak.PASS_LIMIT_MS - 50),
                                    (3200 + soak.PASS_LIMIT_MS + 50, 1, soak.PASS_LIMIT_MS + 50),
                                    (2100, 0, 100)):  # the polls go on after the end, until the program closes
            with self.subTest(end_ms=end_ms):
                found = [p for p in self.judged(requests, [], end_ms) if "passes took longer" in p]
                self.assertEqual(len(found), long, found)
                self.assertEqual(self.figures["from the last request to the end (ms)"], since)
        # The README states the same limit.
        with open(os.path.join(os.path.dirname(__file__), "..", "..", "README.md"), encoding="utf-8") as f:
            stated = re.search(r"a pass of its loop outlasts one wait \((\d+\.\d) s", f.read())
        self.assertEqual(float(stated.group(1)), soak.PASS_LIMIT_MS / 1000)

    def test_a_soak_stopped_from_outside_fails(self):
        class StoppedRun(soak.Soak):
            def __init__(self, *args):
                self.problems, self.notes, self.heap = [], [], None
                self.s = mock.Mock(proc=None, folder="/nowhere")

            def run(self):
                os.kill(os.getpid(), signal.SIGTERM)
                time.sleep(10)

        out = io.StringIO()
        zone = os.environ.get("TZ")
        try:
            with mock.patch.object(soak, "Soak", StoppedRun), mock.patch.object(sys, "argv", ["soak.py"]), \
                    contextlib.redirect_stdout(out):
                code = soak.main()
        finally:
            signal.signal(signal.SIGTERM, signal.SIG_DFL)
            signal.signal(signal.SIGINT, signal.default_int_handler)
            os.environ.pop("TZ") if zone is None else os.environ.update(TZ=zone)
            time.tzset()
        self.assertEqual(code, 1, out.getvalue())
        self.assertIn("PROBLEM: the soak was stopped from outside (SIGTERM)", out.getvalue())
        self.assertNotIn("no problem found", out.getvalue())


if __name__ == "__main__":
    unittest.main()
