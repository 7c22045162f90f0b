# Cross build of the Windows reader with mingw-w64 (Debian's
# g++-mingw-w64-x86-64-posix and binutils-mingw-w64-x86-64):
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DTOMELET_BOOKC=/path/to/host/tomelet-bookc
#
# The book compiler runs on the build machine, so a cross build takes a
# host build's tomelet-bookc (scripts/run-windows and scripts/test pass the
# one of build/).  The runtime is linked statically: tomelet.exe needs no
# DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOMELET_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOMELET_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOMELET_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOMELET_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOMELET_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
