# The Windows program built for 64 bits, for the tests where 32-bit code cannot run.
set(LUNIVAR_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
