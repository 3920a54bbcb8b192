"""The program's sounds, recorded from a PulseAudio server of the test's own
with one null sink (-n: no default modules, no sound card, no D-Bus; run as
root too with --system=false). A click is heard; without the wav folder it
is silent and the program goes on; with no sound server the window maps as
fast and nothing is printed.

Usage: test_sound.py PATH/TO/lunivar"""

import array
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import wave

from lunivar_e2e import Session, check, wait_until

SINK = "lunivar_null"
CHECK_BUTTON, CLOSE_BUTTON = (96, 130), (96, 178)


def peak(samples):
    return max((abs(v) for v in samples), default=0)


def main():
    artifacts = tempfile.mkdtemp(prefix="lunivar-sound-")
    try:
        run(artifacts)
    finally:
        shutil.rmtree(artifacts, ignore_errors=True)


def run(artifacts):
    with Session("e2e_sound", sys.argv[1], artifacts, timeout=250) as s:
        r = s.results
        sock = os.path.join(s.tmp, "pulse.sock")
        runtime = os.path.join(s.tmp, "pulse-run")
        os.makedirs(runtime, mode=0o700)
        penv = dict(s.env, XDG_RUNTIME_DIR=runtime, PULSE_SERVER="unix:" + sock)
        penv.pop("DISPLAY", None)

        def start_pulseaudio(label="pulseaudio"):
            s._spawn(label, ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false",
                             "--disallow-exit", "--use-pid-file=no", "--disable-shm=yes", "--log-target=stderr",
                             "-L", "module-null-sink sink_name=%s norewinds=1" % SINK,
                             "-L", "module-native-protocol-unix socket=%s auth-anonymous=1" % sock], penv)
            wait_until(lambda: SINK in subprocess.run(["pactl", "list", "short", "sinks"], env=penv,
                                                      capture_output=True, timeout=10).stdout.decode(),
                       20, 0.1, "pulseaudio and its sink")

        server = {"PULSE_SERVER": penv["PULSE_SERVER"]}
        ps = s.atspi
        with wave.open(os.path.join(os.path.dirname(s.exe), "wav", "min.wav"), "rb") as f:
            want = array.array("h", f.readframes(f.getnframes()))

        def record(action):
            path = os.path.join(s.tmp, "rec-%d.raw" % time.monotonic_ns())
            with open(path, "wb") as out:
                parec = subprocess.Popen(["parec", "--device=%s.monitor" % SINK, "--format=s16le", "--rate=44100",
                                          "--channels=1", "--raw", "--latency-msec=20"], env=penv, stdout=out,
                                         stderr=subprocess.DEVNULL, start_new_session=True)
                s.procs.append(("parec", parec))
                wait_until(lambda: os.path.getsize(path) > 0, 10, 0.05, "parec to record")
                action()
                time.sleep(2.5)  # the null sink may hold a sound back for up to two seconds
                parec.send_signal(signal.SIGINT)
                parec.wait(5)
            samples = array.array("h")
            with open(path, "rb") as f:
                data = f.read()
            samples.frombytes(data[:len(data) // 2 * 2])
            check(len(samples) > 22050, "recorded only %d samples" % len(samples))
            return samples

        def goes_on(w):
            """The window is mapped, the close button ends the program with status 0, nothing printed."""
            check(s.alive() and s.is_viewable(w), "the program died or lost its window")
            s.click_in(w, *CLOSE_BUTTON, settle=0)
            check(s.wait_exit(10) == 0, "exit status")
            check(s.log_text("lunivar") == "", "the program printed: %r" % s.log_text("lunivar"))

        def copy_without_wav():
            exe = os.path.join(s.tmp, "без звуков", "lunivar")
            os.makedirs(os.path.dirname(exe))
            shutil.copy2(s.exe, exe)
            return exe

        with r.case("a sound server that starts after the first click: the next click is heard"):
            w = s.start_program(server)
            sign = s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name="Ваш знак зодиака")
            t0 = time.monotonic()
            s.click_in(w, *CHECK_BUTTON, settle=0)
            wait_until(lambda: s.text_of(sign) == "Козеог", 5, 0.01, "the lookup after a silent click")
            print("click to result without a sound server: %.3f s" % (time.monotonic() - t0))
            check(time.monotonic() - t0 < 0.5, "the silent click held the window up")
            start_pulseaudio("pulseaudio-late")
            # Away from the first click: not the second half of a double click.
            got = peak(record(lambda: s.click_in(w, CHECK_BUTTON[0] + 40, CHECK_BUTTON[1])))
            check(got >= 0.5 * peak(want), "peak %d, the file's %d" % (got, peak(want)))
            goes_on(w)

        with r.case("a push-button click is heard"):
            w = s.start_program(server)
            got = peak(record(lambda: s.click_in(w, *CHECK_BUTTON)))
            check(got >= 0.5 * peak(want), "peak %d, the file's %d" % (got, peak(want)))
            goes_on(w)

        with r.case("no wav folder: silence, the program goes on"):
            w = s.start_program(server, exe=copy_without_wav())
            got = peak(record(lambda: (s.click_in(w, *CHECK_BUTTON), s.click_in(w, *CHECK_BUTTON))))
            check(got <= 16, "expected silence, peak %d" % got)
            goes_on(w)

        with r.case("no sound server: no delay to the window, a click changes nothing else, nothing printed"):
            times = {True: [], False: []}
            for _ in range(3):
                for with_server in (True, False):
                    t0 = time.monotonic()
                    w = s.start_program(server if with_server else None)
                    times[with_server].append(time.monotonic() - t0)
                    if with_server:
                        s.stop_program()
                    else:
                        s.click_in(w, *CHECK_BUTTON, settle=0.5)
                        goes_on(w)
            a, b = statistics.median(times[True]), statistics.median(times[False])
            print("start to window, median: with a server %.3f s, without %.3f s" % (a, b))
            check(b <= 2.0 or b <= a * 1.25 + 0.1, "without a server %.3f s, with one %.3f s" % (b, a))


if __name__ == "__main__":
    main()
