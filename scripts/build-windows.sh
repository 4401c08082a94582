#!/usr/bin/env bash
# Builds the Windows distributable, build-windows/quorvane-windows-x64.zip:
# quorvane.exe (64-bit, cross-compiled with mingw-w64 against the system's own
# Win32 and DirectX, no DLLs beyond Windows' own) and its Wave folder.
# The artwork and sounds come from the native build in build/, whose
# generators are configured here when that build does not exist yet.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)

if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake -S . -B build-windows -G Ninja --toolchain cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DQUORVANE_NATIVE_BUILD_DIR="$PWD/build"
cmake --build build-windows -j "$jobs"
cmake --build build-windows --target package
echo "build-windows: build-windows/quorvane-windows-x64.zip"
