#!/bin/sh
# Prints the CMake preset whose Windows program the tests run under Wine:
# the shipped 32-bit program where this machine runs 32-bit code, else (a
# kernel without 32-bit emulation) the same program built for 64 bits.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo windows
else
    echo windows64
fi
