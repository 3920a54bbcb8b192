# What the program carries, in one place for the build, the install rules and
# the tests.

# Skin bitmaps by number (there are no 103, 108 and 110).
set(LUNIVAR_BITMAP_NUMBERS 101 102 104 105 106 107 109 111 112 113 114 115 116 117 118)
# Sizes of the application icon in the freedesktop icon theme.
set(LUNIVAR_ICON_SIZES 16 24 32 48 64 128 256)
set(LUNIVAR_RES_DIR ${PROJECT_SOURCE_DIR}/src/res)
# Where the executable, its sound module and its wav folder are installed,
# under the prefix: the package's private folder for programs.
set(LUNIVAR_INSTALL_PROGRAM_DIR libexec/lunivar)

# The program's one name on the desktop: the desktop entry's file name, the
# metainfo id, the icon, the Wayland app id.
set(LUNIVAR_APP_ID org.lunivar.Lunivar)
# The font packages the window draws with: its texts, and the zodiac symbols
# of the glyph box where the symbol font of the layout is not installed.
set(LUNIVAR_FONT_PACKAGES "fonts-liberation2, fonts-dejavu-core")
# Qt's own texts (a field's context menu) in the user's language.
set(LUNIVAR_QT_TRANSLATIONS_PACKAGE qt6-translations-l10n)
# The window's X11 class (WM_CLASS), which the desktop entry names too.
set(LUNIVAR_WM_CLASS Lunivar)
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
