#!/usr/bin/env python3
"""First start, second start, and the user's choices landing in the settings file."""

import os

from e2e import (ALARM_BYTES, ALARM_NAME, HELP_TITLE, MAIN_TITLE, SECTION, Desktop,
                 Scenario, advance_box, gbk_lines, main, period_button, wait_for)

DEFAULT_ADVANCES = "0*" * 12


class Lifecycle(Scenario):

    def test_first_start(self):
        with Desktop() as desk:
            program = desk.start()
            help_win = desk.wait_window(HELP_TITLE)
            self.assertFalse(os.path.exists(desk.settings_path),
                             "the settings file exists before the help window is closed")
            desk.pass_help_window()
            win = desk.wait_window(MAIN_TITLE)
            self.assertNotIn(help_win, desk.windows(HELP_TITLE))
            left, top = desk.position(win)

            self.assertEqual(desk.close_and_wait(program, win), 0, "exit status after close")

            # The whole file, byte for byte in its form: GBK, CR LF, four lines in this order.
            lines = gbk_lines(desk.settings_bytes())
            self.assertEqual(lines[0], f"[{SECTION}]")
            self.assertEqual(lines[1:3], ["第一次启动=1", f"提醒时间段设置={DEFAULT_ADVANCES}"])
            self.assertRegex(lines[3], r"^左边=-?\d+$")
            self.assertRegex(lines[4], r"^顶边=-?\d+$")
            self.assertEqual(len(lines), 5, lines)
            # The stored edges are the window's outer ones: at most the frame's width and the
            # title bar's height left of and above the client area seen on screen.
            stored_left, stored_top = int(lines[3][3:]), int(lines[4][3:])
            self.assertTrue(0 <= left - stored_left <= 10, (left, stored_left))
            self.assertTrue(0 <= top - stored_top <= 40, (top, stored_top))

            alarm = os.path.join(desk.run_dir, ALARM_NAME)
            self.assertEqual(os.path.getsize(alarm), ALARM_BYTES)
            with open(alarm, "rb") as f:
                header = f.read(12)
            self.assertEqual((header[:4], header[8:]), (b"RIFF", b"WAVE"))
            with open(desk.link_path, "rb") as f:
                self.assertIn(b"[InternetShortcut]", f.read())
            # Nothing lands in the working directory the program was started from.
            self.assertEqual(os.listdir(desk.elsewhere), [])

    def test_second_start_opens_where_closed(self):
        with Desktop() as desk:
            program, win = self.first_start(desk)
            start = desk.position(win)
            desk.move(win, 317, 203)
            # Where exactly the window manager puts it is its own business; it moved.
            moved = wait_for("the window to move", lambda: desk.position(win) != start and
                             desk.position(win))
            self.assert_clean_close(desk, program, win)
            stored = desk.settings()
            os.remove(desk.link_path)  # the user deletes the shortcut

            program, win = self.plain_start(desk)
            self.assertEqual(desk.position(win), moved)
            self.assert_clean_close(desk, program, win)
            after = desk.settings()
            self.assertEqual((after["左边"], after["顶边"]), (stored["左边"], stored["顶边"]),
                             "closing the window where it opened moves the stored position")
            self.assertEqual(after["第一次启动"], "1")
            self.assertTrue(os.path.exists(desk.link_path), "the shortcut is not written again")

    def test_period_buttons_and_advance_boxes_land_in_the_file(self):
        with Desktop() as desk:
            desk.write_settings({"第一次启动": "1"})
            program, win = self.plain_start(desk)

            def file_holds(key, value):
                wait_for(f"{key}={value} in the file", lambda: desk.settings().get(key) == value)

            # Buttons: 巳 (2), 子 (9), then 巳 again, which takes it out.
            for k, selection in ((2, "巳*"), (9, "巳*子*"), (2, "子*")):
                desk.click(win, period_button(k))
                file_holds("提醒时辰列表", selection)

            # Boxes: each keystroke is stored; an emptied box stores "0".
            desk.type_into(win, advance_box(2), "30")
            file_holds("提醒时间段设置", "0*30*" + "0*" * 10)
            desk.type_into(win, advance_box(12), "-15")
            file_holds("提醒时间段设置", "0*30*" + "0*" * 9 + "-15*")
            desk.type_into(win, advance_box(2), "")
            desk.x("xdotool", "key", "BackSpace")
            file_holds("提醒时间段设置", "0*" * 11 + "-15*")
            desk.type_into(win, advance_box(5), "7")
            self.assert_clean_close(desk, program, win)
            expected = "0*" * 4 + "7*" + "0*" * 6 + "-15*"
            self.assertEqual(desk.settings()["提醒时间段设置"], expected)

            # The next start reads both back and keeps them.
            program, win = self.plain_start(desk)
            self.assert_clean_close(desk, program, win)
            self.assertEqual(desk.settings()["提醒时辰列表"], "子*")
            self.assertEqual(desk.settings()["提醒时间段设置"], expected)


if __name__ == "__main__":
    main()
