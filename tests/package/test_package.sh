#!/bin/sh
# The Debian package as a distribution and a user get it: built with CPack,
# checked by lintian, unpacked into a scratch root and started from there
# under a virtual X server.
#
#   test_package.sh <build dir>
# Exit 77 (skipped) when the program is not built or a tool is missing.
set -u
build=$(cd "$1" && pwd)

[ -x "$build/bin/lunivar" ] || { echo "SKIP: the lunivar executable is not built"; exit 77; }
for tool in cpack dpkg-deb lintian xvfb-run xdotool xprop fc-list readelf; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is missing"; exit 77; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 || {
    cat "$scratch/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$scratch"/pkg/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no .deb made"; exit 1; }
echo "package: $(basename "$deb")"
field() { dpkg-deb --field "$deb" "$1"; }
echo "Depends: $(field Depends)"
echo "Recommends: $(field Recommends)"

# lintian, pedantic: errors and warnings fail, information is shown.
lintian --pedantic --info --display-experimental "$deb" >"$scratch/lintian.log" 2>&1
grep -v -e '^N:' -e 'root privileges' "$scratch/lintian.log"
grep -q -E '^(E|W):' "$scratch/lintian.log" && bad "lintian reports errors or warnings"

root=$scratch/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }
prog=usr/libexec/lunivar
for f in $prog/lunivar $prog/liblunivar_sound.so $prog/wav/min.wav $prog/wav/close.wav \
         usr/share/man/man1/lunivar.1.gz usr/share/doc/lunivar/copyright usr/share/doc/lunivar/changelog.gz; do
    [ -e "$root/$f" ] || bad "$f is not in the package"
done
[ "$(readlink "$root/usr/bin/lunivar")" = "../libexec/lunivar/lunivar" ] ||
    bad "usr/bin/lunivar -> '$(readlink "$root/usr/bin/lunivar")'"

# No run path with an empty entry (the current folder) in anything built,
# and in the package none at all; no build folder compiled in.
for elf in $(find "$build" "$root" -type f \( -perm -u+x -o -name '*.so' \) 2>/dev/null); do
    path=$(readelf -d "$elf" 2>/dev/null | sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]/\2/p')
    [ -z "$path" ] && continue
    case "$elf" in "$root"/*) bad "$elf has a run path: [$path]"; continue ;; esac
    case ":$path:" in *::*) bad "$elf has an empty run path entry: [$path]" ;; esac
done
for elf in $root/$prog/lunivar $root/$prog/liblunivar_sound.so; do
    strings "$elf" | grep -q -F "$build" && bad "$elf names the build folder $build"
    strings "$elf" | grep -q -F "$(dirname "$build")/" && bad "$elf names the source folder"
done

# The font families the window draws with are provided by packages it
# depends on (other packages may bring the same family too); the symbol font
# has the twelve zodiac signs.
signs="2648 2649 264a 264b 264c 264d 264e 264f 2650 2651 2652 2653"
for want in "Liberation Sans:style=Regular" "DejaVu Sans:style=Book:charset=$signs"; do
    from=""
    for file in $(fc-list -f '%{file}\n' "$want"); do
        pkg=$(dpkg -S "$file" 2>/dev/null | cut -d: -f1 | head -n 1)
        case ", $(field Depends)," in *", $pkg,"*) from="$from $pkg" ;; esac
    done
    if [ -n "$from" ]; then echo "'$want' is provided by a dependency:$from"
    else bad "no dependency provides '$want' (files: $(fc-list -f '%{file} ' "$want"))"; fi
done
field Recommends | grep -q -i gstreamer && bad "the package recommends GStreamer, which the program does not use"

# One application id for the desktop entry, the metainfo, the icon and the
# Wayland app id; the entry names the window's X11 class.
desktop=$(ls "$root"/usr/share/applications/*.desktop)
id=$(basename "$desktop" .desktop)
echo "application id: $id"
[ -f "$root/usr/share/metainfo/$id.metainfo.xml" ] || bad "no metainfo $id.metainfo.xml"
grep -q "<id>$id</id>" "$root/usr/share/metainfo/$id.metainfo.xml" || bad "metainfo id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$root/usr/share/metainfo/$id.metainfo.xml" ||
    bad "metainfo launchable is not $id.desktop"
grep -q "^Icon=$id\$" "$desktop" || bad "desktop entry icon is not $id"
[ -f "$root/usr/share/icons/hicolor/48x48/apps/$id.png" ] || bad "no icon $id.png"
grep -q '^Comment=[A-Z]' "$desktop" && grep -q '^Comment\[ru\]=' "$desktop" || bad "Comment is not English with a Russian translation"
wmclass=$(sed -n 's/^StartupWMClass=//p' "$desktop")
[ $fail -eq 0 ] || exit 1

# Inside the X server: start through the symlink, wait for the window, check
# where the process really runs from and the window's class, end it.
cat >"$scratch/inside.sh" <<'INSIDE'
#!/bin/sh
root=$1 wmclass=$2
"$root/usr/bin/lunivar" >"$root/../program.log" 2>&1 &
pid=$!
found="" i=0
while [ $i -lt 150 ]; do
    found=$(xdotool search --name '^Lunivar 5\.3$' 2>/dev/null | head -n 1)
    [ -n "$found" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
    i=$((i + 1))
done
rc=0
if [ -z "$found" ]; then
    echo "FAIL: the main window did not appear"; cat "$root/../program.log"; rc=1
else
    exe=$(readlink -f /proc/$pid/exe)
    class=$(xprop -id "$found" WM_CLASS | sed 's/.*, "\(.*\)"/\1/')
    if [ "$exe" != "$(readlink -f "$root/usr/libexec/lunivar/lunivar")" ]; then
        echo "FAIL: the program runs from $exe"; rc=1
    elif [ "$class" != "$wmclass" ]; then
        echo "FAIL: window class '$class', the desktop entry says '$wmclass'"; rc=1
    else
        echo "the window of $exe has the class $class the desktop entry names"
    fi
fi
kill $pid 2>/dev/null
wait $pid 2>/dev/null
exit $rc
INSIDE
timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" sh "$scratch/inside.sh" "$root" "$wmclass"
