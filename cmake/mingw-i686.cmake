# The Windows program as it ships: 32-bit.
set(LUNIVAR_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
