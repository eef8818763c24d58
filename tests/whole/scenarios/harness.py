"""One run of the shipped tarvel.exe under Wine, against the test controllers and the key sink.

A Session owns everything a scenario starts: a fresh Wine prefix of its own (a copy of the
template prefix, so every scenario begins with no settings), a copy of tarvel.exe beside the
test dinput8.dll, the key sink and the program. It drives the controllers and looks at the
program's windows through tarveldrive.exe. Closing the session ends every
process it started (the prefix's wineserver is its own, so `wineserver -k` touches nobody else)
and removes the prefix; the logs stay in the session's folder.
"""

import dataclasses
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parents[3]
WINE_PREFIX_SCRIPT = REPO_ROOT / "scripts" / "wine-prefix.sh"
# A failure quicker than this, with nothing printed, is Wine's own: no program runs that fast.
WINE_GAVE_UP_S = 0.005

# Window classes and messages of the program, as a user's tools see them from outside.
FRAME_CLASS = "TarvelFrame"
WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_LBUTTONDBLCLK = 0x0203
WM_TRAYNOTIFY = 1025
WM_DEVICECHANGE = 0x0219
DBT_DEVNODES_CHANGED = 0x0007
NIN_BALLOONUSERCLICK = 0x0405
LVM_SETCOLUMNWIDTH = 0x101E
ID_FILE_NEW = 57600
ID_FILE_SAVE = 57603
ID_JOYSTICK_REFRESH = 32771
ID_OPTIONS_HIDE_ON_STARTUP = 32779
ID_VIEW_HIDE_TO_TRAY = 32775

# Row images: a row's status bits.
ROW_CONNECTED = 4
ROW_PRESSED = 1

SETTINGS_KEY = r"Software\Tarvel Project\Tarvel"


class CheckFailed(AssertionError):
    """A scenario's expectation did not hold."""


class ScenarioTimeout(Exception):
    """The scenario ran past its deadline."""


def check(condition, message):
    if not condition:
        raise CheckFailed(message)


def check_equal(what, expected, actual):
    if expected != actual:
        raise CheckFailed(f"{what}:\n  expected {expected!r}\n  actual   {actual!r}")


def wait_for(read, condition, what, timeout_s=5, every_s=0.05):
    """Reads until `condition(value)` holds and returns that value; after timeout_s fails with
    `what`, a text or a function of the last value read."""
    deadline = time.monotonic() + timeout_s
    while True:
        value = read()
        if condition(value):
            return value
        if time.monotonic() > deadline:
            check(False, what(value) if callable(what) else what)
        time.sleep(every_s)


def wait_saved(path, before_ns, timeout_s=5):
    """Waits until the file at `path` was written again since `before_ns` (its mtime then)."""
    wait_for(lambda: path.stat().st_mtime_ns, lambda stamp: stamp != before_ns,
             f"{path.name} was not saved", timeout_s)
    time.sleep(0.2)  # the writer may still be busy with it


# ---------------------------------------------------------------------------------------------
# Configuration files


@dataclasses.dataclass
class Mapping:
    vk: int
    scan: int = 0
    mods: int = 0
    window_class: str = ""
    description: str = ""
    action: str = ""  # "Hold" or "Turbo,<rate>"; empty: Tap
    mouse: str = ""  # "LeftClick", "WheelUp"...: a mouse action in place of the key
    # Lines after the button lines, each without the row's name: "Sequence = 0;65,30,0;...",
    # "Text = ..." (written in UTF-8), "Long = 300,116,63,0".
    extras: tuple = ()


@dataclasses.dataclass
class Record:
    instance: str
    product: str
    name: str
    buttons: int
    mappings: dict  # button index (0-based) -> Mapping
    controls: dict = dataclasses.field(default_factory=dict)  # "Pov1Up", "XPlus"... -> Mapping
    extra: list = dataclasses.field(default_factory=list)  # "Pointer = RxRy,1200,15"...

    def line(self, index):
        m = self.mappings.get(index)
        if m is None:
            return f"Button{index + 1} = 0,0,0,0,0,,0,"
        # A row that types a text or a mouse action holds no key.
        assigned, vk, scan = (1, m.vk, m.scan) if m.vk and not m.mouse else (0, 0, 0)
        return (f"Button{index + 1} = {assigned},{vk},{scan},{m.mods},"
                f"{len(m.window_class)},{m.window_class},{len(m.description)},{m.description}")


def write_config(path, records):
    """Writes a configuration file as the program writes it: "TVM2", CR LF line ends."""
    lines = ["TVM2"]
    for record in records:
        lines.append(f"[{record.instance},{record.product},{record.name}]")
        lines.append(f"NumberOfButtons = {record.buttons}")
        lines.extend(record.line(i) for i in range(record.buttons))
        for i, m in sorted(record.mappings.items()):
            if m.action:
                lines.append(f"Button{i + 1}Action = {m.action}")
            lines.extend(f"Button{i + 1}{extra}" for extra in m.extras)
        lines.extend(f"Button{i + 1}Mouse = {m.mouse}"
                     for i, m in sorted(record.mappings.items()) if m.mouse)
        for name, m in record.controls.items():
            lines.append(f"{name} = 1,{m.vk},{m.scan},{m.mods},{len(m.window_class)},"
                         f"{m.window_class},{len(m.description)},{m.description}")
            if m.action:
                lines.append(f"{name}Action = {m.action}")
            lines.extend(f"{name}{extra}" for extra in m.extras)
        lines.extend(record.extra)
    # The texts of the older lines are 8-bit; a typed text is UTF-8.
    Path(path).write_bytes(b"".join(
        (line.encode("utf-8") if "Text = " in line else line.encode("latin-1")) + b"\r\n"
        for line in lines))


def instance_guid(n):
    return "{7A5E1000-0000-4000-8000-%012X}" % n


def product_guid(n):
    return "{7A5E2000-0000-4000-8000-%012X}" % n


# ---------------------------------------------------------------------------------------------
# What the tools print


@dataclasses.dataclass
class KeyEvent:
    name: str
    wparam: int
    lparam: int
    route: str = ""
    mods: int = 0
    qpc: int = 0

    @property
    def scan(self):
        return (self.lparam >> 16) & 0xFF

    def short(self):
        return (self.name, self.wparam, self.lparam)


def parse_keys(text):
    events = []
    for line in text.splitlines():
        parts = line.split()
        if not parts:
            continue
        event = KeyEvent(parts[0], int(parts[1], 16), int(parts[2], 16))
        for part in parts[3:]:
            if part in ("sent", "queued"):
                event.route = part
            elif part.startswith("mods="):
                event.mods = int(part[5:])
            elif part.startswith("qpc="):
                event.qpc = int(part[4:])
        events.append(event)
    return events


@dataclasses.dataclass
class Row:
    image: int
    texts: list  # Device, Button, Mapped Keyboard Key, Target Window Class, Description


def parse_rows(text):
    lines = text.splitlines()
    count = int(lines[0].split()[1])
    rows = []
    for line in lines[1:]:
        head, *texts = line.split("\t")
        rows.append(Row(int(head.split()[1]), texts))
    check_equal("rows listed", count, len(rows))
    return rows


@dataclasses.dataclass
class WindowInfo:
    visible: bool
    foreground: bool
    rect: tuple  # left, top, width, height
    title: str


def parse_window(text):
    m = re.match(r'(\S+) (\d+) (\d) (\d) (-?\d+) (-?\d+) (-?\d+) (-?\d+) "(.*)"$', text.strip())
    check(m is not None, f"tarveldrive window printed {text!r}")
    return WindowInfo(m.group(3) == "1", m.group(4) == "1",
                      tuple(int(m.group(i)) for i in range(5, 9)), m.group(9))


def parse_user_reg(path):
    """The keys of a Wine user.reg: {key path: {value name: int or str}}."""
    keys = {}
    current = None
    for line in Path(path).read_text(encoding="latin-1").splitlines():
        if line.startswith("["):
            name = line[1:line.index("]")]
            current = keys.setdefault(name.replace("\\\\", "\\"), {})
        elif current is not None and line.startswith('"'):
            m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)$', line)
            if not m:
                continue
            name, value = m.group(1), m.group(2)
            if value.startswith("dword:"):
                current[name] = int(value[6:], 16)
            elif value.startswith('"'):
                current[name] = re.sub(r"\\(.)", r"\1", value[1:-1])
    return keys


# ---------------------------------------------------------------------------------------------
# The session


class Session:
    """A scenario's own prefix, processes and tools. Use as a context manager."""

    def __init__(self, name, bin_dir, program, tarvelcfg, runs_dir, keep_prefix=False):
        self.name = name
        self.bin_dir = Path(bin_dir)
        self.program_source = Path(program)
        self.tarvelcfg = Path(tarvelcfg) if tarvelcfg else None
        self.root = Path(runs_dir) / name
        self.prefix = self.root / "prefix"
        self.program_dir = self.root / "program"
        self.files = self.root / "files"
        self.keep_prefix = keep_prefix
        self.children = {}  # name -> Popen
        self.command_log = None
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": str(self.prefix),
            "WINEDEBUG": os.environ.get("TARVEL_WINEDEBUG", "-all"),
            "TARVEL_FAKE_DINPUT_NAME": "TarvelWhole",
            "TARVEL_KEYSINK_NAME": "TarvelWholeSink",
            "TARVEL_FAKE_XINPUT_NAME": "TarvelWholeXInput",
        })
        self.overrides = "dinput8=n,b"
        self.env.pop("WINEDLLOVERRIDES", None)

    # -- setting up and tearing down

    def __enter__(self):
        check("DISPLAY" in os.environ, "DISPLAY is not set: run inside scripts/wine-env.sh")
        if self.prefix.exists():
            # A run that was killed may have left its server behind.
            self._wineserver("-k", timeout=20)
        shutil.rmtree(self.root, ignore_errors=True)
        self.files.mkdir(parents=True)
        self.program_dir.mkdir()
        self.command_log = open(self.root / "commands.log", "w", encoding="utf-8")
        self._run([str(WINE_PREFIX_SCRIPT), "--fresh", str(self.prefix)], timeout=120)
        shutil.copy2(self.program_source, self.program_dir / "tarvel.exe")
        shutil.copy2(self.bin_dir / "dinput8.dll", self.program_dir / "dinput8.dll")
        # A server that stays between the tools' short runs: Wine's own would end, with the
        # prefix's service processes, whenever no program runs, and start again in seconds.
        # Not for ever, in case this session is killed before it can end it.
        self._wineserver("-p60", timeout=30)
        self.drive("init")
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        """Ends everything this session started; safe to call twice."""
        if self.prefix.exists():
            self._wineserver("-k", timeout=20)
        for name, child in list(self.children.items()):
            try:
                child.wait(timeout=10)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(child.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                child.wait(timeout=10)
            del self.children[name]
        if self.prefix.exists():
            self._wineserver("-w", timeout=20)
            if not self.keep_prefix:
                shutil.rmtree(self.prefix, ignore_errors=True)
                Path(str(self.prefix) + ".lock").unlink(missing_ok=True)
        if self.command_log:
            self.command_log.close()
            self.command_log = None

    def finish(self):
        """Ends the prefix's server once the program has ended by itself, so that Wine writes
        its registry files (user.reg). The key sink is asked to quit first."""
        check("tarvel" not in self.children, "finish() while the program still runs")
        if "keysink" in self.children:
            self.drive("quit-sink", "5000", check=False)
            self._wait_child("keysink", 10)
        # The server lingers (see __enter__), so it is ended rather than waited for; it writes
        # the registry as it ends.
        self._wineserver("-k", timeout=30)
        self._wineserver("-w", timeout=30)

    def _wineserver(self, option, timeout):
        try:
            subprocess.run(["wineserver", option], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
        except subprocess.TimeoutExpired:
            pass

    def _run(self, argv, timeout, ok=(0,), cwd=None, env=None):
        code, stdout, stderr, took = self._run_once(argv, timeout, cwd, env)
        if code != 0 and not stdout and not stderr and took < WINE_GAVE_UP_S:
            # Wine now and then gives up on a process before loading it (see cmake/wine-run.sh).
            self.note(f"Wine gave up on {Path(argv[1]).name} at once; starting it once more")
            code, stdout, stderr, _ = self._run_once(argv, timeout, cwd, env)
        if ok is not None and code not in ok:
            raise CheckFailed(f"{' '.join(map(str, argv[1:]))} exited with "
                              f"{code}: {stderr.strip()}")
        return code, stdout

    def _run_once(self, argv, timeout, cwd, env):
        started = time.monotonic()
        # Output through files, not pipes: the Wine processes that a command starts in the
        # background (the prefix's services) inherit its standard handles and would keep a pipe
        # open long after the command has ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            try:
                result = subprocess.run(argv, env=env or self.env, cwd=cwd,
                                        stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                        timeout=timeout)
            except subprocess.TimeoutExpired:
                self._log(argv, None, "", f"timed out after {timeout} s", started)
                raise CheckFailed(f"{' '.join(map(str, argv))}: no end after {timeout} s")
            out.seek(0)
            err.seek(0)
            stdout = out.read().decode("latin-1")
            stderr = err.read().decode("latin-1")
        self._log(argv, result.returncode, stdout, stderr, started)
        return result.returncode, stdout, stderr, time.monotonic() - started

    def _log(self, argv, code, stdout, stderr, started):
        if not self.command_log:
            return
        shown = " ".join(Path(a).name if i < 2 else str(a) for i, a in enumerate(argv))
        self.command_log.write(f"[{time.monotonic() - started:6.3f}s] {shown} -> {code}\n")
        for text in (stdout, stderr):
            for line in text.splitlines()[:40]:
                self.command_log.write(f"    {line}\n")
        self.command_log.flush()

    def note(self, text):
        """A line of the scenario's own in the commands log."""
        self.command_log.write(f"note: {text}\n")
        self.command_log.flush()

    def tail_logs(self, lines=40):
        """The last lines of every log of the session, for a failure report."""
        out = []
        if self.command_log:
            self.command_log.flush()
        for log in sorted(self.root.glob("*.log")):
            text = log.read_text(encoding="utf-8", errors="replace").splitlines()
            if text:
                out.append(f"--- {log.name} (last {min(lines, len(text))} lines)")
                out.extend(text[-lines:])
        return "\n".join(out)

    # -- the tools

    def wine_path(self, path):
        return "Z:" + str(Path(path).resolve()).replace("/", "\\")

    def drive(self, *args, check=True, timeout=30):
        """Runs tarveldrive; returns its output. check=False: (exit code, output)."""
        code, out = self._run(["wine", str(self.bin_dir / "tarveldrive.exe"), *map(str, args)],
                              timeout, ok=(0,) if check else None)
        return out if check else (code, out)

    def tarvelcfg_dump(self, path):
        check(self.tarvelcfg is not None, "no tarvelcfg.exe given")
        return self._run(["wine", str(self.tarvelcfg), "dump", self.wine_path(path)], 30)[1]

    def reg_add(self, section, name, value):
        key = f"HKCU\\{SETTINGS_KEY}\\{section}"
        kind = ["/t", "REG_DWORD"] if isinstance(value, int) else ["/t", "REG_SZ"]
        self._run(["wine", "reg", "add", key, "/v", name, *kind, "/d", str(value), "/f"], 30)

    # -- controllers

    def add_controller(self, slot, name, buttons, axes=0, povs=0, number=None):
        """Attaches a controller whose GUIDs are instance_guid(number) and product_guid(number).
        Its axes and points of view have rows of their own; without them a pad's rows are its
        buttons alone."""
        number = slot if number is None else number
        self.drive("add-controller", slot, instance_guid(number), product_guid(number), name,
                   buttons, axes, povs)

    def use_xinput(self):
        """Puts the test xinput1_4.dll into the prefix's system folder, where the program loads
        XInput from, with four empty users; the program then runs with xinput1_4=n."""
        system32 = self.prefix / "drive_c" / "windows" / "system32"
        shutil.copy2(self.bin_dir / "system32" / "xinput1_4.dll", system32 / "xinput1_4.dll")
        self.overrides = "dinput8=n,b;xinput1_4=n"
        self.drive("xinput-init")

    def add_pad(self, slot, name, user=None, number=None):
        """An Xbox pad as DirectInput lists it (10 buttons, X, Y, Z, Rx, Ry, the D-pad, a path
        with IG_) and, with a user, the same pad in that XInput user's place."""
        self.add_controller(slot, name, 10, 5, 1, number)
        self.drive("mark-xinput", slot, 1)
        if user is not None:
            self.drive("xinput-plug", user)

    def pad(self, user, buttons=0, lt=0, rt=0, lx=0, ly=0, rx=0, ry=0, wait_ms=3000):
        """A new state of an XInput user; waits until the program has read it."""
        self.drive("xinput-set", user, buttons, lt, rt, lx, ly, rx, ry)
        packet = int(re.search(r"packet=(\d+)", self.drive("xinput-show", user)).group(1))
        self.drive("xinput-wait", user, "seen", packet, wait_ms)

    def pad_calls(self, user):
        return int(re.search(r" calls=(\d+)", self.drive("xinput-show", user)).group(1))

    def get(self, where, field):
        return int(self.drive("get", where, field).strip(), 0)

    def passes(self, slot, count=3, timeout_ms=5000):
        """Waits until the program has read the controller in `slot` `count` more times."""
        now = self.get(slot, "calls.getdevicestate")
        self.drive("wait-calls", slot, "getstate", now + count, timeout_ms)

    def polls(self, slot, count=3, timeout_ms=5000):
        """Waits until the program has polled the controller in `slot` `count` more times."""
        now = self.get(slot, "calls.poll")
        self.drive("wait-calls", slot, "poll", now + count, timeout_ms)

    # -- the key sink

    def start_sink(self, window_class=None, focus=False, log=None, mouse=False):
        """Starts a key sink and waits until it runs. `log` names a second sink's own log (and
        its process, "keysink-LOG"); drive that one with sink_drive(log, ...)."""
        args = []
        if window_class:
            args += ["--class", window_class]
        if focus:
            args += ["--focus"]
        if mouse:
            args += ["--mouse"]
        name = "keysink" if log is None else f"keysink-{log}"
        if log is not None:
            args += ["--log", log]
        # Started twice at most: once in a great many runs a sink has not come up at all, and a
        # test about the program must not fail on that. The first attempt is ended before the
        # second, which would otherwise refuse a log that the first one holds.
        for attempt, wait_ms in enumerate((10000, 20000)):
            self._start(name, self.bin_dir / "keysink.exe", args, cwd=self.bin_dir)
            code, _ = self.sink_drive(log, "wait-sink", wait_ms, check=False,
                                      timeout=wait_ms / 1000 + 20)
            if code == 0:
                return
            state = self._state(name)
            self.drive("list-windows", check=False)
            self._end_child(name)
            if attempt == 0:
                os.replace(self.root / f"{name}.log", self.root / f"{name}.first.log")
                self.command_log.write(f"{name} did not start within {wait_ms} ms ({state}); "
                                       "starting it again\n")
        raise CheckFailed(f"the key sink did not start, twice ({state})")

    def sink_drive(self, log, *args, **options):
        """tarveldrive for the sink of `log` (None: the session's own sink)."""
        return self.drive(*(() if log is None else ("--sink", log)), *args, **options)

    def cursor(self, x=None, y=None):
        """The pointer's place on the screen, after moving it to x, y when they are given."""
        args = () if x is None else (x, y)
        return tuple(int(v) for v in self.drive("cursor", *args).split())

    def client_area(self, window):
        """A window's client area on the screen: left, top, right, bottom."""
        return tuple(int(v) for v in self.drive("client-area", window).split())

    def keys(self):
        return parse_keys(self.drive("keys", "--long"))

    def key_count(self):
        return int(self.drive("key-count").strip())

    def wait_keys(self, count, timeout_ms=3000):
        code, _ = self.drive("wait-keys", count, timeout_ms, check=False)
        return code == 0

    def clear_keys(self):
        self.drive("clear-keys", 3000)

    # -- the program

    def start_tarvel(self, *args, ready_slot=0):
        """Starts tarvel.exe; with a ready_slot, waits until it reads that controller."""
        env = dict(self.env, WINEDLLOVERRIDES=self.overrides)
        # The counts go on from an earlier run of the program in this session.
        before = self.get(ready_slot, "calls.getdevicestate") if ready_slot is not None else 0
        self._start("tarvel", self.program_dir / "tarvel.exe", list(args), cwd=self.program_dir,
                    env=env)
        if ready_slot is not None:
            deadline = time.monotonic() + 30
            code = 1
            while code != 0 and time.monotonic() < deadline and self.tarvel_running():
                code, _ = self.drive("wait-calls", ready_slot, "getstate", before + 2, 2000,
                                     check=False)
            if code != 0:
                self.drive("dump", check=False)
                self.drive("list-windows", check=False)
                raise CheckFailed("the program did not start reading the controllers "
                                  f"({self._state('tarvel')})")

    def start_again(self, *args, timeout_s=30):
        """Starts tarvel.exe once more while the first one runs and waits for it to end;
        returns its exit code and the seconds it ran."""
        env = dict(self.env, WINEDLLOVERRIDES=self.overrides)
        started = time.monotonic()
        code, _ = self._run(["wine", str(self.program_dir / "tarvel.exe"), *map(str, args)],
                            timeout_s, ok=None, cwd=self.program_dir, env=env)
        return code, time.monotonic() - started

    def tarvel_running(self):
        child = self.children.get("tarvel")
        return child is not None and child.poll() is None

    def window(self):
        return parse_window(self.drive("window", FRAME_CLASS))

    def rows(self, window=FRAME_CLASS):
        """The rows of the list view in `window` (CLASS or CLASS:TITLE)."""
        return parse_rows(self.drive("rows", window))

    def cell(self, row, column, window=FRAME_CLASS):
        """Centre of a cell of the list view in `window` (CLASS or CLASS:TITLE), in screen
        coordinates."""
        numbers = self.drive("cell", window, row, column).split()
        left, top, right, bottom = (int(n) for n in numbers[1:5])
        return (left + right) // 2, (top + bottom) // 2

    def click(self, point, count=1):
        """Real mouse clicks (the X server's, as a user's) with the left button at a point of
        the screen; count 2 is a double click."""
        x, y = point
        self._run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "--repeat",
                   str(count), "--delay", "60", "1"], 15)

    def command(self, command_id):
        """Posts a menu command to the main window, as choosing it would."""
        self.drive("post", FRAME_CLASS, WM_COMMAND, command_id, 0)

    def ping(self, timeout_ms):
        """Milliseconds the main window took to answer a sent message; None when it did not."""
        code, out = self.drive("ping", FRAME_CLASS, timeout_ms, check=False,
                               timeout=timeout_ms / 1000 + 30)
        return float(out.strip()) if code == 0 else None

    def close_tarvel(self, answer=None, timeout_s=15):
        """Closes the main window (WM_CLOSE); answers the offer to save with `answer` (Yes, No)
        when one is given. Returns the program's exit code."""
        self.drive("post", FRAME_CLASS, WM_CLOSE, 0, 0)
        if answer is not None:
            self.drive("click-button", "Tarvel", answer, 10000)
        return self._wait_child("tarvel", timeout_s)

    def dialog(self, title, timeout_ms=5000):
        """The controls of the dialog with this title: [(class, id, text)]."""
        code, out = self.drive("dialog", title, timeout_ms, check=False)
        check(code == 0, f'no dialog "{title}" appeared within {timeout_ms} ms')
        # A text may run over several lines.
        return [(m.group(1), int(m.group(2)), m.group(3))
                for m in re.finditer(r'^(\S+) (-?\d+) "(.*?)"$', out, re.M | re.S)]

    def visible_windows(self):
        """(class, title) of every visible top-level window."""
        found = []
        for line in self.drive("list-windows").splitlines():
            m = re.match(r'(\S+) (\d+) (\d) (\S+) "(.*)"$', line)
            if m and m.group(3) == "1":
                found.append((m.group(4), m.group(5)))
        return found

    def user_reg(self):
        return parse_user_reg(self.prefix / "user.reg")

    # -- processes

    def _start(self, name, exe, args, cwd, env=None):
        check(name not in self.children, f"{name} already started")
        log = open(self.root / f"{name}.log", "wb")
        self.command_log.write(f"start {name}: {exe.name} {' '.join(args)}\n")
        # Its own process group, so that a leftover can be ended without touching anyone else.
        self.children[name] = subprocess.Popen(["wine", str(exe), *args], cwd=cwd,
                                               env=env or self.env, stdin=subprocess.DEVNULL,
                                               stdout=log, stderr=subprocess.STDOUT,
                                               start_new_session=True)
        log.close()

    def _state(self, name):
        code = self.children[name].poll()
        return "still running" if code is None else f"ended with exit code {code:#x}"

    def _end_child(self, name):
        """Kills a child of this session and forgets it; keeps its log."""
        child = self.children.pop(name)
        try:
            os.killpg(child.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        child.wait(timeout=10)

    def _wait_child(self, name, timeout_s):
        child = self.children[name]
        try:
            code = child.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            raise CheckFailed(f"{name} did not end within {timeout_s} s")
        del self.children[name]
        return code


# ---------------------------------------------------------------------------------------------
# Scenarios


SCENARIOS = {}


def scenario(name, timeout=60):
    """Registers a scenario: a function that takes a fresh Session. `timeout` is its deadline
    in seconds, teardown not included."""
    def register(function):
        function.timeout = timeout
        SCENARIOS[name] = function
        return function
    return register


def _on_alarm(signum, frame):
    raise ScenarioTimeout("the scenario ran past its deadline")


def _on_term(signum, frame):
    raise ScenarioTimeout(f"stopped by signal {signum}")


def run_scenario(name, options):
    """Runs one scenario in its own session; returns True when it passed."""
    function = SCENARIOS[name]
    started = time.monotonic()
    print(f"=== {name}", flush=True)
    signal.signal(signal.SIGALRM, _on_alarm)
    signal.signal(signal.SIGTERM, _on_term)
    signal.signal(signal.SIGINT, _on_term)
    session = Session(name, options.bin, options.program, options.tarvelcfg, options.runs,
                      keep_prefix=options.keep_prefix)
    passed = False
    try:
        signal.alarm(function.timeout)
        with session:
            try:
                function(session)
            finally:
                signal.alarm(0)
            passed = True
    except (CheckFailed, ScenarioTimeout) as failure:
        print(f"FAILED: {failure}", flush=True)
        print(session.tail_logs(), flush=True)
    finally:
        signal.alarm(0)
        # A second close after a failure inside __exit__ ends anything left.
        session.close()
    print(f"=== {name}: {'passed' if passed else 'FAILED'} in {time.monotonic() - started:.1f} s",
          flush=True)
    return passed
