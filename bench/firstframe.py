#!/usr/bin/python3
"""Start-up of an X11 program, seen from the X server.

    firstframe.py [--runs N] [--idle-runs K] [--idle SECONDS] NAME=COMMAND...

Each COMMAND (split at spaces) is started N times, the programs taking turns
so that a change of the machine's load falls on all of them alike. For each
run the clock starts just before the program is spawned. A DAMAGE
object on the root window reports every drawing on the screen; the first
top-level window the program maps is its main window, and the first damage
inside that window after the map is its first painted frame. One second
later the peak resident memory (VmHWM) is read from /proc; in the first K
runs the program is then left alone for SECONDS more and the CPU time it
used meanwhile (utime + stime, clock ticks) is read before and after.

One line per run, as key=value pairs:
    prog=NAME run=1 map_ms=... frame_ms=... hwm_kb=... size=380x202 idle_ticks=...
"""
import argparse
import os
import select
import signal
import subprocess
import sys
import tempfile
import time

from Xlib import X, display
from Xlib.ext import damage


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # Fields after the command name start at the state (field 3).
    return int(fields[11]) + int(fields[12])


def vm_hwm_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return -1


def wait_frame(d, damage_event, proc, timeout):
    """Returns (map time, frame time, window size) in seconds since the spawn
    clock, or None values when the program gives up or time runs out."""
    windows = {}  # top-level windows created since the spawn: id -> [x, y, w, h, override]
    mapped = None
    t_map = None
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            return t_map, None, None
        if not d.pending_events():
            select.select([d.fileno()], [], [], 0.05)
        while d.pending_events():
            e = d.next_event()
            now = time.monotonic()
            shown = follow(windows, e)
            if shown is not None and mapped is None:
                x, y, w, h, override = windows[shown]
                if not override and w > 16 and h > 16:
                    mapped, t_map = shown, now
            elif e.type == damage_event and mapped is not None and draws_in(e, windows[mapped]):
                return t_map, now, tuple(windows[mapped][2:4])
    return t_map, None, None


def follow(windows, e):
    """Keeps windows (id -> [x, y, w, h, override]), the top-level windows
    made since the watch began, up to date; the window's id when e maps one."""
    if e.type == X.CreateNotify:
        windows[e.window.id] = [e.x, e.y, e.width, e.height, e.override]
    elif e.type == X.ConfigureNotify and e.window.id in windows:
        windows[e.window.id][:4] = [e.x, e.y, e.width, e.height]
    elif e.type == X.MapNotify and e.window.id in windows:
        return e.window.id
    return None


def draws_in(e, rect):
    """Whether a drawing reported by DAMAGE touches the rectangle (x, y, w, h, ...)."""
    x, y, w, h = rect[:4]
    a = e.area
    return a.x < x + w and a.x + a.width > x and a.y < y + h and a.y + a.height > y


def watching_screen():
    """A connection that reports windows made, placed and mapped on the
    screen and every drawing on it; and the drawings' event code."""
    d = display.Display()
    root = d.screen().root
    d.damage_query_version()
    damage_event = d.query_extension("DAMAGE").first_event + damage.DamageNotifyCode
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    root.damage_create(damage.DamageReportRawRectangles)
    d.sync()
    return d, damage_event


def one_run(name, n, argv, env, idle_seconds, timeout):
    d, damage_event = watching_screen()

    t0 = time.monotonic()
    errors = tempfile.TemporaryFile()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=errors)
    t_map, t_frame, size = wait_frame(d, damage_event, proc, timeout)
    d.close()
    out = {"prog": name, "run": n}
    if t_frame is None:
        out["error"] = "no-frame"
    else:
        out["map_ms"] = f"{(t_map - t0) * 1000:.1f}"
        out["frame_ms"] = f"{(t_frame - t0) * 1000:.1f}"
        out["size"] = f"{size[0]}x{size[1]}"
        time.sleep(1.0)
        if proc.poll() is None:
            out["hwm_kb"] = vm_hwm_kb(proc.pid)
            if idle_seconds > 0:
                before = cpu_ticks(proc.pid)
                time.sleep(idle_seconds)
                out["idle_ticks"] = cpu_ticks(proc.pid) - before
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    errors.seek(0)
    err = errors.read().decode(errors="replace").strip()
    if err:
        out["stderr_lines"] = len(err.splitlines())
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=10)
    ap.add_argument("--idle-runs", type=int, default=0)
    ap.add_argument("--idle", type=float, default=10.0)
    ap.add_argument("--timeout", type=float, default=30.0)
    ap.add_argument("programs", nargs="+", metavar="NAME=COMMAND")
    a = ap.parse_args()
    programs = [p.split("=", 1) for p in a.programs]
    env = dict(os.environ)
    env["QT_QPA_PLATFORM"] = "xcb"
    env.pop("WAYLAND_DISPLAY", None)
    for n in range(1, a.runs + 1):
        for name, command in programs:
            idle = a.idle if n <= a.idle_runs else 0
            r = one_run(name, n, command.split(), env, idle, a.timeout)
            print(" ".join(f"{k}={v}" for k, v in r.items()), flush=True)


if __name__ == "__main__":
    sys.exit(main())
