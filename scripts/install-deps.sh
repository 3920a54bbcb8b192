#!/bin/sh
# Installs, from Debian's packages, what a part of the work needs, and says
# what it installs. Does nothing when all of it is already there.
#
#   install-deps.sh run       the Linux program: build it and start it
#   install-deps.sh test      everything `make test` builds and runs
#   install-deps.sh windows   the Windows program and its zip and installer
#   install-deps.sh web       the program for web browsers
set -e
what=${1:-test}

# Building and running the Linux program.
RUN="cmake g++ make ninja-build pkg-config
qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libpulse-dev qt6-wayland libqt6svg6
qt6-qpa-plugins qt6-translations-l10n libgl-dev libxkbcommon-dev
fonts-dejavu-core fonts-liberation2"
# Cross-building the Windows program and packing it.
WINDOWS="g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 wixl msitools"
# The program for web browsers: WebAssembly by clang for WASI, with its C
# and C++ libraries, and binaryen to make it sleep and small.
WEB="cmake ninja-build make clang-14 lld-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32
libclang-rt-14-dev-wasm32 binaryen"
# The tests: a virtual display and input, the accessibility bus and a
# screen reader, a sound
# server, the package tools, the sanitizers and libFuzzer, and Wine for the Windows
# program (its 32-bit loader comes from the i386 archive; the 64-bit one
# serves machines that cannot run 32-bit code).
TEST="$RUN $WINDOWS
gstreamer1.0-plugins-base gstreamer1.0-plugins-good
xvfb xauth x11-utils x11-xserver-utils xdotool xclip imagemagick
dbus dbus-x11 at-spi2-core libatk-adaptor qt6-gtk-platformtheme
python3 python3-dogtail python3-pyatspi python3-xlib python3-gi gir1.2-atspi-2.0 orca speech-dispatcher
pulseaudio pulseaudio-utils sox weston openbox
lintian desktop-file-utils appstream dpkg-dev file
locales libclang-rt-14-dev clang-14 zlib1g-dev valgrind
wine wine32:i386 wine64
$WEB chromium"

case $what in
    run) PKGS=$RUN ;;
    windows) PKGS="$RUN $WINDOWS" ;;
    web) PKGS=$WEB ;;
    test) PKGS=$TEST ;;
    *) echo "install-deps.sh: run, test, windows or web" >&2; exit 2 ;;
esac

missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
if [ -n "$missing" ]; then
    echo "Installing what '$what' needs from Debian's packages:$missing"
    case $missing in *:i386*)
        dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386 ;;
    esac
    echo "Reading the package lists..."
    $SUDO apt-get update -qq
    # Each package as it is set up; everything apt said when it fails.
    log=$(mktemp) status=$(mktemp)
    { DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing; echo $? >"$status"; } 2>&1 |
        tee "$log" | grep --line-buffered -E '^(Need to get|Setting up)' || true
    rc=$(cat "$status")
    [ "$rc" = 0 ] || cat "$log"
    rm -f "$log" "$status"
    [ "$rc" = 0 ] || exit 1
    echo "Installed."
fi
# Locales the environment tests start the program under.
if [ "$what" = test ] && command -v locale >/dev/null && ! locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
    echo "Making the locales the tests start the program under: ru_RU, ja_JP, en_US"
    for l in ru_RU.UTF-8 ja_JP.UTF-8 en_US.UTF-8; do
        $SUDO sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    done
    $SUDO locale-gen >/dev/null
fi
