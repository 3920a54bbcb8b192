#!/usr/bin/python3
"""Prints the benchmark table from what run.sh collected.

    report.py MOVES CALLGRIND_DUMP_PREFIX|- MOVE_LOG STARTUP_LOG

The callgrind dumps are named after the batches of lunivar_bench_move
(button-cached-event, ...); their totals divided by MOVES are instructions
per move. Without dumps the wall-clock figures of MOVE_LOG are shown.
The start-up log has one key=value line per run (firstframe.py).
"""
import glob
import re
import statistics
import sys


def callgrind_batches(prefix):
    batches = {}
    for path in glob.glob(prefix + ".*"):
        name = total = None
        with open(path, errors="replace") as f:
            for line in f:
                if line.startswith("desc: Trigger: Client Request: "):
                    name = line.split(": ", 2)[2].split(": ", 1)[1].strip()
                elif line.startswith("totals:"):
                    total = int(line.split()[1])
                if name and total is not None:
                    break
        if name and total is not None:
            batches[name] = total
    return batches


def wall_batches(log):
    out = {}
    for line in open(log, errors="replace"):
        m = re.match(r"(\S+) moves=\d+ ns_per_move=(\d+)", line)
        if m:
            out[m.group(1)] = int(m.group(2))
    return out



def verdict(ok):
    return "met" if ok else "MISSED"


def main():
    moves, prefix, move_log, startup_log = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
    wine_log = sys.argv[5] if len(sys.argv) > 5 else None

    print()
    print("Pointer moves (lunivar_bench_move, offscreen)")
    batches = callgrind_batches(prefix) if prefix != "-" else {}
    unit = "instructions/move"
    if batches:
        per = {k: v / moves for k, v in batches.items()}
    else:
        per = wall_batches(move_log)
        unit = "ns/move (valgrind missing: wall clock)"
    print(f"  {'':34} {unit:>24}")
    for where in ("button", "free"):
        for what, label in (("event", "handler only"), ("paint", "handler + repaint")):
            v = per.get(f"{where}-{what}")
            name = ("push button" if where == "button" else "free area") + ", " + label
            print(f"  {name:34} {v if v is None else round(v):>24}")

    runs = {}
    for line in open(startup_log, errors="replace"):
        kv = dict(p.split("=", 1) for p in line.split() if "=" in p)
        if "prog" in kv:
            runs.setdefault(kv["prog"], []).append(kv)

    def med(prog, key):
        vals = [float(r[key]) for r in runs.get(prog, []) if key in r]
        return (statistics.median(vals), len(vals)) if vals else (None, 0)

    print()
    print("Start-up under Xvfb (medians; clock from just before the spawn)")
    progs = list(runs)
    print(f"  {'program':16} {'runs':>4} {'map ms':>8} {'frame ms':>9} {'peak RSS kB':>12} {'idle ticks':>11}  window")
    for p in progs:
        frame, n = med(p, "frame_ms")
        mp, _ = med(p, "map_ms")
        hwm, _ = med(p, "hwm_kb")
        idle = [int(r["idle_ticks"]) for r in runs[p] if "idle_ticks" in r]
        sizes = sorted({r.get("size", "?") for r in runs[p]})
        fails = sum(1 for r in runs[p] if "error" in r)
        idle_s = f"max {max(idle)}/{len(idle)}" if idle else "-"
        fmt = lambda v, f: (f % v) if v is not None else "-"
        print(f"  {p:16} {n:>4} {fmt(mp, '%.1f'):>8} {fmt(frame, '%.1f'):>9} {fmt(hwm, '%.0f'):>12} {idle_s:>11}  "
              f"{','.join(sizes)}{'  failed runs: %d' % fails if fails else ''}")

    if "lunivar" in runs:
        print()
        print("Ratios of the medians (goal <= 1.15 against the window with text, bridge off and on; idle CPU goal 0)")
        for main_p, floor in (("lunivar", "minimal"), ("lunivar", "minimal+text"), ("lunivar+a11y", "minimal+text+a11y")):
            f1, _ = med(main_p, "frame_ms")
            f0, _ = med(floor, "frame_ms")
            m1, _ = med(main_p, "hwm_kb")
            m0, _ = med(floor, "hwm_kb")
            goal = "text" in floor
            for what, a, b in (("first frame", f1, f0), ("peak memory", m1, m0)):
                if a and b:
                    print(f"  {what}  {main_p:12} / {floor:17} {a / b:6.2f}  {verdict(a / b <= 1.15) if goal else ''}")
        idle = [int(r["idle_ticks"]) for r in runs["lunivar"] if "idle_ticks" in r]
        if idle:
            print(f"  idle CPU     lunivar after start-up: {max(idle)} ticks (worst of {len(idle)} runs)  "
                  f"{verdict(max(idle) == 0)}")

    if wine_log:
        wine_report(wine_log)
    if len(sys.argv) > 6:
        web_report(sys.argv[6])


def wine_report(log):
    # winestart.py's lines: mode, prog, run, frame_ms.
    frames = {}
    for line in open(log, errors="replace"):
        kv = dict(p.split("=", 1) for p in line.split() if "=" in p)
        if "frame_ms" in kv:
            frames.setdefault((kv["mode"], kv["prog"]), []).append(float(kv["frame_ms"]))
    print()
    print("Windows program under Wine: its complete first frame (medians of alternating runs; warm: the Wine")
    print("server running, cold: dropped before every start); minimal: a popup with one label, fields: the same")
    print("popup with the program's native controls alone (two lists, five fields, common controls 6)")
    for mode in ("warm", "cold"):
        for floor, aim in (("minimal", 1.15), ("fields", 1.10)):
            a, b = frames.get((mode, "lunivar")), frames.get((mode, floor))
            if not a or not b:
                print(f"  {mode}: no figures beside {floor}")
                continue
            ra, rb = statistics.median(a), statistics.median(b)
            print(f"  {mode}  lunivar {ra:7.1f} ms ({len(a)} runs)  {floor:7} {rb:7.1f} ms  ratio {ra / rb:5.2f}  "
                  f"{verdict(ra / rb <= aim)}")


def web_report(log):
    # webstart.py's lines: prog, run, frame_ms.
    frames = {}
    for line in open(log, errors="replace"):
        kv = dict(p.split("=", 1) for p in line.split() if "=" in p)
        if "frame_ms" in kv:
            frames.setdefault(kv["prog"], []).append(float(kv["frame_ms"]))
    print()
    print("The web program in headless Chromium: its first complete frame on a first visit (medians of alternating")
    print("runs), beside a static page with the same native controls over a picture of the same window")
    a, b = frames.get("lunivar"), frames.get("static")
    if not a or not b:
        print("  no figures")
        return
    ra, rb = statistics.median(a), statistics.median(b)
    print(f"  lunivar {ra:7.1f} ms ({len(a)} runs)  static {rb:7.1f} ms  ratio {ra / rb:5.2f}  {verdict(ra / rb <= 1.15)}")


if __name__ == "__main__":
    main()
