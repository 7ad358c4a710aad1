#!/usr/bin/env python3
"""Faults and bad input around the program's files: each run ends with exit status 0 on close,
and whatever the user or another program put there is kept."""

import os
import random
import stat

from e2e import (ALARM_NAME, SETTINGS_NAME, Desktop, Scenario, advance_box, main,
                 period_button, section_lines, wait_for)

DEFAULT_ADVANCES = "0*" * 12


def unprivileged_user():
    """Root writes anywhere, so a directory it may not write needs another user."""
    return "nobody" if os.geteuid() == 0 else None


def file_names(directory):
    return sorted(os.listdir(directory))


class UnwritableRunDirectory(Scenario):

    def test_help_window_at_every_start(self):
        """A run directory the program's user may not write: it runs, stores nothing and shows
        the help window again at the next start."""
        with Desktop() as desk:
            os.chmod(desk.run_dir, 0o555)
            user = unprivileged_user()
            for _ in range(2):
                program, win = self.first_start(desk, as_user=user)
                self.assert_clean_close(desk, program, win)
                self.assertEqual(file_names(desk.run_dir), [os.path.basename(desk.exe)])

    def test_existing_settings_are_read_and_left_alone(self):
        with Desktop() as desk:
            desk.write_settings({"第一次启动": "1", "提醒时辰列表": "巳*",
                                 "提醒时间段设置": "0*30*" + "0*" * 10, "左边": "200",
                                 "顶边": "100"})
            before = desk.settings_bytes()
            os.chmod(desk.settings_path, 0o444)
            os.chmod(desk.run_dir, 0o555)
            program, win = self.plain_start(desk, as_user=unprivileged_user())
            x, y = desk.position(win)
            self.assertTrue(0 <= x - 200 <= 10 and 0 <= y - 100 <= 40, (x, y))
            desk.click(win, period_button(1))
            desk.type_into(win, advance_box(3), "45")
            desk.move(win, 400, 300)
            self.assert_clean_close(desk, program, win)
            self.assertEqual(desk.settings_bytes(), before)
            self.assertEqual(file_names(desk.run_dir),
                             sorted([os.path.basename(desk.exe), SETTINGS_NAME]))

    def test_settings_path_taken_by_a_directory(self):
        """The settings file's name taken by a directory: nothing can be read or written there
        (root included)."""
        with Desktop() as desk:
            os.mkdir(desk.settings_path)
            for _ in range(2):
                program, win = self.first_start(desk)
                self.assert_clean_close(desk, program, win)
                self.assertTrue(stat.S_ISDIR(os.lstat(desk.settings_path).st_mode))
                self.assertEqual(os.listdir(desk.settings_path), [])


class BadSettingsFiles(Scenario):

    def test_unreadable_content_is_kept_and_the_section_added(self):
        """A file of binary garbage and a file of one 10 MB line: neither holds section 设置,
        so this is a first start; the content stays in front of the section that is added."""
        rng = random.Random(7)
        garbage = bytes(rng.randrange(256) for _ in range(64 * 1024))
        self.assertNotIn("[设置]".encode("gbk"), garbage)
        cases = {"binary garbage": garbage, "one 10 MB line": b"x" * (10 * 1024 * 1024)}
        for name, content in cases.items():
            with self.subTest(name), Desktop() as desk:
                with open(desk.settings_path, "wb") as f:
                    f.write(content)
                program, win = self.first_start(desk)
                self.assert_clean_close(desk, program, win)
                data = desk.settings_bytes()
                self.assertTrue(data.startswith(content), "the file's old content is gone")
                lines = section_lines(data[len(content):])
                self.assertEqual(lines[:2], ["第一次启动=1", f"提醒时间段设置={DEFAULT_ADVANCES}"])
                self.assertEqual([line[:3] for line in lines[2:]], ["左边=", "顶边="])

                program, win = self.plain_start(desk)  # the added section is read back
                self.assert_clean_close(desk, program, win)
                self.assertTrue(desk.settings_bytes().startswith(content))

    def test_a_10_mb_advance_list(self):
        """A value is read cut to its first 10,239 bytes; the start-up stores the list it read,
        and the lines after the long one stay."""
        with Desktop() as desk:
            desk.write_settings({"第一次启动": "1", "提醒时间段设置": "7*" * (5 * 1024 * 1024),
                                 "别人的键": "保留"}, before="[别的]\r\n名字=值\r\n")
            program, win = self.plain_start(desk)
            self.assert_clean_close(desk, program, win)
            data = desk.settings_bytes()
            self.assertTrue(data.startswith("[别的]\r\n名字=值\r\n".encode("gbk")))
            values = desk.settings()
            # 10,239 bytes of "7*7*…7" are 5,120 items.
            self.assertEqual(values["提醒时间段设置"], "7*" * 5120)
            self.assertEqual(values["别人的键"], "保留")

    def test_short_and_long_advance_lists(self):
        """A short list is padded to twelve; a long one keeps its extra items; both through a
        change typed into a box and a close."""
        cases = [  # (stored, box typed into, text, stored afterwards)
            ("5*7*", 12, "8", "5*7*" + "0*" * 9 + "8*"),
            ("".join(f"{i}*" for i in range(1, 15)), 2, "9",
             "1*9*" + "".join(f"{i}*" for i in range(3, 15))),
        ]
        for stored, k, text, expected in cases:
            with self.subTest(stored), Desktop() as desk:
                desk.write_settings({"第一次启动": "1", "提醒时间段设置": stored})
                program, win = self.plain_start(desk)
                desk.type_into(win, advance_box(k), text)
                wait_for("the typed advance in the file",
                         lambda: desk.settings()["提醒时间段设置"] == expected)
                self.assert_clean_close(desk, program, win)
                self.assertEqual(desk.settings()["提醒时间段设置"], expected)


class NoDesktopFolder(Scenario):

    def test_runs_and_writes_no_shortcut_anywhere(self):
        with Desktop(desktop_folder=False) as desk:
            program, win = self.first_start(desk)
            self.assertEqual(desk.settings()["第一次启动"], "1")
            self.assert_clean_close(desk, program, win)
            shortcuts = [os.path.join(d, f) for d, _, files in os.walk(desk.root)
                         for f in files if f.endswith(".url")]
            self.assertEqual(shortcuts, [])
            self.assertFalse(os.path.exists(desk.desktop), "a Desktop folder was made")
            self.assertEqual(file_names(desk.run_dir),
                             sorted([os.path.basename(desk.exe), SETTINGS_NAME, ALARM_NAME]))
            self.assertEqual(os.listdir(desk.elsewhere), [])


if __name__ == "__main__":
    main()
