#!/bin/sh
# Installs, from Debian's packages, everything the build, the program and the
# tests need. Does nothing when all of it is already there.
set -e
PKGS="cmake g++ make ninja-build pkg-config
qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libpulse-dev qt6-wayland libqt6svg6
qt6-qpa-plugins qt6-translations-l10n libgl-dev libxkbcommon-dev
gstreamer1.0-plugins-base gstreamer1.0-plugins-good
xvfb xauth x11-utils x11-xserver-utils xdotool xclip imagemagick
dbus dbus-x11 at-spi2-core libatk-adaptor qt6-gtk-platformtheme
python3 python3-dogtail python3-pyatspi python3-xlib python3-gi gir1.2-atspi-2.0
pulseaudio pulseaudio-utils sox
weston
fonts-dejavu-core fonts-liberation2
binutils-mingw-w64-i686 lintian desktop-file-utils appstream dpkg-dev file
locales libclang-rt-14-dev clang-14 valgrind
openbox
g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 wixl"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    echo "Installing:$missing"
    # The Windows program is tested under Wine: its 32-bit loader comes from the
    # i386 archive; the 64-bit one serves machines that cannot run 32-bit code.
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
# Locales the environment tests start the program under.
if command -v locale >/dev/null && ! locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    for l in ru_RU.UTF-8 ja_JP.UTF-8 en_US.UTF-8; do
        $SUDO sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    done
    $SUDO locale-gen >/dev/null
fi
