"""事件记录 and 版本信息: the modal windows of the main window."""
import os
import unittest
import urllib.parse

from varn_e2e import a11y, xinput
from varn_e2e.modbus import block_values, crc16, is_write_block, with_crc
from varn_e2e.session import Session

PARAMS_START, PARAMS_COUNT = 100, 64
HEADER = "------------------------\r\n       事件记录\r\n------------------------\r\n"


class EventRecords(unittest.TestCase):
    def test_whole_upload_and_save(self):
        s = Session("events")
        self.addCleanup(s.stop)
        opened = s.stand_in("xdg-open")
        s.launch()
        s.wait_log("上装所有参数成功!")
        s.click_button(s.main, "事件记录")
        win = s.window("事件记录")
        snap = a11y.Snapshot(win)
        frames = len(s.sim.frames())
        s.click(snap.get("push button", "上装记录"))
        box = snap.get("text")
        a11y.wait_for(lambda: "\n500、" in a11y.text(box), timeout=60, what="the 500th record")
        starts = [f[2] << 8 | f[3] for f in s.frames_since(frames) if f[1] == 17]
        self.assertEqual(starts, list(range(0, 500, 25)))
        self.assertTrue(all(f == with_crc([1, 17, f[2], f[3], 0, 0x19]) for f in s.frames_since(frames)
                            if f[1] == 17))
        shown = a11y.text(box)
        s.shot(win, "events-uploaded.png")

        s.click(snap.get("push button", "保存记录"))
        s.save_as("Tessel - 保存装置事件记录", "events")
        path = os.path.join(s.folder, "运行记录", "events.txt")
        a11y.wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, what="the saved records")
        with open(path, "rb") as f:
            data = f.read()
        self.assertTrue(data.startswith(HEADER.encode("gbk")))
        self.assertEqual(data.decode("gbk").replace("\r\n", "\n"), shown.replace("\r\n", "\n"))
        self.assertEqual(len(data.split(b"\r\n")), 3 + 500 + 1)

        xinput.key("Escape")
        a11y.no_window(s.app, "事件记录")
        # Closing the records opens the help document.
        a11y.wait_for(lambda: os.path.exists(opened), what="the help document opened")
        with open(opened) as f:
            target = urllib.parse.unquote(f.read().strip())
        self.assertEqual(target, "file://" + os.path.join(s.folder, "帮助文件", "help.pdf"))


    def test_press_again_while_a_reply_is_on_its_way(self):
        # The relay holds back its reply to the batch from record 125 until the operator has pressed 上装记录
        # a second time: that reply belongs to the upload given up.
        s = Session("events-restart", sim_options=("--hold-event-reply", "125"))
        self.addCleanup(s.stop)
        s.launch()
        s.wait_log("上装所有参数成功!")
        s.click_button(s.main, "事件记录")
        win = s.window("事件记录")
        snap = a11y.Snapshot(win)
        box, upload = snap.get("text"), snap.get("push button", "上装记录")
        frames, entries = len(s.sim.frames()), len(s.log_texts())
        s.click(upload, settle=0)
        s.wait_frame(lambda f: f[1] == 17 and f[2:4] == [0, 125], frames, what="the request for record 125")
        s.click(upload, settle=0)
        a11y.wait_for(lambda: "001、" not in a11y.text(box), interval=0.02, what="the text back to its header")
        self.assertEqual(s.sim.command("release"), "OK")
        a11y.wait_for(lambda: "\n500、" in a11y.text(box), timeout=60, what="the 500th record")
        restarted = a11y.text(box)
        starts = [f[2] << 8 | f[3] for f in s.frames_since(frames) if f[1] == 17]
        self.assertEqual(starts, [0, 25, 50, 75, 100, 125] + list(range(0, 500, 25)))
        texts = s.log_texts()[entries:]
        self.assertNotIn("操作失败!", texts)
        progress = [t for t in texts if t.startswith("分批上装事件记录成功：")]
        self.assertEqual(progress, [f"分批上装事件记录成功：{n:02d}/500" for n in
                                    list(range(25, 150, 25)) + list(range(25, 525, 25))])
        s.shot(win, "events-restarted.png")

        # The same records under the same numbers as an upload nothing disturbed.
        entries = len(s.log_texts())
        s.click(upload)
        s.wait_log("分批上装事件记录成功：500/500", timeout=60, after=entries)
        self.assertEqual(restarted, a11y.text(box))
        self.assertIn("001、", restarted)


class VersionInformation(unittest.TestCase):
    def run_button(self, s):
        s.click_button(s.main, "版本信息")
        s.window("VARNTessel", timeout=5)
        return s.window("硬件信息", timeout=15)

    def test_entry_double_entry_and_written_frame(self):
        s = Session("hwid", sim_options=("--hwinfo", "invalid"))
        self.addCleanup(s.stop)
        s.launch()
        s.wait_log("上装所有参数成功!")
        win = self.run_button(s)
        snap = a11y.Snapshot(win)
        sequence, serial = snap.all("text")[:2]
        time_sequence = a11y.text(sequence)
        self.assertRegex(time_sequence, r"^000002\d{10}$")
        self.assertIn("时间序列(如有需要请更改)：", [a11y.name(o) for o in snap.all("label")])
        s.shot(win, "hardware-id-entry.png")
        s.click(serial)
        xinput.type_text("123")
        s.click(snap.get("push button", "更新"))
        sure = s.window("请确认输入")
        s.shot(sure, "hardware-id-confirm.png")
        sure_snap = a11y.Snapshot(sure)
        s.click(sure_snap.all("text")[-1])
        xinput.type_text("123")
        frames, entries = len(s.sim.frames()), len(s.log_texts())
        s.click(sure_snap.get("push button", "确定"))
        box, texts = s.message_box()
        full_id = time_sequence + "00000123"
        self.assertIn(f"请确认是否将 {full_id} 设置为设备唯一硬件ID？", texts)
        s.answer(box, "Yes")
        s.wait_log("正在下载设备硬件信息...", after=entries)
        frame = s.wait_frame(lambda f: is_write_block(f, 1, PARAMS_START, PARAMS_COUNT), frames,
                             what="the parameter block with the ID")
        info = [int(full_id[i:i + 2]) for i in range(0, 24, 2)]
        crc = crc16(info)
        info += [crc & 0xFF, crc >> 8]
        self.assertEqual(frame[7 + 42:7 + 56], info)
        s.wait_log("下载所有参数成功!", after=entries)

    def test_valid_id_is_only_shown(self):
        s = Session("hwid-valid")
        self.addCleanup(s.stop)
        s.launch()
        s.wait_log("上装所有参数成功!")
        win = self.run_button(s)
        snap = a11y.Snapshot(win)
        self.assertIn("设备SN信息：", [a11y.name(o) for o in snap.all("label")])
        update = snap.get("push button", "更新")
        self.assertFalse(a11y.states(update).contains(a11y.Atspi.StateType.ENABLED))
        s.shot(win, "hardware-id-valid.png")
        entries = len(s.log_texts())
        xinput.key("Escape")
        s.wait_log("您已经取消了本次设置，设置失败！", after=entries)


if __name__ == "__main__":
    unittest.main(verbosity=2)
