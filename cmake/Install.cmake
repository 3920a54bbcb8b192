# Desktop integration, Windows resources, install layout and the Debian
# package. Included once, from src/res.
#
# Installed layout (under the prefix):
#   lib/lunivar/lunivar            the executable
#   lib/lunivar/liblunivar_sound.so  its sound device (loaded at the first sound)
#   lib/lunivar/wav/*.wav          its sounds, beside it
#   bin/lunivar -> ../lib/lunivar/lunivar
#   share/icons/hicolor/<n>x<n>/apps/lunivar.png
#   share/applications/<id>.desktop, share/metainfo/<id>.metainfo.xml
include(${CMAKE_CURRENT_LIST_DIR}/Resources.cmake)
include(GNUInstallDirs)

set(LUNIVAR_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
set(LUNIVAR_NOTICE "Copyright (C) ${LUNIVAR_MAKER}. Free to use and to pass on.")
set(LUNIVAR_VERSION_PATCH_OR_0 ${PROJECT_VERSION_PATCH})
if(LUNIVAR_VERSION_PATCH_OR_0 STREQUAL "")
    set(LUNIVAR_VERSION_PATCH_OR_0 0)
endif()

# Windows resource script (icon group 1 and the version record). A Windows
# build adds ${LUNIVAR_RC_FILE} to the executable's sources.
set(LUNIVAR_RC_ICON ${LUNIVAR_RES_DIR}/icon/lunivar.ico)
set(LUNIVAR_RC_FILE ${LUNIVAR_PACKAGING_DIR}/lunivar.rc)
set(LUNIVAR_RC_FILE ${LUNIVAR_RC_FILE} CACHE INTERNAL "Windows resource script of the program")
configure_file(${PROJECT_SOURCE_DIR}/packaging/lunivar.rc.in ${LUNIVAR_RC_FILE} @ONLY)

set(LUNIVAR_DESKTOP_FILE ${LUNIVAR_PACKAGING_DIR}/${LUNIVAR_APP_ID}.desktop)
set(LUNIVAR_METAINFO_FILE ${LUNIVAR_PACKAGING_DIR}/${LUNIVAR_APP_ID}.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/packaging/lunivar.desktop.in ${LUNIVAR_DESKTOP_FILE} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/lunivar.metainfo.xml.in ${LUNIVAR_METAINFO_FILE} @ONLY)

install(FILES ${LUNIVAR_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${LUNIVAR_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS LUNIVAR_ICON_SIZES)
    install(FILES ${LUNIVAR_RES_DIR}/icon/lunivar-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME lunivar.png)
endforeach()
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
    set(CPACK_PACKAGE_DESCRIPTION "Lunivar tells, from the day and month of a birth, the zodiac sign, the signs that pair well with it, the sign's precious stone and its talisman.")
    set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Found libraries are added to this; the X11 platform plugin is not one.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
    # Qt Multimedia plays the clicks through GStreamer; wavparse is in -good.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-good")
    set(CPACK_STRIP_FILES ON)
    include(CPack)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL lunivar_install_program)
