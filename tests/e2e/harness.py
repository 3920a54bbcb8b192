# End-to-end harness: the real program under Xvfb with openbox, a private
# D-Bus session and the accessibility bus, driven by real input (xdotool) and
# read through the X server (python-xlib) and AT-SPI (pyatspi).
#
#     with Session.from_args("name") as s:
#         s.start_program()
#
# Everything started runs in its own process group and carries a marker in
# its environment; on exit all of it is ended, even after a failure.

import argparse
import array
import contextlib
import functools
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
import uuid
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.normpath(os.path.join(HERE, "..", ".."))
TITLE = "Lunivar 5.3"
SCREEN_W, SCREEN_H = 1024, 768
CYRILLIC = ("o", "ze", "yeru", "ka")  # letters the tests type as access keys
MARKER = "LUNIVAR_E2E_SESSION"


# Places of the main window's controls in pixels at scale 1 (x, y, w, h).
LIST_DAY, LIST_MONTH = (8, 32, 49, 82), (64, 32, 121, 82)
BUTTONS = {0: (8, 120, 177, 21), 2: (8, 144, 177, 21), 1: (8, 168, 177, 21)}
FIELDS = {"txtSign": (192, 48, 137, 19), "txtPair": (192, 88, 177, 19), "txtPercStone": (192, 128, 177, 19),
          "txtTalis": (192, 168, 177, 19), "txtZ": (336, 40, 33, 33)}
# What a screen reader finds in the main window, in order: role and name
# (the decorations, the title's shadow and the captions inside the buttons
# are not among them). The push buttons' keys and the caption buttons' tool
# tips go with them.
ACCESSIBLE = [("label", "Lunivar 5.3"), ("button", "Свернуть окно"), ("button", "Закрыть окно"),
              ("list", "День (число)"), ("list", "Месяц"), ("label", "Ваш знак зодиака:"), ("text", "Символ знака"),
              ("text", "Ваш знак зодиака"), ("label", "Пары по зодиаку:"), ("text", "Пары по зодиаку"),
              ("label", "Драгоценный камень:"), ("button", "Проверить"), ("text", "Драгоценный камень"),
              ("button", "О программе..."), ("label", "Телисман:"), ("button", "Закрыть"), ("text", "Телисман")]
SHORTCUTS = {"Проверить": "Alt+П", "О программе...": "Alt+О", "Закрыть": "Alt+З"}
TOOLTIPS = {"Свернуть окно": "Свернуть", "Закрыть окно": "Закрыть"}
ABOUT_NAME = "О программе Lunivar 5.3"

# The fields' names on the accessibility bus.
FIELD_NAMES = {"txtSign": "Ваш знак зодиака", "txtZ": "Символ знака", "txtPair": "Пары по зодиаку",
               "txtPercStone": "Драгоценный камень", "txtTalis": "Телисман"}


def signs():
    # The sign table of tests/support: dicts with index, name, glyph, symbol,
    # pairs, stone, talisman and the first and last (month, day) of the sign.
    out = []
    with open(os.path.join(SOURCE_DIR, "tests", "support", "signs.tsv"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            i, name, glyph, symbol, pairs, stone, talisman, first, last = line.rstrip("\n").split("\t")
            out.append({"index": int(i), "name": name, "glyph": glyph, "symbol": symbol, "pairs": pairs,
                        "stone": stone, "talisman": talisman,
                        "first": tuple(int(v) for v in first.split("-")),
                        "last": tuple(int(v) for v in last.split("-"))})
    return out


class TestFailure(AssertionError):
    pass


class TimedOut(Exception):
    pass


def check(cond, msg):
    if not cond:
        raise TestFailure(msg)


def wait_until(fn, timeout, interval=0.05, what="condition"):
    # Polls fn until it returns something truthy; returns that value.
    end = time.monotonic() + timeout
    last = None
    while True:
        try:
            v = fn()
            if v:
                return v
        except TimedOut:
            raise
        except Exception as e:  # the thing may not exist yet
            last = e
        if time.monotonic() > end:
            raise TestFailure("timed out after %.1f s waiting for %s (last error: %r)" % (timeout, what, last))
        time.sleep(interval)


def eventually(fn, ok, timeout=3.0, interval=0.1):
    # The first value of fn for which ok holds, or the last one.
    end = time.monotonic() + timeout
    while True:
        v = fn()
        if ok(v) or time.monotonic() > end:
            return v
        time.sleep(interval)


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def px(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError("pixel (%d, %d) outside %dx%d" % (x, y, self.width, self.height))
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def save_png(self, path):
        subprocess.run(["/usr/bin/convert", "-size", "%dx%d" % (self.width, self.height), "-depth", "8", "rgb:-", path],
                       input=self.rgb, check=True, timeout=20)


@functools.lru_cache(maxsize=None)
def load_bitmap(number):
    # A skin bitmap, decoded by ImageMagick rather than the program.
    return load_bitmap_file(os.path.join(SOURCE_DIR, "src", "res", "bmp", "%d.bmp" % number))


@functools.lru_cache(maxsize=None)
def load_bitmap_file(path):
    w, h = (int(v) for v in subprocess.run(["/usr/bin/identify", "-format", "%w %h", path],
                                            capture_output=True, check=True, timeout=20).stdout.split())
    data = subprocess.run(["/usr/bin/convert", path, "-depth", "8", "rgb:-"],
                          capture_output=True, check=True, timeout=20).stdout
    return Image(w, h, data)


def close_colour(a, b, tol=10):
    return all(abs(p - q) <= tol for p, q in zip(a, b))


def mismatches(shot, ox, oy, ref, tol=10):
    # Pixels of shot at (ox, oy) + p that differ from ref at p (16-bit
    # bitmaps are widened differently by different decoders: a tolerance).
    return [(x, y) for y in range(ref.height) for x in range(ref.width)
            if not close_colour(shot.px(ox + x, oy + y), ref.px(x, y), tol)]


BLACK, GREY, SILVER, WHITE = (0, 0, 0), (128, 128, 128), (192, 192, 192), (255, 255, 255)


def ink_faults(shot, ox, oy, box, under, inks, least=5):
    # Texts drawn without smoothing: in box (x, y, w, h) at (ox, oy) every
    # pixel is one that lies under the texts (under(x, y) lists them) or one
    # of the texts' colours, and each of those colours shows in at least
    # `least` pixels.
    bx, by, bw, bh = box
    seen, stray = dict.fromkeys(inks, 0), []
    for y in range(by, by + bh):
        for x in range(bx, bx + bw):
            c = shot.px(ox + x, oy + y)
            if any(close_colour(c, u, 2) for u in under(x, y)):
                continue
            ink = next((i for i in inks if close_colour(c, i, 2)), None)
            if ink is None:
                stray.append((x, y, c))
            else:
                seen[ink] += 1
    return ["%d pixels of no text's colour, e.g. %r" % (len(stray), stray[:3])] * bool(stray) + \
        ["%r shows in %d pixels" % (c, n) for c, n in seen.items() if n < least]


def face_px(pieces, x, y):
    # A push button's face: left cap, tiles, right cap at 168.
    left, tile, right = (load_bitmap(p) for p in pieces)
    if x < left.width:
        return left.px(x, y)
    if x >= 168:
        return right.px(x - 168, y)
    return tile.px((x - left.width) % tile.width, y)


def text_faults(shot, ox, oy, looked_up):
    # The main window's texts at (ox, oy) in their colours: the caption black
    # over its grey shadow on the title bar, the field labels and the push
    # buttons' captions black (on a button's face, normal or lit, away from
    # its focus mark), and after a lookup the four fields' texts black on
    # white (the glyph box's symbol font may be smoothed).
    title = load_bitmap(111)
    out = ink_faults(shot, ox, oy, (40, 1, 270, 22), lambda x, y: [title.px(x, y)], [BLACK, GREY])
    for top in (32, 72, 112, 152):
        out += ink_faults(shot, ox, oy, (192, top, 140, 15), lambda x, y: [(224, 224, 224)], [BLACK])
    for bx, by, _, _ in BUTTONS.values():
        out += ink_faults(shot, ox, oy, (bx + 4, by + 4, 169, 13),
                          lambda x, y: [face_px(f, x - bx, y - by) for f in ((113, 114, 115), (116, 117, 118))],
                          [BLACK])
    if looked_up:
        for x, y, w, h in (FIELDS[f] for f in ("txtSign", "txtPair", "txtPercStone", "txtTalis")):
            out += ink_faults(shot, ox, oy, (x + 3, y + 3, w - 6, h - 6), lambda x, y: [WHITE], [BLACK])
    return out


def about_faults(shot, ox, oy):
    # The About window at (ox, oy), 320 x 191, away from its button: a raised
    # frame 7 pixels wide (ring by ring from the outside: light grey above and
    # left, dark grey below and right; white and grey; four of the face; a
    # grey line round the picture), the About picture with the back colour
    # where its magenta is, and on it the version in its colours. Its outline
    # leaves out its first and last column and row, and the rounded corners.
    W, H, F = 320, 191, 7
    pic = load_bitmap_file(os.path.join(SOURCE_DIR, "src", "res", "layout", "about.png"))
    version = (7 + 105, 7 + 74, 40, 16)  # the version, black over its silver shadow
    skip = [(7 + 96, 7 + 136, 105, 21), version]  # and the OK button

    def want(x, y):
        ring = min(x, y, W - 1 - x, H - 1 - y)
        if ring >= F:
            c = pic.px(x - F, y - F)
            return (224, 224, 224) if c == (255, 0, 255) else c
        far = W - 1 - x == ring or H - 1 - y == ring
        return {0: (64, 64, 64) if far else (224, 224, 224), 1: (128, 128, 128) if far else (255, 255, 255),
                F - 1: (128, 128, 128)}.get(ring, (224, 224, 224))
    return [(x, y) for y in range(1, H - 1) for x in range(1, W - 1)
            if min(x - 1, W - 2 - x) + min(y - 1, H - 2 - y) > 4
            and not any(sx <= x < sx + sw and sy <= y < sy + sh for sx, sy, sw, sh in skip)
            and not close_colour(shot.px(ox + x, oy + y), want(x, y), 2)] + \
        ink_faults(shot, ox, oy, version, lambda x, y: [want(x, y)], [BLACK, SILVER])


def is_blue(c):
    r, g, b = c
    return b >= 150 and b - r >= 50 and b - g >= 30


class Results:
    # Cases that record a pass, or a TestFailure and go on; any other error ends the test.

    def __init__(self, name):
        self.name, self.passed, self.failed = name, [], []

    @contextlib.contextmanager
    def case(self, label):
        print("--- %s" % label, flush=True)
        try:
            yield
            self.passed.append(label)
        except TestFailure as e:
            self.failed.append((label, "TestFailure: %s" % e))

    def summary(self):
        for label, msg in self.failed:
            print("FAIL: %s: %s" % (label, msg))
        print("%s: %d passed, %d failed" % (self.name, len(self.passed), len(self.failed)), flush=True)
        return 0 if not self.failed and self.passed else 1


class Session:
    def __init__(self, name, exe, artifacts, timeout=55):
        self.name, self.exe, self.artifacts, self.timeout = name, os.path.abspath(exe), artifacts, timeout
        os.makedirs(artifacts, exist_ok=True)
        self.tag = uuid.uuid4().hex
        self.tmp = tempfile.mkdtemp(prefix="lunivar-e2e-")
        os.chmod(self.tmp, 0o700)
        self.procs = []
        self.program = self.display = self.xd = self.env = self._atspi = None
        self.earlier_output = ""  # what the runs of the program before this one printed
        self.results = Results(name)

    @classmethod
    def from_args(cls, name, timeout=55):
        p = argparse.ArgumentParser()
        p.add_argument("--exe", required=True)
        p.add_argument("--artifacts", required=True)
        a = p.parse_args()
        return cls(name, a.exe, a.artifacts, timeout)

    # -- services

    def __enter__(self):
        signal.signal(signal.SIGALRM, self._on_alarm)
        signal.signal(signal.SIGTERM, self._on_alarm)
        signal.alarm(self.timeout)
        try:
            self._start_services()
        except BaseException:
            self._cleanup()
            raise
        return self

    def _on_alarm(self, signum, frame):
        raise TimedOut("%s: test took longer than %d s" % (self.name, self.timeout))

    def _spawn(self, label, argv, env, pass_fds=()):
        p = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                             stdout=open(os.path.join(self.tmp, label + ".log"), "wb"),
                             stderr=subprocess.STDOUT, pass_fds=pass_fds, start_new_session=True)
        self.procs.append((label, p))
        return p

    def _spawn_reporting(self, label, argv, env, fd_arg):
        # Starts a service that writes one line (display, address) to a
        # pipe given on its command line; returns that line.
        r, w = os.pipe()
        proc = self._spawn(label, [a.replace("FD", str(w)) if a == fd_arg else a for a in argv], env, (w,))
        os.close(w)
        data, end = b"", time.monotonic() + 10
        while b"\n" not in data:
            check(proc.poll() is None, "%s exited: %s" % (label, self.log_text(label)))
            check(time.monotonic() < end, "%s did not report in time" % label)
            if select.select([r], [], [], 0.2)[0]:
                chunk = os.read(r, 4096)
                if not chunk:
                    break
                data += chunk
        os.close(r)
        return data.decode().strip()

    def _start_services(self):
        base = self._base_env()
        self.display = ":" + self._spawn_reporting(
            "xvfb", ["Xvfb", "-displayfd", "FD", "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H), "-dpi", "96",
                     "-nolisten", "tcp", "-noreset"], base, "FD")
        base["DISPLAY"] = self.display
        self._start_session_bus(base)
        self._spawn("openbox", ["openbox", "--sm-disable"], base)
        self._start_accessibility(base)
        self._publish(base, "DISPLAY")
        from Xlib import display as xdisplay
        self.xd = xdisplay.Display(self.display)
        wait_until(lambda: self.xd.screen().root.get_full_property(self.atom("_NET_SUPPORTING_WM_CHECK"), 0),
                   10, 0.05, "the window manager")
        self._bind_letters()

    def _bind_letters(self):
        # xdotool types a keysym the keyboard lacks by remapping a spare key
        # for a moment, which races the program on a busy machine; the
        # Cyrillic letters the tests type get keys of their own for good.
        from Xlib import XK
        XK.load_keysym_group("cyrillic")
        first = self.xd.display.info.min_keycode
        table = self.xd.get_keyboard_mapping(first, self.xd.display.info.max_keycode - first + 1)
        spare = [first + i for i, syms in enumerate(table) if not any(syms)][-len(CYRILLIC):]
        for code, name in zip(spare, CYRILLIC):
            lower = XK.string_to_keysym("Cyrillic_" + name)
            self.xd.change_keyboard_mapping(code, [(lower, lower + 0x20)])
        self.xd.sync()

    def _base_env(self):
        # The caller's environment less anything of another session, with
        # a home and runtime folder of this session's own, and no sound
        # server to be spawned.
        base = {k: v for k, v in os.environ.items()
                if not k.startswith(("QT_", "DBUS_", "AT_SPI", "WAYLAND", "XDG_", "LC_", "DISPLAY",
                                     "XAUTHORITY", "PULSE", "GTK_", "LANGUAGE", "SESSION_MANAGER"))}
        home, runtime = os.path.join(self.tmp, "home"), os.path.join(self.tmp, "run")
        for d in (home, runtime):
            os.makedirs(d, mode=0o700)
        pulse_conf = os.path.join(self.tmp, "pulse-client.conf")
        with open(pulse_conf, "w") as f:
            f.write("autospawn = no\n")
        base.update({MARKER: self.tag, "HOME": home, "XDG_RUNTIME_DIR": runtime, "NO_AT_BRIDGE": "0",
                     "XDG_CONFIG_HOME": os.path.join(home, ".config"), "XDG_CACHE_HOME": os.path.join(home, ".cache"),
                     "PULSE_CLIENTCONFIG": pulse_conf})
        return base

    def _start_session_bus(self, base):
        base["DBUS_SESSION_BUS_ADDRESS"] = self._spawn_reporting(
            "dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=FD"], base,
            "--print-address=FD")

    def _start_accessibility(self, base):
        self._spawn("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], base)

        def address():
            out = subprocess.run(["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus",
                                  "/org/a11y/bus", "org.a11y.Bus.GetAddress"], env=base, capture_output=True, timeout=5)
            return out.returncode == 0 and out.stdout.decode().strip()
        base["AT_SPI_BUS_ADDRESS"] = wait_until(address, 10, 0.1, "the accessibility bus")
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                        "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:IsEnabled",
                        "variant:boolean:true"], env=base, capture_output=True, timeout=10, check=True)
        # The registry starts now, not when the first program asks for it
        # (and waits for its answer before showing a window).
        subprocess.run(["dbus-send", "--bus=" + base["AT_SPI_BUS_ADDRESS"], "--print-reply", "--dest=org.a11y.atspi.Registry",
                        "/org/a11y/atspi/accessible/root", "org.freedesktop.DBus.Peer.Ping"], env=base, capture_output=True,
                       timeout=30)

    def _publish(self, base, *display_vars):
        # Keeps base as the session's environment and points this process at its display and buses.
        self.env = base
        for k in display_vars + ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "XDG_RUNTIME_DIR"):
            os.environ[k] = base[k]

    def unsmoothed_text(self):
        # Environment for a program whose texts are drawn without smoothing,
        # each pixel of a text in its colour (as Windows draws them).
        path = os.path.join(self.tmp, "fonts-unsmoothed.conf")
        with open(path, "w") as f:
            f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>\n'
                    '  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>\n'
                    '  <match target="font"><edit name="antialias" mode="assign"><bool>false</bool></edit></match>\n'
                    '</fontconfig>\n')
        return {"FONTCONFIG_FILE": path}

    def start_program(self, extra_env=None, wrapper=None, drop=(), exe=None, timeout=20):
        # Starts the program (ending one still running) and waits for its
        # main window. wrapper: a command put before it; drop: variables left
        # out of its environment; exe: another copy of the program.
        if self.program is not None and self.program.poll() is None:
            self.stop_program()
        env = dict(self.env)
        # Given the accessibility bus directly, Qt never registers there: it
        # must find it through the session bus, as on a desktop.
        env.pop("AT_SPI_BUS_ADDRESS", None)
        env.update({"QT_QPA_PLATFORM": "xcb", "LANG": "ru_RU.UTF-8", "LC_ALL": "ru_RU.UTF-8",
                    "QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}, **(extra_env or {}))
        for k in drop:
            env.pop(k, None)
        self.earlier_output += self.log_text("lunivar", tail=None)
        self.program = self._spawn("lunivar", list(wrapper or []) + [exe or self.exe], env)
        self.main = wait_until(lambda: self.find_window(TITLE), timeout, 0.05, "the main window")
        wait_until(lambda: self.is_viewable(self.main), 10, 0.05, "the main window to be mapped")
        self.settle(0.5)
        return self.main

    # -- tear-down

    def __exit__(self, kind, exc, tb):
        signal.alarm(0)
        program_log = self.log_text("lunivar") if kind is not None and self.program is not None else None
        try:
            self._cleanup()
        finally:
            if kind is not None:
                if not issubclass(kind, TestFailure):
                    traceback.print_exception(kind, exc, tb)
                self.results.failed.append(("session", "%s: %s" % (kind.__name__, exc)))
            if program_log is not None:
                print("program output:\n" + program_log)
            rc = self.results.summary()
        sys.exit(rc)

    def _cleanup(self):
        signal.alarm(0)
        try:
            if self.xd is not None:
                self.xd.close()
        except Exception:
            pass
        for _, p in reversed(self.procs):
            self._end_group(p)
        # What forked itself out of its process group is found by the marker.
        for pid in self.marked_processes():
            with contextlib.suppress(OSError):
                os.kill(pid, signal.SIGKILL)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def marked_processes(self):
        # The processes that carry this session's marker in their environment.
        needle, out = ("%s=%s" % (MARKER, self.tag)).encode(), []
        for entry in os.listdir("/proc"):
            if entry.isdigit() and int(entry) != os.getpid():
                with contextlib.suppress(OSError), open("/proc/%s/environ" % entry, "rb") as f:
                    if needle in f.read().split(b"\0"):
                        out.append(int(entry))
        return out

    @staticmethod
    def _end_group(p):
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(p.pid, sig)
            except ProcessLookupError:
                pass
            try:
                p.wait(timeout=2)
                return
            except subprocess.TimeoutExpired:
                pass

    def log_text(self, label, tail=4000):
        try:
            with open(os.path.join(self.tmp, label + ".log"), "rb") as f:
                text = f.read().decode(errors="replace")
            return text[-tail:] if tail else text
        except OSError:
            return ""

    # -- the program

    def wait_exit(self, timeout):
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TestFailure("the program was still running %.1f s later" % timeout)

    def alive(self):
        return self.program.poll() is None

    def stop_program(self):
        if self.program is not None:
            self._end_group(self.program)
            self.xd.sync()

    # -- X

    def atom(self, name):
        return self.xd.intern_atom(name)

    def is_program_pid(self, pid):
        # The program's process, or one in its process group (under a wrapper).
        if pid is None or self.program is None:
            return False
        try:
            return pid == self.program.pid or os.getpgid(pid) == self.program.pid
        except OSError:
            return False

    def program_windows(self):
        self.xd.sync()
        p = self.xd.screen().root.get_full_property(self.atom("_NET_CLIENT_LIST"), 0)
        out = []
        for wid in (p.value if p else []):
            w = self.xd.create_resource_object("window", wid)
            pid = w.get_full_property(self.atom("_NET_WM_PID"), 0)
            if pid and len(pid.value) and self.is_program_pid(pid.value[0]):
                out.append(w)
        return out

    def find_window(self, title):
        for w in self.program_windows():
            p = w.get_full_property(self.atom("_NET_WM_NAME"), self.atom("UTF8_STRING"))
            v = p.value if p is not None else b""
            if (v.decode("utf-8", "replace") if isinstance(v, bytes) else str(v)) == title:
                return w
        return None

    def is_viewable(self, w):
        from Xlib import X
        return w.get_attributes().map_state == X.IsViewable

    def gone(self, w):
        # Unmapped or destroyed.
        try:
            return not self.is_viewable(w)
        except Exception:
            return True

    def geometry(self, w):
        # (x, y, width, height) of a top-level window on the screen.
        g = w.get_geometry()
        t = self.xd.screen().root.translate_coords(w, 0, 0)
        return (t.x, t.y, g.width, g.height)

    def position(self, w):
        return self.geometry(w)[:2]

    def iconified(self, w):
        a = self.atom("WM_STATE")
        p = w.get_full_property(a, a)
        if p and len(p.value) and p.value[0] == 3:
            return True
        p = w.get_full_property(self.atom("_NET_WM_STATE"), 0)
        return self.atom("_NET_WM_STATE_HIDDEN") in (p.value if p else [])

    def popup_windows(self):
        # Mapped override-redirect windows of the program (menus).
        from Xlib import X
        out = []
        for w in self.xd.screen().root.query_tree().children:
            try:
                a = w.get_attributes()
                if a.override_redirect and a.map_state == X.IsViewable and \
                        any("lunivar" in c.lower() for c in (w.get_wm_class() or ())):
                    out.append(w)
            except Exception:
                continue
        return out

    def _client_message(self, w, type_name, data):
        from Xlib import X
        from Xlib.protocol import event
        ev = event.ClientMessage(window=w, client_type=self.atom(type_name), data=(32, (list(data) + [0] * 5)[:5]))
        self.xd.screen().root.send_event(ev, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        self.xd.flush()

    def activate(self, w, timeout=10):
        # Asks the window manager to show and activate the window, and waits
        # until it is shown and has the keyboard.
        self._client_message(w, "_NET_ACTIVE_WINDOW", [2, 0, 0])

        def has_keyboard():
            f, root = self.xd.get_input_focus().focus, self.xd.screen().root
            while hasattr(f, "id") and f.id != root.id:
                if f.id == w.id:
                    return True
                f = f.query_tree().parent
            return False
        wait_until(lambda: self.is_viewable(w) and not self.iconified(w) and has_keyboard(), timeout, 0.05,
                   "the window to be shown with the keyboard")

    def wm_close(self, w):
        self._client_message(w, "_NET_CLOSE_WINDOW", [0, 2])

    def shape_spans(self, w):
        # The SHAPE bounding region as ({row: set of x}, ordering).
        from Xlib.ext import shape
        reply = w.shape_get_rectangles(shape.SK.Bounding)
        rows = {}
        for r in reply.rectangles:
            for y in range(r.y, r.y + r.height):
                rows.setdefault(y, set()).update(range(r.x, r.x + r.width))
        return rows, reply.ordering

    def grab(self, x=0, y=0, w=SCREEN_W, h=SCREEN_H):
        from Xlib import X
        x0, y0, x1, y1 = max(0, x), max(0, y), min(SCREEN_W, x + w), min(SCREEN_H, y + h)
        raw = self.xd.screen().root.get_image(x0, y0, x1 - x0, y1 - y0, X.ZPixmap, 0xFFFFFFFF).data
        rgb = bytearray(3 * (x1 - x0) * (y1 - y0))
        rgb[0::3], rgb[1::3], rgb[2::3] = raw[2::4], raw[1::4], raw[0::4]
        return Image(x1 - x0, y1 - y0, bytes(rgb))

    def grab_window(self, w):
        return self.grab(*self.geometry(w))

    def screenshot(self, w, filename, until=None):
        # Keeps a picture of the window as an artefact; with until, waits
        # a few seconds at most for one for which it holds.
        grab = (lambda: self.grab_window(w)) if w is not None else self.grab
        img = eventually(grab, until) if until else grab()
        img.save_png(os.path.join(self.artifacts, filename))
        return img

    def settle(self, seconds=0.2):
        self.xd.sync()
        time.sleep(seconds)

    # -- input

    def xdo(self, *args):
        argv = ["xdotool"] + [str(a) for a in args]
        r = subprocess.run(argv, env=self.env, capture_output=True, timeout=15)
        check(r.returncode == 0, "%s failed: %s" % (" ".join(argv), r.stderr.decode(errors="replace")))
        return r.stdout.decode()

    def pointer(self):
        p = self.xd.screen().root.query_pointer()
        return (p.root_x, p.root_y)

    def move_to(self, x, y):
        # Not xdotool's --sync: it waits for ever when the pointer is there already.
        x, y = int(x), int(y)
        if self.pointer() != (x, y):
            self.xdo("mousemove", x, y)
            wait_until(lambda: self.pointer() == (x, y), 5, 0.01, "the pointer to reach (%d, %d)" % (x, y))

    def move_in(self, w, x, y):
        wx, wy = self.position(w)
        self.move_to(wx + x, wy + y)

    def click_in(self, w, x, y, button=1, settle=0.25):
        self.move_in(w, x, y)
        time.sleep(0.05)
        self.xdo("click", button)
        self.settle(settle)

    def key(self, *keys, settle=0.2):
        self.xdo("key", "--delay", "30", *keys)
        self.settle(settle)

    def pick_date(self, w, month, day, scale=1):
        # Selects month (1-12) and day by keys, each list focused by a click on its top row.
        for (lx, ly, _, _), steps in ((LIST_MONTH, month - 1), (LIST_DAY, day - 1)):
            self.click_in(w, (lx + 20) * scale, (ly + 8) * scale, settle=0.1)
            self.key("Home", *(["Down"] * steps), settle=0.1)

    def check_button(self, w, scale=1):
        # Clicks "Проверить" and moves the pointer off the buttons, onto the free area.
        x, y, _, _ = BUTTONS[0]
        self.click_in(w, (x + 60) * scale, (y + 10) * scale, settle=0.1)
        self.move_in(w, 100 * scale, 28 * scale)
        self.settle(0.2)

    def drag(self, w, x, y, dx, dy, steps=10, button=1):
        # Press at (x, y) of the window, move by (dx, dy) in steps, release.
        wx, wy = self.position(w)
        sx, sy = wx + x, wy + y
        self.move_to(sx, sy)
        args = ["sleep", "0.05", "mousedown", button, "sleep", "0.05"]
        for i in range(1, steps + 1):
            args += ["mousemove", sx + dx * i // steps, sy + dy * i // steps, "sleep", "0.03"]
        self.xdo(*args, "sleep", "0.1", "mouseup", button)
        self.settle(0.3)

    # -- accessibility

    @property
    def atspi(self):
        if self._atspi is None:
            import pyatspi
            self._atspi = pyatspi
        return self._atspi

    def app(self, timeout=15):
        def look():
            desktop = self.atspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                if a is not None and (a.name or "").lower() == "lunivar" and self.is_program_pid(a.get_process_id()):
                    return a
        return wait_until(look, timeout, 0.2, "the program on the accessibility bus")

    def walk(self, acc, depth=0, limit=12):
        if acc is None or depth > limit:
            return
        yield acc
        try:
            children = [acc.getChildAtIndex(i) for i in range(acc.childCount)]
        except Exception:
            return
        for c in children:
            yield from self.walk(c, depth + 1, limit)

    def find_all(self, pred, root=None):
        out = []
        for a in self.walk(root or self.app()):
            try:
                if pred(a):
                    out.append(a)
            except Exception:
                continue
        return out

    def find(self, role=None, name=None, root=None, timeout=5, showing=False):
        roles = role if isinstance(role, (list, tuple)) else ([role] if role is not None else None)

        def pred(a):
            return ((roles is None or a.getRole() in roles) and (name is None or a.name == name)
                    and (not showing or a.getState().contains(self.atspi.STATE_SHOWING)))
        return wait_until(lambda: self.find_all(pred, root), timeout, 0.2,
                          "an accessible %s named %r" % (roles, name))[0]

    def text_of(self, acc):
        t = acc.queryText()
        return t.getText(0, t.characterCount)

    def extents(self, acc):
        # (x, y, w, h) on the screen.
        e = acc.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
        return (e.x, e.y, e.width, e.height)

    def selected_items(self, lst):
        # Names of the list's items in the selected state.
        return [c.name for c in (lst.getChildAtIndex(i) for i in range(lst.childCount))
                if c is not None and c.getState().contains(self.atspi.STATE_SELECTED)]

    def press(self, acc):
        # Presses a control through its accessibility action.
        act = acc.queryAction()
        names = [act.getName(i) for i in range(act.nActions)]
        check(names, "%r offers no action" % acc.name)
        act.doAction(names.index("press") if "press" in names else 0)
        self.settle(0.3)


class SoundServer:
    # A PulseAudio server of the session's own with one null sink, whose
    # monitor records what the program plays. client: what the program's
    # environment needs to play there.
    SINK = "lunivar_null"

    def __init__(self, session):
        self.s = session
        self.sock = os.path.join(session.tmp, "pulse.sock")
        runtime = os.path.join(session.tmp, "pulse-run")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env = dict(session.env, XDG_RUNTIME_DIR=runtime, PULSE_SERVER="unix:" + self.sock)
        self.env.pop("DISPLAY", None)
        self.client = {"PULSE_SERVER": self.env["PULSE_SERVER"]}

    def start(self, label="pulseaudio"):
        self.s._spawn(label, ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false",
                              "--disallow-exit", "--use-pid-file=no", "--disable-shm=yes", "--log-target=stderr",
                              "-L", "module-null-sink sink_name=%s norewinds=1" % self.SINK,
                              "-L", "module-native-protocol-unix socket=%s auth-anonymous=1" % self.sock], self.env)
        wait_until(lambda: self.SINK in subprocess.run(["pactl", "list", "short", "sinks"], env=self.env,
                                                       capture_output=True, timeout=10).stdout.decode(),
                   20, 0.1, "pulseaudio and its sink")

    def record(self, action, seconds=2.5):
        # What the sink plays while `action` runs and for `seconds` after
        # (the null sink may hold a sound back for up to two seconds): mono
        # 16-bit samples at 44.1 kHz.
        path = os.path.join(self.s.tmp, "rec-%d.raw" % time.monotonic_ns())
        with open(path, "wb") as out:
            parec = subprocess.Popen(["parec", "--device=%s.monitor" % self.SINK, "--format=s16le", "--rate=44100",
                                      "--channels=1", "--raw", "--latency-msec=20"], env=self.env, stdout=out,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
            self.s.procs.append(("parec", parec))
            wait_until(lambda: os.path.getsize(path) > 0, 10, 0.05, "parec to record")
            action()
            time.sleep(seconds)
            parec.send_signal(signal.SIGINT)
            parec.wait(5)
        samples = array.array("h")
        with open(path, "rb") as f:
            data = f.read()
        samples.frombytes(data[:len(data) // 2 * 2])
        check(len(samples) > 22050, "recorded only %d samples" % len(samples))
        return samples


def close_box_heard(s, server, xwindow, close_box, closing):
    # Click the close box of the program's window: the window goes at once,
    # the program ends with status 0, and the close sound (`closing`, its
    # samples) is heard to its end.
    times = {}

    def close():
        close_box()
        t0 = time.monotonic()
        wait_until(lambda: s.gone(xwindow), 2, 0.005, "the window to go")
        times["gone"] = time.monotonic() - t0
        check(s.wait_exit(10) == 0, "exit status")
        times["ended"] = time.monotonic() - t0
    got = server.record(close)
    print("click to window gone %.3f s, to the end %.3f s; the sound %d ms of %d" % (
        times["gone"], times["ended"], sounding_ms(got, 300), sounding_ms(closing, 300)))
    # At once: in the time the pointer takes to move on, on a busy machine too.
    check(times["gone"] < 0.5 and times["ended"] < 2.0, "gone after %(gone).3f s, ended after %(ended).3f s" % times)
    check(peak(got) >= 0.5 * peak(closing) and sounding_ms(got, 300) >= 0.8 * sounding_ms(closing, 300),
          "heard: peak %d of %d, %d ms of %d" % (peak(got), peak(closing), sounding_ms(got, 300), sounding_ms(closing, 300)))


def wave_samples(path):
    with wave.open(path, "rb") as f:
        return array.array("h", f.readframes(f.getnframes()))


def peak(samples):
    return max((abs(v) for v in samples), default=0)


def sounding_ms(samples, level, rate=44100):
    # From the first to the last sample at `level` or above, in milliseconds.
    loud = [i for i, v in enumerate(samples) if abs(v) >= level]
    return (loud[-1] - loud[0]) * 1000.0 / rate if loud else 0.0
