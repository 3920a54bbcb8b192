"""End-to-end test of the program's sounds.

A PulseAudio server of the test's own, with one null sink, takes what the
program plays; the sink's monitor is recorded while a push button is
clicked under Xvfb, and the recording must hold the click. Then:

- the same from a copy of the program in a folder whose path has spaces and
  Cyrillic letters, with its wav folder beside it;
- copies without the wav folder, and with `wav` a plain file: the recording
  is silent and the program goes on working (its window stays mapped and
  its close button still ends it with status 0);
- starts with no sound server at all: the window maps as fast as with one,
  and a click is silent and changes nothing else.

The program must print nothing on any of these runs.

PulseAudio is run as whoever runs the test, root included: as root it warns
that it is not meant to be run so without --system, and runs all the same
with --system=false. `-n` keeps it from loading the machine's default
modules, so it needs no sound card, no D-Bus and no session; its socket,
HOME and XDG_RUNTIME_DIR all live in the test's temporary folder and it
accepts anonymous clients, so no cookie is needed.

Usage: test_sound.py PATH/TO/lunivar
"""

import array
import math
import os
import random
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import wave

from Xlib import X, display as xdisplay

RATE = 44100
SINK = "lunivar_null"
# The "Проверить" push button and the "Закрыть" one, in window pixels:
# both 177 x 21 at x 8; the first at y 120, the second at y 168.
CHECK_BUTTON = (8 + 88, 120 + 10)
CLOSE_BUTTON = (8 + 88, 168 + 10)


class Failure(AssertionError):
    pass


def check(cond, msg):
    if not cond:
        raise Failure(msg)


def wait_until(fn, timeout, what):
    end = time.monotonic() + timeout
    while True:
        v = fn()
        if v:
            return v
        if time.monotonic() > end:
            raise Failure("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(0.05)


class Rig:
    """Xvfb, PulseAudio and the runs of the program, all in one temporary
    folder; everything started here is ended on exit."""

    def __init__(self, program):
        self.program = os.path.realpath(program)
        self.tmp = tempfile.mkdtemp(prefix="lunivar-sound-")
        self.procs = []
        self.display = None
        self.x = None
        self.pulse_socket = os.path.join(self.tmp, "pulse.sock")
        self.pulse_env = None

    # -- setting up

    def start_x(self):
        # A display number nobody holds; another server may take it at the
        # same moment, so a failed start is tried again with another.
        rng = random.Random(os.getpid())
        for attempt in range(8):
            num = rng.randrange(200, 900)
            if os.path.exists("/tmp/.X%d-lock" % num) or os.path.exists("/tmp/.X11-unix/X%d" % num):
                continue
            log = open(os.path.join(self.tmp, "xvfb-%d.log" % attempt), "wb")
            xvfb = subprocess.Popen(["Xvfb", ":%d" % num, "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                                     "-noreset"], stdout=log, stderr=log, stdin=subprocess.DEVNULL)
            self.procs.append(xvfb)
            self.display = ":%d" % num

            def connect():
                if xvfb.poll() is not None:
                    return "exited"
                try:
                    return xdisplay.Display(self.display)
                except Exception:
                    return None
            x = wait_until(connect, 20, "a connection to Xvfb")
            if x != "exited":
                self.x = x
                return
        raise Failure("Xvfb did not start")

    def start_pulse(self):
        home = os.path.join(self.tmp, "pulse-home")
        runtime = os.path.join(self.tmp, "pulse-runtime")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=os.path.join(home, ".config"))
        for k in ("PULSE_SERVER", "PULSE_SINK", "DBUS_SESSION_BUS_ADDRESS", "DISPLAY"):
            env.pop(k, None)
        log = open(os.path.join(self.tmp, "pulseaudio.log"), "wb")
        pulse = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false", "--disallow-exit",
             "--use-pid-file=no", "--disable-shm=yes", "--log-target=stderr",
             "-L", "module-null-sink sink_name=%s norewinds=1" % SINK,
             "-L", "module-native-protocol-unix socket=%s auth-anonymous=1" % self.pulse_socket],
            env=env, stdout=log, stderr=log, stdin=subprocess.DEVNULL)
        self.procs.append(pulse)
        self.pulse_env = dict(env, PULSE_SERVER="unix:" + self.pulse_socket)

        def up():
            check(pulse.poll() is None, "pulseaudio exited: " + self.pulse_log())
            return subprocess.run(["pactl", "list", "short", "sinks"], env=self.pulse_env, capture_output=True,
                                  timeout=10).stdout.decode().find(SINK) >= 0
        wait_until(up, 20, "pulseaudio and its null sink")

    def pulse_log(self):
        try:
            with open(os.path.join(self.tmp, "pulseaudio.log"), "rb") as f:
                return f.read().decode(errors="replace")[-2000:]
        except OSError:
            return ""

    def copy_program(self, folder_name, wav):
        """A copy of the program in its own folder; wav: "copy", "none" or
        "file" (a plain file named wav)."""
        folder = os.path.join(self.tmp, folder_name)
        os.makedirs(folder)
        exe = os.path.join(folder, "lunivar")
        shutil.copy2(self.program, exe)
        if wav == "copy":
            shutil.copytree(os.path.join(os.path.dirname(self.program), "wav"), os.path.join(folder, "wav"))
        elif wav == "file":
            with open(os.path.join(folder, "wav"), "wb") as f:
                f.write(b"not a folder\n")
        return exe

    # -- running the program

    def program_env(self, sound_server):
        home = tempfile.mkdtemp(prefix="home-", dir=self.tmp)
        runtime = tempfile.mkdtemp(prefix="runtime-", dir=self.tmp)  # empty: no server to be found there
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("PULSE_", "QT_", "XDG_", "DBUS_", "WAYLAND_"))}
        env.update(DISPLAY=self.display, HOME=home, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb",
                   LANG="ru_RU.UTF-8")
        if sound_server:
            env["PULSE_SERVER"] = "unix:" + self.pulse_socket
        else:
            # No server anywhere, and none to be started on demand.
            conf = os.path.join(home, "client.conf")
            with open(conf, "w") as f:
                f.write("autospawn = no\n")
            env["PULSE_CLIENTCONFIG"] = conf
        return env

    def start(self, exe, sound_server=True):
        """Starts the program; returns (process, window, seconds to map)."""
        root = self.x.screen().root
        root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.x.sync()
        while self.x.pending_events():
            self.x.next_event()
        err = open(os.path.join(self.tmp, "stderr-%d.txt" % len(self.procs)), "w+b")
        t0 = time.monotonic()
        proc = subprocess.Popen([exe], env=self.program_env(sound_server), stdout=err, stderr=err,
                                stdin=subprocess.DEVNULL)
        proc.err = err
        self.procs.append(proc)
        end = t0 + 30
        window = None
        while window is None:
            while self.x.pending_events():
                ev = self.x.next_event()
                if ev.type == X.MapNotify and self.pid_of(ev.window) == proc.pid:
                    window = ev.window
                    break
            if window is not None:
                break
            check(proc.poll() is None, "the program exited with status %s: %s" % (proc.returncode, self.stderr(proc)))
            check(time.monotonic() < end, "the window did not map within 30 s")
            select.select([self.x.fileno()], [], [], 0.05)
        mapped = time.monotonic() - t0
        root.change_attributes(event_mask=0)
        self.x.sync()
        return proc, window, mapped

    def pid_of(self, window):
        try:
            prop = window.get_full_property(self.x.intern_atom("_NET_WM_PID"), X.AnyPropertyType)
        except Exception:
            return None
        return prop.value[0] if prop and len(prop.value) else None

    @staticmethod
    def stderr(proc):
        proc.err.flush()
        proc.err.seek(0)
        return proc.err.read().decode(errors="replace")

    def viewable(self, window):
        try:
            return window.get_attributes().map_state == X.IsViewable
        except Exception:
            return False

    def click(self, window, pos, times=1):
        """Moves the pointer over the free area, onto pos (window pixels),
        and clicks there, `times` times 40 ms apart."""
        geo = window.query_tree().root
        origin = window.translate_coords(geo, 0, 0)
        ox, oy = -origin.x, -origin.y
        env = dict(os.environ, DISPLAY=self.display)
        x, y = ox + pos[0], oy + pos[1]
        subprocess.run(["xdotool", "mousemove", str(ox + 300), str(oy + 100), "sleep", "0.1",
                        "mousemove", str(x), str(y), "sleep", "0.1",
                        "click", "--repeat", str(times), "--delay", "40", "1"],
                       env=env, check=True, timeout=20)

    def stop(self, proc):
        if proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()

    # -- recording

    def record(self, action, seconds_after=1.0):
        """Records the null sink's monitor while action() runs; returns the
        samples (signed 16-bit, mono)."""
        path = os.path.join(self.tmp, "rec-%d.raw" % len(self.procs))
        out = open(path, "wb")
        parec = subprocess.Popen(["parec", "--device=%s.monitor" % SINK, "--format=s16le", "--rate=%d" % RATE,
                                  "--channels=1", "--raw", "--latency-msec=20"],
                                 env=self.pulse_env, stdout=out, stderr=subprocess.DEVNULL)
        self.procs.append(parec)
        # The recording has begun once samples arrive.
        wait_until(lambda: os.path.getsize(path) > 0 or parec.poll() is not None, 10, "parec to start")
        check(parec.poll() is None, "parec exited")
        try:
            action()
            time.sleep(seconds_after)
        finally:
            parec.send_signal(signal.SIGINT)
            try:
                parec.wait(5)
            except subprocess.TimeoutExpired:
                parec.kill()
                parec.wait()
            out.close()
        samples = array.array("h")
        with open(path, "rb") as f:
            data = f.read()
        samples.frombytes(data[:len(data) // 2 * 2])
        if sys.byteorder == "big":
            samples.byteswap()
        check(len(samples) > RATE // 2, "recorded only %d samples" % len(samples))
        return samples

    def close(self):
        if self.x is not None:
            try:
                self.x.close()
            except Exception:
                pass
        for p in reversed(self.procs):
            self.stop(p)
        shutil.rmtree(self.tmp, ignore_errors=True)


def loudness(samples):
    peak = max(abs(s) for s in samples)
    rms = math.sqrt(sum(s * s for s in samples) / len(samples))
    loud = sum(1 for s in samples if abs(s) > 1000)
    return peak, rms, loud


def wave_samples(path):
    """The samples of a 16-bit mono wave file, read with Python's own reader."""
    with wave.open(path, "rb") as w:
        check(w.getsampwidth() == 2 and w.getnchannels() == 1, path + ": expected 16-bit mono")
        samples = array.array("h")
        samples.frombytes(w.readframes(w.getnframes()))
    if sys.byteorder == "big":
        samples.byteswap()
    return samples


def expect_heard(samples, sound):
    """The whole of `sound` is in the recording: as loud, and as long."""
    peak, rms, loud = loudness(samples)
    want_peak, _, want_loud = loudness(sound)
    print("    recording: %d samples, peak %d, rms %.1f, %d samples above 1000 (the file: peak %d, %d above 1000)"
          % (len(samples), peak, rms, loud, want_peak, want_loud))
    check(peak >= 0.8 * want_peak and loud >= 0.8 * want_loud,
          "the click was not heard in full (peak %d of %d, %d of %d loud samples)" % (peak, want_peak, loud, want_loud))
    # Once: a second sound asked for while the first still plays is not played.
    check(loud <= 1.2 * want_loud, "more than one sound heard (%d loud samples, %d in the file)" % (loud, want_loud))


def expect_silence(samples):
    peak, rms, loud = loudness(samples)
    print("    recording: %d samples, peak %d, rms %.1f" % (len(samples), peak, rms))
    check(peak <= 16, "expected silence, recorded peak %d" % peak)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    program = sys.argv[1]
    passed, failed = [], []
    rig = Rig(program)

    def case(label, fn):
        print("--- " + label)
        sys.stdout.flush()
        try:
            fn()
            passed.append(label)
            print("PASS: " + label)
        except Failure as e:
            failed.append(label)
            print("FAIL: %s: %s" % (label, e))
        sys.stdout.flush()

    def closes_cleanly(proc, window):
        """The program still answers: its window is mapped and its close
        button ends it with status 0, having printed nothing."""
        check(proc.poll() is None, "the program died (status %s)" % proc.returncode)
        check(rig.viewable(window), "the window is no longer mapped")
        rig.click(window, CLOSE_BUTTON)
        try:
            status = proc.wait(10)
        except subprocess.TimeoutExpired:
            raise Failure("the close button did not end the program")
        check(status == 0, "the program ended with status %d" % status)
        text = rig.stderr(proc)
        check(text == "", "the program printed: %r" % text)

    def heard(exe, clicks=1):
        def run():
            path = os.path.join(os.path.dirname(exe), "wav", "min.wav")
            check(os.path.isfile(path), "no wav/min.wav beside " + exe)
            proc, window, _ = rig.start(exe)
            samples = rig.record(lambda: rig.click(window, CHECK_BUTTON, clicks))
            expect_heard(samples, wave_samples(path))
            closes_cleanly(proc, window)
        return run

    def unheard(exe):
        def run():
            proc, window, _ = rig.start(exe)
            samples = rig.record(lambda: (rig.click(window, CHECK_BUTTON), rig.click(window, CHECK_BUTTON)))
            expect_silence(samples)
            closes_cleanly(proc, window)
        return run

    def no_server():
        exe = rig.program
        with_server, without = [], []
        for _ in range(3):
            for server, times in ((True, with_server), (False, without)):
                proc, window, t = rig.start(exe, sound_server=server)
                times.append(t)
                if not server:
                    # A click without a server: silent, and the program goes on.
                    rig.click(window, CHECK_BUTTON)
                    time.sleep(0.5)
                    closes_cleanly(proc, window)
                else:
                    rig.stop(proc)
        a, b = statistics.median(with_server), statistics.median(without)
        print("    start to window mapped, median of 3: with a sound server %.3f s, without %.3f s" % (a, b))
        print("    (all: with %s, without %s)" % (["%.3f" % t for t in with_server], ["%.3f" % t for t in without]))
        check(b <= 2.0 or b <= a * 1.25 + 0.1,
              "without a sound server the window took %.3f s to map, %.3f s with one" % (b, a))

    try:
        rig.start_x()
        rig.start_pulse()
        case("a push-button click is heard", heard(rig.program))
        case("two quick clicks: one sound, not two", heard(rig.program, clicks=2))
        case("heard from a folder with spaces and Cyrillic letters",
             heard(rig.copy_program("Программа с пробелами", "copy")))
        case("no wav folder: silence, the program goes on", unheard(rig.copy_program("без звуков", "none")))
        case("wav a plain file: silence, the program goes on", unheard(rig.copy_program("wav-файл", "file")))
        case("no sound server: no delay, no message", no_server)
    finally:
        rig.close()

    print("test_sound: %d passed, %d failed" % (len(passed), len(failed)))
    return 0 if passed and not failed else 1


if __name__ == "__main__":
    sys.exit(main())
