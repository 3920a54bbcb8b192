#!/bin/sh
# The program's benchmarks, printed as one table (not a test; `make bench`):
#   - instructions per pointer move over a push button and over the free
#     area, with the decoded bitmaps kept and decoded afresh (callgrind);
#   - start-up to the first painted frame under Xvfb, peak resident memory and
#     CPU time while idle, side by side with a minimal frameless Qt window of
#     the same size, with and without a line of text.
# Settings from the environment: BUILD_DIR (build), RUNS (10), IDLE_RUNS (3),
# IDLE_SECONDS (10), MOVES (100).
set -e
cd "$(dirname "$0")/../.."
BUILD_DIR=${BUILD_DIR:-build}
RUNS=${RUNS:-10}
IDLE_RUNS=${IDLE_RUNS:-3}
IDLE_SECONDS=${IDLE_SECONDS:-10}
MOVES=${MOVES:-100}
PYTHON=/usr/bin/python3
[ -x "$PYTHON" ] || PYTHON=python3
BENCH=tests/bench

if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    if [ "$BUILD_DIR" = build ]; then cmake --preset default
    else cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo; fi
fi
cmake --build "$BUILD_DIR" -j2 --target lunivar lunivar_bench_move lunivar_minimal_window

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

echo "== pointer moves ($MOVES per batch)"
if command -v valgrind >/dev/null; then
    QT_QPA_PLATFORM=offscreen valgrind --tool=callgrind --instr-atstart=no \
        --callgrind-out-file="$work/cg.out" "$BUILD_DIR/bench/lunivar_bench_move" "$MOVES" \
        >"$work/move.log" 2>"$work/move.err" || { cat "$work/move.err"; exit 1; }
    prefix="$work/cg.out"
else
    QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/lunivar_bench_move" "$MOVES" >"$work/move.log" 2>"$work/move.err"
    prefix=-
fi

echo "== start-up under Xvfb ($RUNS runs each, $IDLE_RUNS of them idle for ${IDLE_SECONDS} s)"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.err" &
xvfb_pid=$!
i=0
while [ ! -s "$work/display" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.err"; exit 1; }
DISPLAY=:$(cat "$work/display")
export DISPLAY
# The same environment for every program: no desktop session around them.
env -u DBUS_SESSION_BUS_ADDRESS -u WAYLAND_DISPLAY -u QT_SCALE_FACTOR \
    "$PYTHON" "$BENCH/firstframe.py" --runs "$RUNS" --idle-runs "$IDLE_RUNS" --idle "$IDLE_SECONDS" \
    "lunivar=$BUILD_DIR/bin/lunivar" \
    "minimal=$BUILD_DIR/bench/lunivar_minimal_window" \
    "minimal+text=$BUILD_DIR/bench/lunivar_minimal_window --text" >"$work/startup.log"

"$PYTHON" "$BENCH/report.py" "$MOVES" "$prefix" "$work/move.log" "$work/startup.log"
if [ -n "$KEEP" ]; then mkdir -p "$KEEP" && cp "$work"/*.log "$KEEP"/; fi
