#!/usr/bin/env python3
"""Due alerts on a shifted clock: the box at its second, with its text read from the screen;
with sound going to a file, with no audio device, and with sound files that cannot be played."""

import array
import io
import os
import time
import wave

from e2e import (ALERT_TITLE, SWITCH, Accessibility, Desktop, Scenario, ShiftedClock, main,
                 period_button, wait_for, wait_for_alert)

LEAD = 6  # seconds from the program's start to the first due second: room to start and click


def advances(**by_period):
    """The stored advance list with the given periods' advances (k=advance), others 0."""
    items = ["0"] * 12
    for k, value in by_period.items():
        items[int(k[1:]) - 1] = str(value)
    return "".join(item + "*" for item in items)


class Alerts(Scenario):

    def start_running(self, desk, settings, env):
        """Writes the settings, starts the program on a clock LEAD seconds before minute 4
        second 30, and clicks the switch. Returns (program, main window, clock, a11y)."""
        desk.write_settings(settings)
        a11y = Accessibility(desk)
        clock = ShiftedClock(start_second=30 - LEAD)
        program, win = self.plain_start(desk, {**clock.env(), **a11y.program_env(), **env})
        desk.click(win, SWITCH)
        self.assertLess(time.time(), clock.real(4, 30) - 1,
                        "the program came up too late to test the due second")
        return program, win, clock, a11y

    def assert_box(self, desk, a11y, text):
        box = desk.wait_window(ALERT_TITLE)
        texts = wait_for("the box's text on the accessibility bus",
                         lambda: a11y.texts_of_window(ALERT_TITLE))
        self.assertIn(text, texts)
        return box

    def close_box(self, desk, box):
        desk.key(box, "Return")
        desk.wait_gone(ALERT_TITLE)

    def test_due_alert_shows_its_box_at_its_second_and_sounds(self):
        with Desktop() as desk:
            capture = os.path.join(desk.root, "sound.raw")
            program, win, clock, a11y = self.start_running(
                desk, {"第一次启动": "1", "提醒时辰列表": "巳*", "提醒时间段设置": advances(k2=30)},
                {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": capture})

            box = wait_for_alert(desk, clock.real(4, 30))
            self.assert_box(desk, a11y, "巳时辰到啦")
            # The beep and the alarm sound (about 4.9 s) reach the audio output while the box
            # stands: 16-bit samples, 44,100 stereo frames a second.
            loud = wait_for("the alarm sound in the audio output",
                            lambda: sounding_seconds(capture) >= 4.0, timeout=15, interval=0.5)
            self.assertTrue(loud)
            self.close_box(desk, box)
            self.assert_clean_close(desk, program, win)

    def test_no_audio_device(self):
        with Desktop() as desk:
            program, win, clock, a11y = self.start_running(
                desk, {"第一次启动": "1", "提醒时辰列表": "巳*", "提醒时间段设置": advances(k2=30)},
                {"SDL_AUDIODRIVER": "no-such-driver"})
            box = wait_for_alert(desk, clock.real(4, 30))
            self.assert_box(desk, a11y, "巳时辰到啦")
            self.close_box(desk, box)
            self.assert_clean_close(desk, program, win)

    def test_sound_files_that_cannot_play(self):
        """Four alerts three seconds apart, each naming a sound file that cannot be played; the
        file's name is changed in the settings between alerts, as another program would."""
        with Desktop() as desk:
            huge = os.path.join(desk.run_dir, "巨大.wav")
            with open(huge, "wb") as f:
                f.write(wav_bytes(1.0))
            os.truncate(huge, 64 * 1024 * 1024 + 1)  # sparse: over the 64 MiB limit
            with open(os.path.join(desk.run_dir, "cut.wav"), "wb") as f:
                f.write(wav_bytes(3.0)[:3000])  # the header promises more than is there
            with open(os.path.join(desk.run_dir, "notes.wav"), "wb") as f:
                f.write("这不是声音，只是一段文字。\n".encode("gbk") * 400)
            with open(os.path.join(desk.run_dir, "cut.mid"), "wb") as f:
                f.write(b"MThd\0\0\0\6\0\1\0\2\0\x60MTrk\0\0\x40\0\0\x90\x3c")
            cases = [  # (period number, advance, due second, sound file, box text)
                (2, 30, 30, huge, "巳时辰到啦"),
                (3, 327, 33, "cut.wav", "午时辰到啦"),
                (4, 624, 36, "notes.wav", "未时辰到啦"),
                (5, 921, 39, "cut.mid", "申时辰到啦"),
            ]
            settings = {"第一次启动": "1", "提醒时辰列表": "巳*午*未*申*",
                        "提醒时间段设置": advances(k2=30, k3=327, k4=624, k5=921),
                        "音乐路径": huge}
            program, win, clock, a11y = self.start_running(desk, settings, {})

            selection = settings["提醒时辰列表"]
            for i, (k, advance, second, sound, text) in enumerate(cases):
                box = wait_for_alert(desk, clock.real(4, second))
                self.assert_box(desk, a11y, text)
                if i + 1 < len(cases):
                    desk.set_setting("音乐路径", cases[i + 1][3])
                self.close_box(desk, box)
                # Still responsive: a click on 辰 is handled and stored at once.
                desk.click(win, period_button(1))
                selection = selection + "辰*" if "辰" not in selection else \
                    selection.replace("辰*", "")
                wait_for("the click to be stored",
                         lambda: desk.settings()["提醒时辰列表"] == selection)
            self.assert_clean_close(desk, program, win)


def wav_bytes(seconds):
    """A RIFF WAVE file of a 440 Hz square wave, 8 bits, 11,025 samples a second."""
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(11025)
        w.writeframes(bytes(200 if (i // 12) % 2 else 56 for i in range(int(11025 * seconds))))
    return out.getvalue()


def sounding_seconds(capture, threshold=1000):
    """Seconds from the first to the last sample louder than threshold in the captured output
    (signed 16-bit stereo, 44,100 frames a second)."""
    if not os.path.exists(capture):
        return 0.0
    with open(capture, "rb") as f:
        data = f.read()
    samples = array.array("h", data[:len(data) // 2 * 2])
    loud = [i for i, v in enumerate(samples) if abs(v) > threshold]
    return (loud[-1] - loud[0]) / (2 * 44100) if loud else 0.0


if __name__ == "__main__":
    main()
