# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads);
# test programs run under Wine through ctest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(K2_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${K2_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${K2_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${K2_MINGW_PREFIX}-windres)

# Dependency prefixes (libjpeg) are appended with -DCMAKE_FIND_ROOT_PATH=...;
# CMAKE_PREFIX_PATH would be re-rooted under the sysroot and not found.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${K2_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(K2_WINE NAMES wine wine64)
if(K2_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${K2_WINE})
endif()
