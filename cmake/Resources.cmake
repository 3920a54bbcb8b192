# What the program carries, in one place for the build, the install rules and
# the tests.

# Skin bitmaps by number (there are no 103, 108 and 110).
set(LUNIVAR_BITMAP_NUMBERS 101 102 104 105 106 107 109 111 112 113 114 115 116 117 118)
# Sizes of the application icon in the freedesktop icon theme.
set(LUNIVAR_ICON_SIZES 16 24 32 48 64 128 256)
set(LUNIVAR_RES_DIR ${PROJECT_SOURCE_DIR}/src/res)
# Where the executable and its wav folder are installed, under the prefix.
set(LUNIVAR_INSTALL_PROGRAM_DIR lib/lunivar)

# Reverse-DNS name of the program on the desktop (desktop entry, metainfo).
set(LUNIVAR_APP_ID org.example.lunivar)
set(LUNIVAR_MAKER "Lunivar developers")
set(LUNIVAR_MAIL "team@lunivar.example.org")

# The version as the file properties show it: the minor number with two
# digits, 5.3.0 -> "5.03".
if(PROJECT_VERSION_MINOR LESS 10)
    set(LUNIVAR_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
    set(LUNIVAR_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()
# ...and as the program shows it, joined as plain numbers: "5.3".
set(LUNIVAR_VERSION_SHORT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
