#!/usr/bin/python3
"""Start-up of Windows programs under Wine, seen from the X server.

    winestart.py --loader WINE --prefix DIR [--runs N] NAME=EXE...

Each program's complete first frame: the clock starts just before the
program is spawned; a DAMAGE object on the root window reports every drawing
on the screen, and at each drawing inside the program's window the window
is read back and compared with a picture of it taken once it had settled;
the first time they agree is the frame's time. Warm: the Wine server runs
throughout. Cold: the Wine server is dropped before every start (what the
first start after a pause costs). The programs take turns, run after run.

One line per run, as key=value pairs:
    mode=warm prog=NAME run=1 frame_ms=...
"""
import argparse
import os
import select
import signal
import subprocess
import sys
import time

from Xlib import X, display

from firstframe import draws_in, follow, watching_screen


def grab(d, rect):
    x, y, w, h = rect
    return d.screen().root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data


class Runner:
    def __init__(self, loader, env):
        self.loader, self.env = loader, env

    def spawn(self, exe):
        return subprocess.Popen([self.loader, os.path.basename(exe)], cwd=os.path.dirname(exe), env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)

    def stop(self, proc):
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()

    def server(self, *args):
        # The server goes into the background; nothing waits for its output.
        subprocess.run(["wineserver"] + list(args), env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)

    def watch(self, exe, reference, timeout=60.0):
        """(frame time in seconds, the window's rectangle, its picture then)."""
        d, damage_event = watching_screen()
        windows, mapped = {}, None
        t0 = time.monotonic()
        proc = self.spawn(exe)
        try:
            while time.monotonic() - t0 < timeout:
                if not d.pending_events():
                    select.select([d.fileno()], [], [], 0.05)
                while d.pending_events():
                    e = d.next_event()
                    shown = follow(windows, e)
                    if shown is not None and mapped is None:
                        if windows[shown][2] > 100 and windows[shown][3] > 100:
                            mapped = shown
                    elif e.type == damage_event and mapped is not None and draws_in(e, windows[mapped]):
                        now = time.monotonic()
                        rect = tuple(windows[mapped][:4])
                        picture = grab(d, rect)
                        if reference is None or picture == reference:
                            return now - t0, rect, proc
            return None, None, proc
        finally:
            d.close()

    def settled(self, exe):
        """The program's window once nothing has changed in it for a second."""
        _, rect, proc = self.watch(exe, None)
        d = display.Display()
        last, since = None, time.monotonic()
        while time.monotonic() - since < 1.0:
            picture = grab(d, rect)
            if picture != last:
                last, since = picture, time.monotonic()
            time.sleep(0.05)
        d.close()
        self.stop(proc)
        return last


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--loader", required=True)
    ap.add_argument("--prefix", required=True)
    ap.add_argument("--runs", type=int, default=10)
    ap.add_argument("programs", nargs="+", metavar="NAME=EXE")
    a = ap.parse_args()
    env = dict(os.environ, WINEPREFIX=a.prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    if a.loader.endswith("64"):
        env["WINELOADER"] = a.loader
    r = Runner(a.loader, env)
    programs = [p.split("=", 1) for p in a.programs]
    subprocess.run(["xdotool", "mousemove", "0", "0"], env=env, capture_output=True)
    r.server("-p")
    references = {name: r.settled(exe) for name, exe in programs}
    for mode in ("warm", "cold"):
        for n in range(1, a.runs + 1):
            for name, exe in programs:
                if mode == "cold":
                    r.server("-k")
                    r.server("-w")
                t, _, proc = r.watch(exe, references[name])
                print("mode=%s prog=%s run=%d %s" % (mode, name, n, "frame_ms=%.1f" % (t * 1000) if t else "error=no-frame"),
                      flush=True)
                r.stop(proc)
                if mode == "warm":
                    r.server("-p")
    r.server("-k")


if __name__ == "__main__":
    sys.exit(main())
