#!/usr/bin/env python3
"""Writers of the settings file killed with SIGKILL at random moments: the file afterwards
always parses and holds the old or the new value of every key, and the next start reads it."""

import os
import random
import re
import select
import signal
import subprocess
import sys
import tempfile
import time

from e2e import (KEYS, MAIN_TITLE, SETTINGS_NAME, SETTINGS_WRITER, Desktop, Scenario, WAIT,
                 advance_box, main, settings_dict, wait_for)

KILLS = 50
FOREIGN = "; 用户自己的注释\r\n[别的程序]\r\n名字=保留\r\n\r\n"


def temporaries(directory):
    """The hidden files beside the settings file."""
    return sorted(name for name in os.listdir(directory) if name.startswith("."))


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class KilledWhileWriting(Scenario):

    def test_settings_writer_killed_at_random_moments(self):
        """The settings store of the program, linked into a small writer that stores keys as
        fast as it can, killed 50 times a few milliseconds into its run."""
        self.assertTrue(SETTINGS_WRITER and os.path.isfile(SETTINGS_WRITER),
                        "VORLANE_SETTINGS_WRITER must name the built writer")
        rng = random.Random(20240501)
        with tempfile.TemporaryDirectory(prefix="vorlane-kill-") as d:
            path = os.path.join(d, SETTINGS_NAME)
            with open(path, "wb") as f:
                f.write(FOREIGN.encode("gbk"))
            committed = {}  # key -> value of every write the writer finished
            in_write, new_values, killed_pids = 0, 0, set()
            for round_ in range(KILLS):
                writer = subprocess.Popen([SETTINGS_WRITER, path, str(round_ * 1000)],
                                          stdout=subprocess.PIPE)
                ready, _, _ = select.select([writer.stdout], [], [], WAIT)
                self.assertTrue(ready, "the writer said nothing")
                time.sleep(rng.uniform(0, 0.03))
                writer.kill()
                said = writer.stdout.read().decode().splitlines()
                writer.stdout.close()
                self.assertEqual(writer.wait(timeout=WAIT), -signal.SIGKILL)
                killed_pids.add(writer.pid)

                pending = None  # the write that was under way when the kill came
                for line in said:
                    if line.startswith("B "):
                        _, key, value = line.split(" ")
                        pending = (KEYS[int(key)], bytes.fromhex(value).decode("gbk"))
                    else:
                        self.assertEqual(line, "D")
                        committed[pending[0]] = pending[1]
                        pending = None

                data = read_bytes(path)
                self.assertTrue(data.startswith(FOREIGN.encode("gbk")),
                                f"round {round_}: the other program's lines changed")
                stored = settings_dict(data)  # parses: GBK, CR LF, key=value, no key twice
                for key in KEYS:
                    allowed = [committed.get(key)]
                    if pending and pending[0] == key:
                        allowed.append(pending[1])
                    self.assertIn(stored.get(key), allowed, f"round {round_}, key {key}")
                if pending:
                    # Whichever of the two values the file holds is the one the next round
                    # starts from.
                    in_write += 1
                    new_values += stored.get(pending[0]) == pending[1] != committed.get(
                        pending[0])
                    committed[pending[0]] = stored.get(pending[0])
                # Anything beside the file is a temporary of a killed writer.
                for name in temporaries(d):
                    match = re.fullmatch(r"\." + re.escape(SETTINGS_NAME) + r"\.tmp-(\d+)-.*",
                                         name)
                    self.assertTrue(match and int(match.group(1)) in killed_pids, name)

            left = temporaries(d)
            # A writer that runs to its end leaves the file complete, and its writes clear the
            # temporary files that the killed writers left behind.
            finished = subprocess.run([SETTINGS_WRITER, path, "999999", str(len(KEYS))],
                                      capture_output=True, timeout=WAIT)
            self.assertEqual(finished.returncode, 0)
            self.assertFalse(temporaries(d))
            self.assertEqual(sorted(settings_dict(read_bytes(path))), sorted(KEYS))
            print(f"{KILLS} kills, {in_write} inside a write ({new_values} of them after the "
                  f"new value was in place); {len(left)} temporary files of killed writers "
                  f"left before the last write cleared them", file=sys.stderr)


class KilledWhileTyping(Scenario):

    def test_program_killed_while_the_user_types(self):
        """The real program killed while the user types fast into an advance box (each
        keystroke is a write); the next start comes up normally with what was stored."""
        rng = random.Random(11)
        digits = "1234567890" * 4
        typed = {"0"} | {digits[:n] for n in range(1, len(digits) + 1)}
        with Desktop() as desk:
            desk.write_settings({"第一次启动": "1"})
            for round_ in range(3):
                program = desk.start()
                win = desk.wait_window(MAIN_TITLE)
                desk.type_into(win, advance_box(1), "")
                typist = subprocess.Popen(["xdotool", "type", "--delay", "2", digits],
                                          env=desk.x_env())
                time.sleep(rng.uniform(0.05, 0.25))
                os.killpg(program.proc.pid, signal.SIGKILL)
                self.assertEqual(program.exit_status(), -signal.SIGKILL)
                typist.kill()
                typist.wait()

                values = settings_dict(desk.settings_bytes())
                self.assertEqual(values["第一次启动"], "1")
                items = values["提醒时间段设置"].split("*")
                self.assertEqual(len(items), 13, items)
                self.assertIn(items[0], typed)
                self.assertEqual(items[1:], ["0"] * 11 + [""])
                wait_for("the killed window to go", lambda: not desk.windows(MAIN_TITLE))

                program, win = self.plain_start(desk)
                self.assert_clean_close(desk, program, win)
                self.assertEqual(settings_dict(desk.settings_bytes())["提醒时间段设置"],
                                 values["提醒时间段设置"])
            print(f"hidden files left in the run directory: {temporaries(desk.run_dir)}",
                  file=sys.stderr)


if __name__ == "__main__":
    main()
