#!/bin/sh
# Prints the CMake preset whose Windows program the tests run under Wine, and
# says on stderr which program that is and why: the shipped 32-bit program
# where this machine runs 32-bit code, else (a kernel without 32-bit
# emulation) the same program built for 64 bits. LUNIVAR_WINE_PRESET names
# one of the two instead.
case ${LUNIVAR_WINE_PRESET:-} in
    windows|windows64) preset=$LUNIVAR_WINE_PRESET why="LUNIVAR_WINE_PRESET asks for it" ;;
    *)
        if /usr/lib/wine/wine --version >/dev/null 2>&1; then
            preset=windows why="this machine runs 32-bit code"
        else
            preset=windows64 why="this machine cannot run 32-bit code (Wine's 32-bit loader does not start)"
        fi ;;
esac
if [ $preset = windows ]; then
    echo "Wine runs the shipped 32-bit program (build-windows): $why." >&2
else
    echo "Wine runs a 64-bit stand-in built from the same sources (build-windows64): $why." >&2
fi
echo $preset
