"""The real program as a user meets it: a fresh run directory with a copy of the executable, a
HOME of its own, a virtual X display with a window manager, X input from xdotool and wmctrl,
and what it shows and writes read back. Standard library only.

Every process started here runs in a process group of its own and is ended by that group's id
when the scenario ends, whether it passed or not.
"""

import contextlib
import ctypes
import glob
import os
import pwd
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

EXE = os.environ.get("VORLANE_EXE", "")
SETTINGS_WRITER = os.environ.get("VORLANE_SETTINGS_WRITER", "")

MAIN_TITLE = "Vorlane时辰提醒工具"
HELP_TITLE = "此窗口仅第一次使用出现 需再次打开点击帮助"
ALERT_TITLE = "到点了"
SETTINGS_NAME = "Vorlane时辰提醒.ini"
ALARM_NAME = "报警.wav"
ALARM_BYTES = 54010
LINK_NAME = "导航.url"
SECTION = "设置"

# The keys in the order of settings::Key.
KEYS = ["左边", "顶边", "第一次启动", "桌面导航", "提醒时间段设置", "提醒时辰列表",
        "音乐", "蜂鸣", "提示框", "启动登录器", "音乐路径", "游戏路径"]

# Client coordinates of the main window's controls (centres).
def period_button(k):
    return 46 + 40 * (k - 1) + 15, 37 + 15


def advance_box(k):
    return 48 + 40 * (k - 1) + 12, 91 + 10


SWITCH = (8 + 41, 126 + 12)

WAIT = 20.0  # the bound of every wait for something the program does


def wait_for(what, probe, timeout=WAIT, interval=0.05):
    """Polls probe until it gives something true and returns that; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"gave up after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def _die_with_parent():
    """Run in each child before exec: its own process group, and SIGKILL when the test dies."""
    os.setsid()
    with contextlib.suppress(OSError, AttributeError):
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def kill_group(proc):
    """Ends a process started here with everything it started, by its group id: SIGTERM, so
    that the X server removes its socket, and SIGKILL for whatever is left after a moment."""
    for sig, grace in ((signal.SIGTERM, 3), (signal.SIGKILL, 5)):
        with contextlib.suppress(ProcessLookupError, PermissionError):
            os.killpg(proc.pid, sig)
        with contextlib.suppress(subprocess.TimeoutExpired):
            proc.wait(timeout=grace)
            with contextlib.suppress(ProcessLookupError, PermissionError):
                os.killpg(proc.pid, signal.SIGKILL)  # helpers it left in its group
            return


# ---- the settings file -------------------------------------------------------------------------

def gbk_lines(data):
    """The file's lines as text. Every line must end with CR LF and be valid GBK."""
    assert data.endswith(b"\r\n"), f"the file does not end with CR LF: {data[-20:]!r}"
    raw = data[:-2].split(b"\r\n")
    for line in raw:
        assert b"\r" not in line and b"\n" not in line, f"a line without CR LF: {line!r}"
    return [line.decode("gbk") for line in raw]


def section_lines(data, section=SECTION):
    """The lines of the first [section] of the file's bytes (the file's other lines may be
    anything); each must be key=value ending with CR LF in GBK."""
    header = f"[{section}]\r\n".encode("gbk")
    at = data.find(header)
    assert at == 0 or (at > 0 and data[at - 1:at] == b"\n"), f"no section [{section}]"
    lines = gbk_lines(data[at:])[1:]
    body = []
    for line in lines:
        if line.startswith("["):
            break
        assert "=" in line and line.split("=", 1)[0], f"not a key=value line: {line!r}"
        body.append(line)
    return body


def settings_dict(data):
    entries = [line.split("=", 1) for line in section_lines(data)]
    keys = [k for k, _ in entries]
    assert len(keys) == len(set(keys)), f"a key stands twice: {keys}"
    return dict(entries)


def settings_text(values, before=""):
    """A settings file: an optional text before, then section 设置 with the values (GBK, CR LF)."""
    lines = [f"[{SECTION}]"] + [f"{k}={v}" for k, v in values.items()]
    return (before + "".join(line + "\r\n" for line in lines)).encode("gbk")


def replace_file(path, data):
    """Replaces a file as another program would: whole, through a rename."""
    tmp = path + ".edit"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


# ---- a desktop of its own ----------------------------------------------------------------------

class Program:
    """One run of the program."""

    def __init__(self, desk, proc, log):
        self.desk, self.proc, self.log = desk, proc, log

    def exit_status(self, timeout=WAIT):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the program did not end within {timeout:.0f} s")

    def output(self):
        with open(self.log, "rb") as f:
            return f.read().decode("utf-8", "replace")


class Desktop:
    """A run directory with a copy of the executable, a HOME (with a Desktop folder unless
    desktop_folder is false) and a virtual display of its own with openbox."""

    def __init__(self, desktop_folder=True):
        self.desktop_folder = desktop_folder
        self.procs = []
        self.programs = []

    # -- setting up and tearing down

    def __enter__(self):
        assert EXE and os.path.isfile(EXE), "VORLANE_EXE must name the built program"
        self.root = tempfile.mkdtemp(prefix="vorlane-e2e-")
        os.chmod(self.root, 0o755)
        self.run_dir = os.path.join(self.root, "run")
        self.home = os.path.join(self.root, "home")
        self.elsewhere = os.path.join(self.root, "elsewhere")  # the program's working directory
        self.runtime = os.path.join(self.root, "runtime")
        for d in (self.run_dir, self.home, self.elsewhere, self.runtime):
            os.mkdir(d)
        os.chmod(self.runtime, 0o700)
        if self.desktop_folder:
            os.mkdir(self.desktop)
        self.exe = os.path.join(self.run_dir, os.path.basename(EXE))
        shutil.copy2(EXE, self.exe)
        try:
            self._start_display()
        except BaseException:
            self.__exit__(*sys.exc_info())
            raise
        return self

    def __exit__(self, kind, error, trace):
        openbox_log = os.path.join(self.root, "openbox.log")
        if kind is not None and os.path.exists(openbox_log):
            with open(openbox_log, "rb") as f:
                print(f"--- openbox:\n{f.read().decode('utf-8', 'replace')[-2000:]}")
        if kind is not None:
            for program in self.programs:
                print(f"--- program output ({program.log}):\n{program.output()[-4000:]}")
        for proc in reversed(self.procs):
            kill_group(proc)
        shutil.rmtree(self.root, ignore_errors=True)
        return False

    def _spawn(self, args, env=None, **kwargs):
        proc = subprocess.Popen(args, env=env, preexec_fn=_die_with_parent, **kwargs)
        self.procs.append(proc)
        return proc

    def _start_display(self):
        # Xvfb picks a free display number itself and tells it through -displayfd once it
        # accepts clients. -noreset: no server reset when its last client leaves.
        read_end, write_end = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24",
                     "-nolisten", "tcp", "-noreset"],
                    pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end, "rb") as f:
            ready, _, _ = select.select([f], [], [], WAIT)
            number = f.readline().strip() if ready else b""
        if not number:
            raise AssertionError("Xvfb did not start")
        self.display = ":" + number.decode()
        wait_for("the X server to answer",
                 lambda: subprocess.run(["xdpyinfo"], env=self.x_env(), capture_output=True)
                 .returncode == 0)
        with open(os.path.join(self.root, "openbox.log"), "wb") as log:
            self._spawn(["openbox", "--sm-disable"], env=self.x_env(), stdout=log,
                        stderr=subprocess.STDOUT)
        # Openbox announces itself before it has finished starting, and a window mapped in
        # that time is never managed (nor shown). It is ready once its event loop has handled
        # a request: a number of desktops that no configuration sets, asked for until it holds.
        wait_for("the window manager's event loop", self._wm_took_desktop_count, interval=0.1)

    def _wm_took_desktop_count(self):
        out = self.x("xprop", "-root", "_NET_NUMBER_OF_DESKTOPS", check=False)
        if re.search(r"= 7$", out.strip()):
            return True
        self.x("wmctrl", "-n", "7", check=False)
        return False

    # -- paths

    @property
    def desktop(self):
        return os.path.join(self.home, "Desktop")

    @property
    def settings_path(self):
        return os.path.join(self.run_dir, SETTINGS_NAME)

    @property
    def link_path(self):
        return os.path.join(self.desktop, LINK_NAME)

    def settings_bytes(self):
        with open(self.settings_path, "rb") as f:
            return f.read()

    def settings(self):
        return settings_dict(self.settings_bytes())

    def write_settings(self, values, before=""):
        with open(self.settings_path, "wb") as f:
            f.write(settings_text(values, before))

    def set_setting(self, key, value):
        """Changes one key in the file from outside, keeping everything else."""
        data = self.settings_bytes()
        old = re.compile(rb"^" + re.escape(key.encode("gbk")) + rb"=.*\r\n", re.M)
        line = f"{key}={value}\r\n".encode("gbk")
        assert old.search(data), f"{key} is not in the file"
        replace_file(self.settings_path, old.sub(lambda _: line, data, count=1))

    # -- the program

    def x_env(self):
        return {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "DISPLAY": self.display,
                "HOME": self.home}

    def program_env(self, extra=None):
        env = self.x_env()
        env.update({"XDG_RUNTIME_DIR": self.runtime, "LANG": "C.UTF-8", "TZ": "UTC",
                    "QT_QPA_PLATFORM": "xcb", "SDL_AUDIODRIVER": "dummy"})
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"):
            if name in os.environ:
                env[name] = os.environ[name]
        env.update(extra or {})
        return env

    def start(self, env=None, as_user=None):
        """Starts the program from another working directory, as a user would from a menu.
        as_user: run it as this (unprivileged) user; HOME and the runtime folder become theirs."""
        args = [self.exe]
        if as_user:
            user = pwd.getpwnam(as_user)
            for d in (self.home, self.runtime) + ((self.desktop,) if self.desktop_folder else ()):
                os.chown(d, user.pw_uid, user.pw_gid)
            args = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}",
                    "--clear-groups"] + args
        log = os.path.join(self.root, f"program-{len(self.programs) + 1}.log")
        with open(log, "wb") as out:
            proc = self._spawn(args, env=self.program_env(env), cwd=self.elsewhere,
                               stdout=out, stderr=subprocess.STDOUT)
        program = Program(self, proc, log)
        self.programs.append(program)
        return program

    # -- X input and output

    def x(self, *args, check=True, timeout=WAIT):
        result = subprocess.run(args, env=self.x_env(), capture_output=True, timeout=timeout)
        if check and result.returncode != 0:
            raise AssertionError(f"{' '.join(args)} failed: {result.stderr.decode()}")
        return result.stdout.decode("utf-8", "replace")

    def windows(self, title):
        """The mapped windows with exactly this title."""
        out = self.x("xdotool", "search", "--onlyvisible", "--name", f"^{title}$", check=False)
        return [int(w) for w in out.split()]

    def wait_window(self, title, timeout=WAIT):
        try:
            return wait_for(f'the window "{title}"', lambda: self.windows(title), timeout)[0]
        except AssertionError as error:
            raise AssertionError(f"{error}; the windows there: {self.window_list()}") from None

    def window_list(self):
        """The managed windows and their titles, for failure messages."""
        return self.x("wmctrl", "-l", check=False).strip() or "none"

    def wait_gone(self, title, timeout=WAIT):
        wait_for(f'the window "{title}" to go', lambda: not self.windows(title), timeout)

    def click(self, win, xy):
        self.x("xdotool", "mousemove", "--window", str(win), str(xy[0]), str(xy[1]),
               "click", "1")

    def activate(self, win):
        self.x("xdotool", "windowactivate", "--sync", str(win), timeout=5)

    def key(self, win, *keys):
        self.activate(win)
        self.x("xdotool", "key", "--clearmodifiers", *keys)

    def type_into(self, win, xy, text, delay_ms=20):
        """Clicks into an edit box, selects its content and types text over it."""
        self.click(win, xy)
        self.x("xdotool", "key", "--clearmodifiers", "ctrl+a")
        if text:
            self.x("xdotool", "type", "--delay", str(delay_ms), "--", text)

    def close(self, win):
        """The window manager's close, as a user closes a window."""
        self.x("wmctrl", "-i", "-c", str(win))

    def move(self, win, left, top):
        self.x("wmctrl", "-i", "-r", str(win), "-e", f"0,{left},{top},-1,-1")

    def position(self, win):
        """The screen position of the window's client area."""
        out = self.x("xwininfo", "-id", str(win))
        x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", out).group(1))
        y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", out).group(1))
        return x, y

    # -- whole steps of a user

    def pass_help_window(self):
        """Waits for the help window, checks that it is alone, closes it with Esc."""
        help_win = self.wait_window(HELP_TITLE)
        for _ in range(5):
            assert not self.windows(MAIN_TITLE), "the main window is up beside the help window"
            time.sleep(0.1)
        self.key(help_win, "Escape")
        self.wait_gone(HELP_TITLE)

    def close_and_wait(self, program, win):
        """Closes the main window and returns the program's exit status."""
        self.close(win)
        return program.exit_status()


# ---- a shifted clock ---------------------------------------------------------------------------

def faketime_library():
    found = sorted(glob.glob("/usr/lib/*/faketime/libfaketimeMT.so.1"))
    assert found, "libfaketime is missing (Debian package faketime)"
    return found[0]


class ShiftedClock:
    """The program's clock shifted by whole seconds so that it reads minute 4, second
    start_second of the current hour (UTC) when it starts; real and shifted time then run
    together, so the test always knows the program's time.

    libfaketime also shifts CLOCK_MONOTONIC unless told not to, and then a condition-variable
    wait on the steady clock hangs: libstdc++ waits with pthread_cond_clockwait, which
    libfaketime 0.9.10 does not wrap, so the kernel gets a shifted deadline. The program's
    waits are on the steady clock, so only the wall clock is shifted."""

    def __init__(self, start_second):
        now = time.time()
        hour = int(now // 3600) * 3600
        self.offset = round(hour + 4 * 60 + start_second - now)

    def env(self):
        # An AddressSanitizer build refuses to start with a library preloaded before its own.
        asan = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"),
                                      "verify_asan_link_order=0"]))
        return {"LD_PRELOAD": faketime_library(), "FAKETIME": f"{self.offset:+d}s",
                "FAKETIME_DONT_FAKE_MONOTONIC": "1", "FAKETIME_DONT_RESET": "1",
                "ASAN_OPTIONS": asan}

    def now(self):
        return time.time() + self.offset

    def real(self, minute, second):
        """The real time at which the program's clock reads minute:second of the same hour."""
        hour = int(self.now() // 3600) * 3600
        return hour + minute * 60 + second - self.offset


def wait_for_alert(desk, due_real, late=1.0):
    """Waits for the alert box due at the real time due_real: none before that second, one
    within it (`late` seconds). Returns the box's window."""
    while time.time() < due_real - 0.05:
        before = time.time()
        boxes = desk.windows(ALERT_TITLE)
        assert not boxes or before >= due_real, \
            f"an alert box came {due_real - before:.2f} s before its second"
        time.sleep(0.05)
    box = desk.wait_window(ALERT_TITLE, timeout=max(0.1, due_real + late - time.time()))
    print(f"the alert box was seen {time.time() - due_real:.2f} s into its second",
          file=sys.stderr)
    return box


# ---- reading the screen through the accessibility bus ------------------------------------------

class Accessibility:
    """A session bus and the accessibility bus of at-spi2-core, so that the texts the program
    shows can be read as a screen reader reads them (Qt 6 looks for the accessibility bus
    through the session bus)."""

    def __init__(self, desk):
        self.desk = desk
        read_end, write_end = os.pipe()
        env = desk.x_env()
        env["XDG_RUNTIME_DIR"] = desk.runtime
        desk._spawn(["dbus-daemon", "--session", "--nofork", f"--print-address={write_end}"],
                    env=env, pass_fds=[write_end], stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end, "rb") as f:
            ready, _, _ = select.select([f], [], [], WAIT)
            assert ready, "dbus-daemon did not start"
            self.session = f.readline().decode().strip()
        env["DBUS_SESSION_BUS_ADDRESS"] = self.session
        launcher = "/usr/libexec/at-spi-bus-launcher"
        assert os.path.exists(launcher), "at-spi2-core is missing"
        desk._spawn([launcher], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.bus = wait_for("the accessibility bus", self._bus_address)

    def _gdbus(self, *args, address=None):
        result = subprocess.run(
            ["gdbus", "call", "--address", address or self.bus, *args],
            capture_output=True, timeout=WAIT,
            env={"PATH": os.environ.get("PATH", "/usr/bin"), "LANG": "C.UTF-8"})
        return result.stdout.decode("utf-8", "replace") if result.returncode == 0 else ""

    def _bus_address(self):
        out = self._gdbus("--dest", "org.a11y.Bus", "--object-path", "/org/a11y/bus",
                          "--method", "org.a11y.Bus.GetAddress", address=self.session)
        match = re.match(r"\('(.*)',\)", out.strip())
        return match.group(1) if match else None

    def program_env(self):
        return {"DBUS_SESSION_BUS_ADDRESS": self.session, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}

    def _children(self, dest, path):
        out = self._gdbus("--dest", dest, "--object-path", path,
                          "--method", "org.a11y.atspi.Accessible.GetChildren")
        return re.findall(r"\('([^']*)', (?:objectpath )?'([^']*)'\)", out)

    def _name(self, dest, path):
        out = self._gdbus("--dest", dest, "--object-path", path, "--method",
                          "org.freedesktop.DBus.Properties.Get", "org.a11y.atspi.Accessible",
                          "Name")
        match = re.match(r"\(<'(.*)'>,\)", out.strip())
        return match.group(1) if match else ""

    def texts_of_window(self, title):
        """The names of everything inside the program's top-level window of that title."""
        root = "/org/a11y/atspi/accessible/root"
        for app, app_path in self._children("org.a11y.atspi.Registry", root):
            for dest, path in self._children(app, app_path):
                if self._name(dest, path) == title:
                    return self._descendant_names(dest, path)
        return None

    def _descendant_names(self, dest, path):
        names = []
        for child_dest, child in self._children(dest, path):
            names.append(self._name(child_dest, child))
            names += self._descendant_names(child_dest, child)
        return names


# ---- the test case base ------------------------------------------------------------------------

def stopped(*_):
    raise SystemExit("stopped from outside")  # leaves through the clean-up of each Desktop


class Scenario(unittest.TestCase):
    """Each scenario has a hard bound: it fails rather than hangs."""

    budget = 90

    def setUp(self):
        def expired(*_):
            raise TimeoutError(f"the scenario ran longer than {self.budget} s")
        signal.signal(signal.SIGALRM, expired)
        signal.alarm(self.budget)
        signal.signal(signal.SIGTERM, stopped)

    def tearDown(self):
        signal.alarm(0)

    def first_start(self, desk, env=None, as_user=None):
        """A start that shows the help window first: Esc, then the main window comes up."""
        program = desk.start(env, as_user)
        desk.pass_help_window()
        return program, desk.wait_window(MAIN_TITLE)

    def plain_start(self, desk, env=None, as_user=None):
        """A start without the help window."""
        program = desk.start(env, as_user)
        up = wait_for("the main window",
                      lambda: desk.windows(HELP_TITLE) and "help" or desk.windows(MAIN_TITLE))
        self.assertNotEqual(up, "help", "the help window came up")
        return program, up[0]

    def assert_clean_close(self, desk, program, win):
        self.assertEqual(desk.close_and_wait(program, win), 0, "exit status after close")


def main():
    unittest.main(verbosity=2)
