# Desktop integration, install layout and the Debian package. Included once, from src/res.
#
# Installed layout (under the prefix):
#   libexec/lunivar/lunivar                the executable
#   libexec/lunivar/liblunivar_sound.so    its sound device (loaded at the first sound)
#   libexec/lunivar/wav/*.wav              its sounds, beside it
#   bin/lunivar -> ../libexec/lunivar/lunivar
#   share/icons/hicolor/<n>x<n>/apps/<id>.png
#   share/applications/<id>.desktop, share/metainfo/<id>.metainfo.xml
#   share/man/man1/lunivar.1.gz, share/doc/lunivar/{copyright,changelog.gz}
include(${CMAKE_CURRENT_LIST_DIR}/Resources.cmake)
include(GNUInstallDirs)

set(LUNIVAR_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)

set(LUNIVAR_DESKTOP_FILE ${LUNIVAR_PACKAGING_DIR}/${LUNIVAR_APP_ID}.desktop)
set(LUNIVAR_METAINFO_FILE ${LUNIVAR_PACKAGING_DIR}/${LUNIVAR_APP_ID}.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/packaging/lunivar.desktop.in ${LUNIVAR_DESKTOP_FILE} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/lunivar.metainfo.xml.in ${LUNIVAR_METAINFO_FILE} @ONLY)

install(FILES ${LUNIVAR_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${LUNIVAR_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS LUNIVAR_ICON_SIZES)
    install(FILES ${LUNIVAR_RES_DIR}/icon/lunivar-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${LUNIVAR_APP_ID}.png)
endforeach()

# The manual page and the package's changelog, compressed as Debian keeps
# them (no name or time stamp in the gzip header); the copyright file as is.
# The manual page names the folder as the package installs it.
set(LUNIVAR_INSTALL_FULL_PROGRAM_DIR /usr/${LUNIVAR_INSTALL_PROGRAM_DIR})
configure_file(${PROJECT_SOURCE_DIR}/packaging/lunivar.1.in ${LUNIVAR_PACKAGING_DIR}/lunivar.1 @ONLY)
foreach(doc lunivar.1 changelog)
    if(doc STREQUAL "changelog")
        set(in ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)
    else()
        set(in ${LUNIVAR_PACKAGING_DIR}/${doc})
    endif()
    add_custom_command(OUTPUT ${LUNIVAR_PACKAGING_DIR}/${doc}.gz
        COMMAND gzip -9nc ${in} > ${LUNIVAR_PACKAGING_DIR}/${doc}.gz
        DEPENDS ${in} VERBATIM)
    list(APPEND lunivar_docs ${LUNIVAR_PACKAGING_DIR}/${doc}.gz)
endforeach()
add_custom_target(lunivar_docs ALL DEPENDS ${lunivar_docs})
install(FILES ${LUNIVAR_PACKAGING_DIR}/lunivar.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${LUNIVAR_PACKAGING_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lunivar)
install(FILES ${LUNIVAR_RES_DIR}/wav/min.wav ${LUNIVAR_RES_DIR}/wav/close.wav
        DESTINATION ${LUNIVAR_INSTALL_PROGRAM_DIR}/wav)

# bin/lunivar is a relative symlink, made once in the build tree and
# installed as a link (install(FILES) keeps links as they are).
file(MAKE_DIRECTORY ${LUNIVAR_PACKAGING_DIR}/bin)
file(CREATE_LINK ../${LUNIVAR_INSTALL_PROGRAM_DIR}/lunivar ${LUNIVAR_PACKAGING_DIR}/bin/lunivar SYMBOLIC)
install(FILES ${LUNIVAR_PACKAGING_DIR}/bin/lunivar DESTINATION ${CMAKE_INSTALL_BINDIR})

# The executable is defined later in the tree (src/app), so its install rule
# and the package settings are made once the whole project has been read.
# The deferred call runs in the top directory's scope, so it takes what it
# needs from Resources.cmake itself.
function(lunivar_install_program)
    include(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Resources.cmake)
    if(TARGET lunivar)
        install(TARGETS lunivar RUNTIME DESTINATION ${LUNIVAR_INSTALL_PROGRAM_DIR})
    else()
        message(STATUS "Lunivar: no `lunivar` executable target yet; it is not installed")
    endif()
    if(TARGET lunivar_sound)
        # The sound device's module is looked for beside the executable.
        install(TARGETS lunivar_sound LIBRARY DESTINATION ${LUNIVAR_INSTALL_PROGRAM_DIR})
    endif()

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME lunivar)
    set(CPACK_PACKAGE_VENDOR "${LUNIVAR_MAKER}")
    set(CPACK_PACKAGE_CONTACT "${LUNIVAR_MAKER} <${LUNIVAR_MAIL}>")
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "zodiac sign, matching signs, stone and talisman for a birthday")
    set(CPACK_PACKAGE_DESCRIPTION "Lunivar tells, from the day and month of a birth, the zodiac sign, the signs\nthat pair well with it, the sign's precious stone and its talisman. A small\nskinned desktop program with Russian texts.")
    set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Found libraries are added to this; the X11 platform plugin is not one,
    # nor are the fonts the window draws its texts and the zodiac symbols with.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, ${LUNIVAR_QT_TRANSLATIONS_PACKAGE}, ${LUNIVAR_FONT_PACKAGES}")
    # The clicks are played through a PulseAudio server (or PipeWire's).
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
    set(CPACK_STRIP_FILES ON)
    include(CPack)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL lunivar_install_program)
