# The Windows resource script of the program, written to ${out}: the skin
# bitmaps with their twice-size drawings, the layouts' pictures, the icon,
# the version record and the application manifest.
include(${CMAKE_CURRENT_LIST_DIR}/Resources.cmake)

function(lunivar_windows_rc out)
    set(LUNIVAR_RC_BITMAPS "")
    set(LUNIVAR_RC_TWICE "")
    foreach(n IN LISTS LUNIVAR_BITMAP_NUMBERS)
        string(APPEND LUNIVAR_RC_BITMAPS "${n} BITMAP \"${LUNIVAR_RES_DIR}/bmp/${n}.bmp\"\n")
        string(APPEND LUNIVAR_RC_TWICE "${n} PNG2X \"${LUNIVAR_RES_DIR}/bmp/${n}@2x.png\"\n")
    endforeach()
    # The icon file's one image, as 16-bit words: its size and place are in
    # the file's directory entry.
    file(READ ${LUNIVAR_RES_DIR}/icon/lunivar.ico entry HEX OFFSET 14 LIMIT 8)
    string(REGEX REPLACE "(..)(..)(..)(..)(..)(..)(..)(..)" "\\4\\3\\2\\1;\\8\\7\\6\\5" entry "${entry}")
    list(GET entry 0 bytes)
    list(GET entry 1 offset)
    math(EXPR LUNIVAR_RC_ICON_BYTES "0x${bytes}")
    math(EXPR offset "0x${offset}")
    file(READ ${LUNIVAR_RES_DIR}/icon/lunivar.ico image HEX OFFSET ${offset} LIMIT ${LUNIVAR_RC_ICON_BYTES})
    string(REGEX REPLACE "(..)(..)" "0x\\2\\1, " words "${image}")
    string(REGEX REPLACE ", $" "" LUNIVAR_RC_ICON_WORDS "${words}")
    set(LUNIVAR_NOTICE "Copyright (C) ${LUNIVAR_MAKER}. Free to use and to pass on.")
    set(LUNIVAR_VERSION_PATCH_OR_0 ${PROJECT_VERSION_PATCH})
    if(LUNIVAR_VERSION_PATCH_OR_0 STREQUAL "")
        set(LUNIVAR_VERSION_PATCH_OR_0 0)
    endif()
    get_filename_component(rc_dir ${out} DIRECTORY)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/lunivar.manifest.in ${rc_dir}/lunivar.manifest @ONLY)
    set(LUNIVAR_RC_MANIFEST ${rc_dir}/lunivar.manifest)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/lunivar.rc.in ${out} @ONLY)
    # The resource compiler reads these files by path: the resources are
    # compiled again when one changes. The icon's bytes are in the script
    # itself, which is written again when the icon changes.
    set(inputs ${LUNIVAR_RC_MANIFEST} ${LUNIVAR_RES_DIR}/layout/about.png ${LUNIVAR_RES_DIR}/layout/about@2x.png
               ${LUNIVAR_RES_DIR}/layout/back.png)
    foreach(n IN LISTS LUNIVAR_BITMAP_NUMBERS)
        list(APPEND inputs ${LUNIVAR_RES_DIR}/bmp/${n}.bmp ${LUNIVAR_RES_DIR}/bmp/${n}@2x.png)
    endforeach()
    set_source_files_properties(${out} PROPERTIES OBJECT_DEPENDS "${inputs}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LUNIVAR_RES_DIR}/icon/lunivar.ico)
endfunction()
