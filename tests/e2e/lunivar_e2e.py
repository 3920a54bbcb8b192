"""End-to-end harness: runs the real program under Xvfb with a window
manager, a private D-Bus session and the accessibility bus, drives it with
real pointer and keyboard events (xdotool) and looks at it through the X
server (python-xlib) and AT-SPI (pyatspi).

Every test script does:

    with Session.from_args("name") as s:
        s.start_program()
        ...

Everything the session starts runs in its own process group and carries a
marker in its environment; on exit all of it is ended, even after a failure
or a time-out.
"""

import argparse
import functools
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import uuid
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.normpath(os.path.join(HERE, "..", ".."))
BMP_DIR = os.path.join(SOURCE_DIR, "src", "res", "bmp")

TITLE = "Lunivar 5.3"
SCREEN_W, SCREEN_H = 1024, 768
MARKER = "LUNIVAR_E2E_SESSION"


class TestFailure(AssertionError):
    pass


class TimedOut(Exception):
    pass


def wait_until(fn, timeout, interval=0.05, what="condition"):
    """Polls fn until it returns something truthy; returns that value."""
    end = time.monotonic() + timeout
    last_exc = None
    while True:
        try:
            v = fn()
            if v:
                return v
        except TimedOut:
            raise
        except Exception as e:  # the thing may not exist yet
            last_exc = e
        if time.monotonic() > end:
            msg = "timed out after %.1f s waiting for %s" % (timeout, what)
            if last_exc is not None:
                msg += " (last error: %r)" % (last_exc,)
            raise TestFailure(msg)
        time.sleep(interval)


def eventually(fn, ok, timeout=3.0, interval=0.1):
    """Polls fn until ok(value) holds or the time is up; returns the last
    value, for the caller to check. For what the program shows a moment
    after an event, on a machine that may be busy."""
    end = time.monotonic() + timeout
    while True:
        v = fn()
        if ok(v) or time.monotonic() > end:
            return v
        time.sleep(interval)


# ---------------------------------------------------------------------------
# Pixels

class Image:
    """An RGB picture grabbed from the screen or read from a bitmap."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def px(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError("pixel (%d, %d) outside %dx%d" % (x, y, self.width, self.height))
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def crop(self, x, y, w, h):
        out = bytearray()
        for row in range(y, y + h):
            i = 3 * (row * self.width + x)
            out += self.rgb[i:i + 3 * w]
        return Image(w, h, bytes(out))

    def save_png(self, path):
        raw = b"".join(b"\x00" + self.rgb[3 * self.width * y:3 * self.width * (y + 1)]
                       for y in range(self.height))

        def chunk(kind, data):
            c = kind + data
            return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)

        png = b"\x89PNG\r\n\x1a\n"
        png += chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(raw, 6))
        png += chunk(b"IEND", b"")
        with open(path, "wb") as f:
            f.write(png)


@functools.lru_cache(maxsize=None)
def load_bitmap(number):
    """A skin bitmap of the program's resources, as RGB, read through
    ImageMagick (independent of the program's own decoder)."""
    path = os.path.join(BMP_DIR, "%d.bmp" % number)
    size = subprocess.run(["/usr/bin/identify", "-format", "%w %h", path],
                          capture_output=True, check=True, timeout=20).stdout.split()
    w, h = int(size[0]), int(size[1])
    data = subprocess.run(["/usr/bin/convert", path, "-depth", "8", "rgb:-"],
                          capture_output=True, check=True, timeout=20).stdout
    if len(data) != 3 * w * h:
        raise TestFailure("bitmap %d: unexpected raw size" % number)
    return Image(w, h, data)


def close_colour(a, b, tol=10):
    return all(abs(p - q) <= tol for p, q in zip(a, b))


def mismatches(shot, ox, oy, ref, region=None, tol=10):
    """Pixels of the screen image at (ox, oy) + p that differ from ref at p.
    region: (x, y, w, h) inside ref, default all of it. 16-bit bitmaps are
    widened differently by different decoders, hence the tolerance."""
    rx, ry, rw, rh = region or (0, 0, ref.width, ref.height)
    bad = []
    for y in range(ry, ry + rh):
        for x in range(rx, rx + rw):
            if not close_colour(shot.px(ox + x, oy + y), ref.px(x, y), tol):
                bad.append((x, y, shot.px(ox + x, oy + y), ref.px(x, y)))
    return bad


def is_blue(c):
    r, g, b = c
    return b >= 150 and b - r >= 50 and b - g >= 30


def is_pale(c):
    r, g, b = c
    return min(c) >= 170 and max(c) - min(c) <= 40


def luma(c):
    r, g, b = c
    return 0.299 * r + 0.587 * g + 0.114 * b


# ---------------------------------------------------------------------------
# Results

class Results:
    def __init__(self, name):
        self.name = name
        self.passed = []
        self.failed = []

    def case(self, label):
        return _Case(self, label)

    def summary(self):
        for label in self.passed:
            print("PASS: %s" % label)
        for label, msg in self.failed:
            print("FAIL: %s: %s" % (label, msg))
        print("%s: %d passed, %d failed" % (self.name, len(self.passed), len(self.failed)))
        sys.stdout.flush()
        return 0 if not self.failed and self.passed else 1


class _Case:
    """with results.case("label"): ... -- records a pass, or the failure
    and goes on with the next case. Any other error ends the test."""

    def __init__(self, results, label):
        self.results, self.label = results, label

    def __enter__(self):
        print("--- %s" % self.label)
        sys.stdout.flush()
        return self

    def __exit__(self, kind, exc, tb):
        if kind is None:
            self.results.passed.append(self.label)
            return False
        if issubclass(kind, TestFailure):
            self.results.failed.append((self.label, str(exc)))
            print("FAIL: %s: %s" % (self.label, exc))
            sys.stdout.flush()
            return True
        self.results.failed.append((self.label, "%s: %s" % (kind.__name__, exc)))
        return False


def check(cond, msg):
    if not cond:
        raise TestFailure(msg)


# ---------------------------------------------------------------------------
# The session

class Session:
    def __init__(self, name, exe, artifacts, timeout=55):
        self.name = name
        self.exe = os.path.abspath(exe)
        self.artifacts = artifacts
        os.makedirs(artifacts, exist_ok=True)
        self.timeout = timeout
        self.tag = uuid.uuid4().hex
        self.tmp = tempfile.mkdtemp(prefix="lunivar-e2e-")
        os.chmod(self.tmp, 0o700)
        self.procs = []           # (label, Popen) in start order
        self.program = None
        self.display = None
        self.xd = None
        self.results = Results(name)
        self.env = None
        self._atspi = None

    @classmethod
    def from_args(cls, name, timeout=55):
        p = argparse.ArgumentParser()
        p.add_argument("--exe", required=True)
        p.add_argument("--artifacts", required=True)
        a = p.parse_args()
        return cls(name, a.exe, a.artifacts, timeout)

    # -- start-up ---------------------------------------------------------

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

    def _log(self, label):
        return open(os.path.join(self.tmp, label + ".log"), "wb")

    def _spawn(self, label, argv, env, pass_fds=()):
        p = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                             stdout=self._log(label), stderr=subprocess.STDOUT,
                             pass_fds=pass_fds, start_new_session=True)
        self.procs.append((label, p))
        return p

    def _read_line_from(self, fd, proc, label, timeout=10):
        data = b""
        end = time.monotonic() + timeout
        while b"\n" not in data:
            left = end - time.monotonic()
            if left <= 0:
                raise TestFailure("%s did not report in time" % label)
            if proc.poll() is not None:
                raise TestFailure("%s exited with %s: %s" % (label, proc.returncode, self.log_text(label)))
            r, _, _ = select.select([fd], [], [], min(left, 0.2))
            if r:
                chunk = os.read(fd, 4096)
                if not chunk:
                    break
                data += chunk
        os.close(fd)
        return data.decode().strip()

    def _start_services(self):
        base = self._base_env()
        self._start_x_server(base)
        self._start_session_bus(base)
        self._spawn("openbox", ["openbox", "--sm-disable"], base)
        self._start_accessibility(base)
        self._publish(base, "DISPLAY")
        from Xlib import display as xdisplay
        self.xd = xdisplay.Display(self.display)
        wait_until(self._wm_ready, 10, 0.05, "the window manager")

    def _base_env(self):
        """The environment every service and the program start from: the
        caller's, less anything of another session, with a home and a
        runtime folder of this session's own."""
        base = {k: v for k, v in os.environ.items()
                if not k.startswith(("QT_", "DBUS_", "AT_SPI", "WAYLAND", "XDG_", "LC_", "DISPLAY",
                                     "XAUTHORITY", "PULSE", "GTK_", "LANGUAGE", "SESSION_MANAGER"))}
        home = os.path.join(self.tmp, "home")
        runtime = os.path.join(self.tmp, "run")
        for d in (home, runtime):
            os.makedirs(d, mode=0o700)
        base.update({MARKER: self.tag, "HOME": home, "XDG_RUNTIME_DIR": runtime,
                     "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                     "XDG_CACHE_HOME": os.path.join(home, ".cache"),
                     "NO_AT_BRIDGE": "0"})
        # No sound server is started here: the client must not spawn one.
        pulse_conf = os.path.join(self.tmp, "pulse-client.conf")
        with open(pulse_conf, "w") as f:
            f.write("autospawn = no\n")
        base["PULSE_CLIENTCONFIG"] = pulse_conf
        return base

    def _start_x_server(self, base):
        r, w = os.pipe()
        xvfb = self._spawn("xvfb", ["Xvfb", "-displayfd", str(w), "-screen", "0",
                                    "%dx%dx24" % (SCREEN_W, SCREEN_H), "-dpi", "96",
                                    "-nolisten", "tcp", "-noreset"], base, pass_fds=(w,))
        os.close(w)
        self.display = ":" + self._read_line_from(r, xvfb, "xvfb")
        base["DISPLAY"] = self.display

    def _start_session_bus(self, base):
        r, w = os.pipe()
        bus = self._spawn("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                   "--print-address=%d" % w], base, pass_fds=(w,))
        os.close(w)
        base["DBUS_SESSION_BUS_ADDRESS"] = self._read_line_from(r, bus, "dbus")

    def _start_accessibility(self, base):
        """The accessibility bus on the session bus, switched on."""
        self._spawn("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], base)
        a11y = wait_until(lambda: self._a11y_address(base), 10, 0.1, "the accessibility bus")
        base["AT_SPI_BUS_ADDRESS"] = a11y
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                        "/org/a11y/bus", "org.freedesktop.DBus.Properties.Set",
                        "string:org.a11y.Status", "string:IsEnabled", "variant:boolean:true"],
                       env=base, capture_output=True, timeout=10, check=True)

    def _publish(self, base, *display_vars):
        """Keeps `base` as the session's environment and points this process
        at the session's display, buses and runtime folder."""
        self.env = base
        os.environ.update({k: base[k] for k in display_vars + ("DBUS_SESSION_BUS_ADDRESS",
                                                                "AT_SPI_BUS_ADDRESS", "XDG_RUNTIME_DIR")})

    def _a11y_address(self, env):
        out = subprocess.run(["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus",
                              "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                             env=env, capture_output=True, timeout=5)
        addr = out.stdout.decode().strip()
        return addr if out.returncode == 0 and addr else None

    def _wm_ready(self):
        root = self.xd.screen().root
        p = root.get_full_property(self.atom("_NET_SUPPORTING_WM_CHECK"), 0)
        return p is not None and len(p.value) > 0

    def start_program(self, extra_env=None, wrapper=None, drop=(), exe=None, timeout=20):
        """Starts the program (ending one still running) and waits, at most
        timeout seconds, for its main window. wrapper: a command line put
        before the executable; drop: variables left out of its environment;
        exe: another copy of the program."""
        if self.program is not None and self.program.poll() is None:
            self.stop_program()
        env = dict(self.env)
        # The program finds the accessibility bus through the session bus,
        # as on a desktop; given the address directly, this Qt connects to
        # the bus but never registers the application there.
        env.pop("AT_SPI_BUS_ADDRESS", None)
        env.update({"QT_QPA_PLATFORM": "xcb", "LANG": "ru_RU.UTF-8", "LC_ALL": "ru_RU.UTF-8",
                    "QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        env.update(extra_env or {})
        for k in drop:
            env.pop(k, None)
        self.program = self._spawn("lunivar", list(wrapper or []) + [exe or self.exe], env)
        self.main = wait_until(lambda: self.find_window(TITLE), timeout, 0.05, "the main window")
        wait_until(lambda: self.is_viewable(self.main), 10, 0.05, "the main window to be mapped")
        # Let the first paint and the frame's resize handlers settle.
        self.settle(0.5)
        return self.main

    # -- tear-down --------------------------------------------------------

    def __exit__(self, kind, exc, tb):
        signal.alarm(0)
        # Everything started is ended first, whatever happens while reporting.
        program_log = self.log_text("lunivar") if kind is not None and self.program is not None else None
        try:
            self._cleanup()
        finally:
            if kind is not None and not issubclass(kind, TestFailure):
                traceback.print_exception(kind, exc, tb)
                self.results.failed.append(("session", "%s: %s" % (kind.__name__, exc)))
            elif kind is not None:
                self.results.failed.append(("session", str(exc)))
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
        for label, p in reversed(self.procs):
            self._end_group(p)
        self._end_marked()
        shutil.rmtree(self.tmp, ignore_errors=True)

    @staticmethod
    def _end_group(p):
        for sig, wait in ((signal.SIGTERM, 2.0), (signal.SIGKILL, 2.0)):
            try:
                os.killpg(p.pid, sig)
            except ProcessLookupError:
                pass
            try:
                p.wait(timeout=wait)
                return
            except subprocess.TimeoutExpired:
                continue

    def _end_marked(self):
        """Ends whatever this session started that left its process group
        (a daemon that forked itself away): found by the session's marker."""
        needle = ("%s=%s" % (MARKER, self.tag)).encode()
        me = os.getpid()
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == me:
                continue
            try:
                with open("/proc/%s/environ" % entry, "rb") as f:
                    if needle in f.read().split(b"\0"):
                        os.kill(int(entry), signal.SIGKILL)
            except (OSError, ProcessLookupError):
                pass

    def log_text(self, label):
        try:
            with open(os.path.join(self.tmp, label + ".log"), "rb") as f:
                return f.read().decode(errors="replace")[-4000:]
        except OSError:
            return ""

    # -- the program's process -------------------------------------------

    def wait_exit(self, timeout):
        """The program's exit status, or a failure if it is still running."""
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TestFailure("the program was still running %.1f s later" % timeout)

    def alive(self):
        return self.program.poll() is None

    # -- X -----------------------------------------------------------------

    def atom(self, name):
        return self.xd.intern_atom(name)

    def client_windows(self):
        root = self.xd.screen().root
        p = root.get_full_property(self.atom("_NET_CLIENT_LIST"), 0)
        return [self.xd.create_resource_object("window", w) for w in (p.value if p else [])]

    def stop_program(self):
        """Ends the program (and a wrapper around it) and waits for it."""
        if self.program is not None:
            self._end_group(self.program)
            self.xd.sync()

    def window_pid(self, w):
        p = w.get_full_property(self.atom("_NET_WM_PID"), 0)
        return p.value[0] if p and len(p.value) else None

    def window_name(self, w):
        p = w.get_full_property(self.atom("_NET_WM_NAME"), self.atom("UTF8_STRING"))
        if p is not None:
            v = p.value
            return v.decode("utf-8", "replace") if isinstance(v, bytes) else str(v)
        n = w.get_wm_name()
        return n or ""

    def is_program_pid(self, pid):
        """The program's own process, or one in its process group (the
        program under a wrapper such as strace)."""
        if pid is None or self.program is None:
            return False
        if pid == self.program.pid:
            return True
        try:
            return os.getpgid(pid) == self.program.pid
        except OSError:
            return False

    def program_windows(self):
        self.xd.sync()
        return [w for w in self.client_windows() if self.is_program_pid(self.window_pid(w))]

    def find_window(self, title):
        for w in self.program_windows():
            if self.window_name(w) == title:
                return w
        return None

    def is_viewable(self, w):
        from Xlib import X
        return w.get_attributes().map_state == X.IsViewable

    def geometry(self, w):
        """(x, y, width, height) of a top-level window on the screen."""
        root = self.xd.screen().root
        g = w.get_geometry()
        # root.translate_coords(w, 0, 0): w's origin in root coordinates.
        t = root.translate_coords(w, 0, 0)
        return (t.x, t.y, g.width, g.height)

    def position(self, w):
        x, y, _, _ = self.geometry(w)
        return (x, y)

    def wm_state(self, w):
        a = self.atom("WM_STATE")
        p = w.get_full_property(a, a)
        return p.value[0] if p and len(p.value) else None

    def net_wm_state(self, w):
        p = w.get_full_property(self.atom("_NET_WM_STATE"), 0)
        return [self.xd.get_atom_name(a) for a in (p.value if p else [])]

    def iconified(self, w):
        return self.wm_state(w) == 3 or "_NET_WM_STATE_HIDDEN" in self.net_wm_state(w)

    def popup_windows(self):
        """Mapped override-redirect windows of the program (menus, tooltips)."""
        from Xlib import X
        root = self.xd.screen().root
        out = []
        for w in root.query_tree().children:
            try:
                a = w.get_attributes()
                if not a.override_redirect or a.map_state != X.IsViewable:
                    continue
                cls = w.get_wm_class() or ()
                if any("lunivar" in c.lower() for c in cls):
                    out.append(w)
            except Exception:
                continue
        return out

    def client_message(self, w, type_name, data, to_root=True):
        from Xlib import X
        from Xlib.protocol import event
        root = self.xd.screen().root
        data = (list(data) + [0] * 5)[:5]
        ev = event.ClientMessage(window=w, client_type=self.atom(type_name), data=(32, data))
        if to_root:
            root.send_event(ev, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        else:
            w.send_event(ev)
        self.xd.flush()

    def activate(self, w):
        """Asks the window manager to show and activate the window (restores
        an iconified one)."""
        self.client_message(w, "_NET_ACTIVE_WINDOW", [2, 0, 0])

    def wm_close(self, w):
        """The window manager's close command for the window."""
        self.client_message(w, "_NET_CLOSE_WINDOW", [0, 2])

    def shape_spans(self, w):
        """The window's SHAPE bounding region as {row: set of x}."""
        from Xlib.ext import shape
        reply = w.shape_get_rectangles(shape.SK.Bounding)
        rows = {}
        for r in reply.rectangles:
            for y in range(r.y, r.y + r.height):
                rows.setdefault(y, set()).update(range(r.x, r.x + r.width))
        return rows, reply.ordering

    def grab(self, x=0, y=0, w=SCREEN_W, h=SCREEN_H):
        """What the screen shows in that rectangle."""
        from Xlib import X
        x0, y0 = max(0, x), max(0, y)
        x1, y1 = min(SCREEN_W, x + w), min(SCREEN_H, y + h)
        root = self.xd.screen().root
        raw = root.get_image(x0, y0, x1 - x0, y1 - y0, X.ZPixmap, 0xFFFFFFFF).data
        rgb = bytearray(3 * (x1 - x0) * (y1 - y0))
        rgb[0::3] = raw[2::4]
        rgb[1::3] = raw[1::4]
        rgb[2::3] = raw[0::4]
        return Image(x1 - x0, y1 - y0, bytes(rgb))

    def grab_window(self, w):
        x, y, width, height = self.geometry(w)
        return self.grab(x, y, width, height)

    def screenshot(self, w, filename, until=None):
        """Keeps a picture of the window in the artefact folder; with until,
        waits (a few seconds at most) for a picture for which it holds."""
        grab = (lambda: self.grab_window(w)) if w is not None else self.grab
        img = eventually(grab, until) if until else grab()
        path = os.path.join(self.artifacts, filename)
        img.save_png(path)
        print("screenshot: %s" % path)
        return img

    def settle(self, seconds=0.2):
        """Gives the program time to handle what was sent and repaint."""
        self.xd.sync()
        time.sleep(seconds)

    # -- input -------------------------------------------------------------

    def xdo(self, *args):
        argv = ["xdotool"] + [str(a) for a in args]
        r = subprocess.run(argv, env=self.env, capture_output=True, timeout=15)
        if r.returncode != 0:
            raise TestFailure("%s failed: %s" % (" ".join(argv), r.stderr.decode(errors="replace")))
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
        """Moves the pointer to (x, y) in the window's own pixels."""
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

    def drag(self, w, x, y, dx, dy, steps=10, button=1):
        """Presses at (x, y) of the window, moves by (dx, dy) in steps and
        releases: a drag as a hand would make it."""
        wx, wy = self.position(w)
        sx, sy = wx + x, wy + y
        self.move_to(sx, sy)
        args = ["sleep", "0.05", "mousedown", button, "sleep", "0.05"]
        for i in range(1, steps + 1):
            args += ["mousemove", sx + dx * i // steps, sy + dy * i // steps, "sleep", "0.03"]
        args += ["sleep", "0.1", "mouseup", button]
        self.xdo(*args)
        self.settle(0.3)

    # -- accessibility ----------------------------------------------------

    @property
    def atspi(self):
        if self._atspi is None:
            import pyatspi
            self._atspi = pyatspi
        return self._atspi

    def app(self, timeout=15):
        pyatspi = self.atspi

        def look():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                if a is not None and (a.name or "").lower() == "lunivar":
                    try:
                        if not self.is_program_pid(a.get_process_id()):
                            continue
                    except Exception:
                        pass
                    return a
            return None
        return wait_until(look, timeout, 0.2, "the program on the accessibility bus")

    def walk(self, acc, depth=0, limit=12):
        if acc is None or depth > limit:
            return
        yield acc
        try:
            n = acc.childCount
        except Exception:
            return
        for i in range(n):
            try:
                c = acc.getChildAtIndex(i)
            except Exception:
                continue
            yield from self.walk(c, depth + 1, limit)

    def find_all(self, pred, root=None):
        root = root or self.app()
        out = []
        for a in self.walk(root):
            try:
                if pred(a):
                    out.append(a)
            except Exception:
                continue
        return out

    def find(self, role=None, name=None, root=None, timeout=5, showing=False):
        pyatspi = self.atspi
        roles = role if isinstance(role, (list, tuple)) else ([role] if role is not None else None)

        def pred(a):
            if roles is not None and a.getRole() not in roles:
                return False
            if name is not None and a.name != name:
                return False
            if showing and not a.getState().contains(pyatspi.STATE_SHOWING):
                return False
            return True

        what = "an accessible %s named %r" % (roles, name)
        found = wait_until(lambda: self.find_all(pred, root), timeout, 0.2, what)
        return found[0]

    def text_of(self, acc):
        t = acc.queryText()
        return t.getText(0, t.characterCount)

    def extents(self, acc):
        """(x, y, w, h) on the screen."""
        e = acc.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
        return (e.x, e.y, e.width, e.height)

    def selected_items(self, lst):
        """Names of the selected items of a list, by the items' states and,
        where offered, by the selection interface; both must agree."""
        pyatspi = self.atspi
        by_state = []
        for i in range(lst.childCount):
            c = lst.getChildAtIndex(i)
            if c is not None and c.getState().contains(pyatspi.STATE_SELECTED):
                by_state.append(c.name)
        try:
            sel = lst.querySelection()
            by_iface = [sel.getSelectedChild(i).name for i in range(sel.nSelectedChildren)]
        except NotImplementedError:
            by_iface = by_state
        if sorted(by_iface) != sorted(by_state):
            raise TestFailure("selection interface says %r, item states say %r" % (by_iface, by_state))
        return by_state

    def press(self, acc):
        """Presses a control through its accessibility action."""
        act = acc.queryAction()
        names = [act.getName(i) for i in range(act.nActions)]
        check(names, "%r offers no action" % acc.name)
        idx = names.index("press") if "press" in names else 0
        act.doAction(idx)
        self.settle(0.3)
