#!/bin/sh
# The program's benchmarks, printed as one table (not a test; `make bench`):
#   - instructions per pointer move over a push button and over the free
#     area, with the decoded bitmaps kept and decoded afresh (callgrind);
#   - start-up to the first painted frame on a bare Xvfb (no window manager,
#     a session bus and an accessibility bus as a desktop has), peak resident
#     memory and CPU time while idle, side by side with a minimal frameless Qt
#     window of the same size, with and without a line of text; the program
#     and the window with text once more with the accessibility bridge forced
#     on. The programs take turns, run after run;
#   - the Windows program's complete first frame under Wine, beside a minimal
#     Win32 window with one label and the same window with the program's
#     native controls alone (two lists, five fields, common controls 6), warm
#     and with the Wine server dropped before every start (bench/winestart.py);
#   - the web program's first complete frame in headless Chromium, beside a
#     static page with the same native controls over a picture of the same
#     window, each a first visit (bench/webstart.py).
# Settings from the environment: BUILD_DIR (build), RUNS (10), IDLE_RUNS (3),
# IDLE_SECONDS (10), MOVES (100).
set -e
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
RUNS=${RUNS:-15}
IDLE_RUNS=${IDLE_RUNS:-3}
IDLE_SECONDS=${IDLE_SECONDS:-10}
MOVES=${MOVES:-100}
PYTHON=/usr/bin/python3
[ -x "$PYTHON" ] || PYTHON=python3
BENCH=bench

if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    if [ "$BUILD_DIR" = build ]; then cmake --preset default
    else cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo; fi
fi
cmake --build "$BUILD_DIR" -j2 --target lunivar lunivar_bench_move lunivar_minimal_window

work=$(mktemp -d)
xvfb_pid="" bus_pid="" atspi_pid=""
cleanup() {
    for p in $atspi_pid $bus_pid $xvfb_pid; do kill "$p" 2>/dev/null || true; done
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
# A session bus and an accessibility bus of the benchmark's own, as a desktop
# session has them; nothing else of a desktop.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" HOME="$work"
dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$work/bus"
DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$work/bus"); bus_pid=$(sed -n 2p "$work/bus")
export DBUS_SESSION_BUS_ADDRESS
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
atspi_pid=$!
sleep 0.5
bridge="env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"
env -u WAYLAND_DISPLAY -u QT_SCALE_FACTOR -u QT_LINUX_ACCESSIBILITY_ALWAYS_ON \
    "$PYTHON" "$BENCH/firstframe.py" --runs "$RUNS" --idle-runs "$IDLE_RUNS" --idle "$IDLE_SECONDS" \
    "lunivar=$BUILD_DIR/bin/lunivar" \
    "minimal=$BUILD_DIR/bench/lunivar_minimal_window" \
    "minimal+text=$BUILD_DIR/bench/lunivar_minimal_window --text" \
    "lunivar+a11y=$bridge $BUILD_DIR/bin/lunivar" \
    "minimal+text+a11y=$bridge $BUILD_DIR/bench/lunivar_minimal_window --text" >"$work/startup.log"

echo "== the Windows program under Wine ($RUNS runs each, warm and cold)"
wine_preset=$(sh scripts/wine-preset.sh)
[ -f "build-$wine_preset/build.ninja" ] || cmake --preset "$wine_preset"
cmake --build --preset "$wine_preset" -j2 --target lunivar lunivar_minimal_win32 lunivar_fields_win32
loader=/usr/lib/wine/wine
[ "$wine_preset" = windows64 ] && loader=/usr/lib/wine/wine64
wine_prefix="$work/wine-prefix"
WINEPREFIX="$wine_prefix" WINELOADER="$loader" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    "$loader" wineboot --init >/dev/null 2>&1
"$PYTHON" "$BENCH/winestart.py" --loader "$loader" --prefix "$wine_prefix" --runs "$RUNS" \
    "lunivar=$PWD/build-$wine_preset/bin/lunivar.exe" \
    "minimal=$PWD/build-$wine_preset/bench/lunivar_minimal_win32.exe" \
    "fields=$PWD/build-$wine_preset/bench/lunivar_fields_win32.exe" >"$work/wine.log"

echo "== the web program in Chromium ($RUNS runs each)"
"$PYTHON" "$BENCH/webstart.py" --site dist/lunivar-5.3-web --runs "$RUNS" >"$work/web.log"

"$PYTHON" "$BENCH/report.py" "$MOVES" "$prefix" "$work/move.log" "$work/startup.log" "$work/wine.log" "$work/web.log"
if [ -n "$KEEP" ]; then mkdir -p "$KEEP" && cp "$work"/*.log "$KEEP"/; fi
