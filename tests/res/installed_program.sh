#!/bin/sh
# Builds the Debian package, unpacks it into a scratch root and starts the
# installed program through its bin/ symlink under a virtual X server. The
# program must open its main window and run from lib/lunivar/, where its wav
# folder is, since it looks for the sounds beside its resolved executable.
#
#   installed_program.sh <build dir> <built executable or ""> <window title>
# Exit 77 (skipped) when there is no executable to package yet or a tool is
# missing.
set -u
build=$1 exe=$2 title=$3

if [ -z "$exe" ] || [ ! -x "$exe" ]; then
    echo "SKIP: the lunivar executable is not built"
    exit 77
fi
for tool in cpack dpkg-deb xvfb-run xdotool; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is missing"; exit 77; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 || {
    cat "$scratch/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$scratch"/pkg/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no .deb made"; exit 1; }
echo "package: $(basename "$deb")"
dpkg-deb --info "$deb" | sed -n 's/^ *\(Package\|Version\|Depends\):/  &/p'

root=$scratch/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }

fail=0
check() { [ -e "$root/$1" ] || { echo "FAIL: $1 is not in the package"; fail=1; }; }
check usr/lib/lunivar/lunivar
check usr/lib/lunivar/liblunivar_sound.so
check usr/lib/lunivar/wav/min.wav
check usr/lib/lunivar/wav/close.wav
check usr/share/applications/org.example.lunivar.desktop
check usr/share/metainfo/org.example.lunivar.metainfo.xml
for size in 16 24 32 48 64 128 256; do
    check usr/share/icons/hicolor/${size}x${size}/apps/lunivar.png
done
link=$(readlink "$root/usr/bin/lunivar")
[ "$link" = "../lib/lunivar/lunivar" ] || { echo "FAIL: usr/bin/lunivar -> '$link'"; fail=1; }
[ $fail -eq 0 ] || exit 1

# Inside the X server: start through the symlink, wait for the window, check
# where the process really runs from, end it.
cat >"$scratch/inside.sh" <<'INSIDE'
#!/bin/sh
root=$1 title=$2
"$root/usr/bin/lunivar" >"$root/../program.log" 2>&1 &
pid=$!
found=""
i=0
while [ $i -lt 150 ]; do
    found=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1)
    [ -n "$found" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
    i=$((i + 1))
done
rc=0
if [ -z "$found" ]; then
    echo "FAIL: no window named '$title' appeared"
    cat "$root/../program.log"
    rc=1
else
    exe=$(readlink -f /proc/$pid/exe)
    want=$(readlink -f "$root/usr/lib/lunivar/lunivar")
    if [ "$exe" != "$want" ]; then
        echo "FAIL: the program runs from $exe, not $want"
        rc=1
    elif [ ! -f "$(dirname "$exe")/wav/min.wav" ]; then
        echo "FAIL: no wav folder beside $exe"
        rc=1
    else
        echo "window '$title' shown by $exe; its wav folder is there"
    fi
fi
kill $pid 2>/dev/null
wait $pid 2>/dev/null
exit $rc
INSIDE
timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" sh "$scratch/inside.sh" "$root" "$title"
