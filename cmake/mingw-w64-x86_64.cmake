# Cross-compiling the game for 64-bit Windows with Debian's mingw-w64
# (g++-mingw-w64-x86-64, mingw-w64-x86-64-dev, binutils-mingw-w64-x86-64):
#   cmake -S . -B build-windows -G Ninja --toolchain cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVANE_MINGW_PREFIX x86_64-w64-mingw32)

# The win32 thread model: the game makes its one extra thread with
# CreateThread, so nothing needs the winpthread DLL.
find_program(CMAKE_C_COMPILER NAMES ${QUORVANE_MINGW_PREFIX}-gcc-win32 ${QUORVANE_MINGW_PREFIX}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QUORVANE_MINGW_PREFIX}-g++-win32 ${QUORVANE_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QUORVANE_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A player's machine has no MinGW runtime DLLs: link libgcc and libstdc++
# statically into the executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
