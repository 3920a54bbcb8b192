# Cross-building the Windows program with Debian's MinGW-w64, for the
# processor the including toolchain file names in LUNIVAR_MINGW_ARCH (i686,
# the shipped 32-bit program, or x86_64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${LUNIVAR_MINGW_ARCH})
set(CMAKE_C_COMPILER ${LUNIVAR_MINGW_ARCH}-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER ${LUNIVAR_MINGW_ARCH}-w64-mingw32-g++)
set(CMAKE_RC_COMPILER ${LUNIVAR_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LUNIVAR_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
