#!/usr/bin/env bash
# Builds the game for a browser tab into build-web/site: the page, the
# program (quorvane.js, .wasm, .data with the sounds, artwork and fonts) and
# the synthesizer the page loads. Serve it with scripts/serve-web.sh.
#
# Uses Debian's emscripten; FreeType and SDL2 (for its audio streams) are
# built for WebAssembly from the Debian source packages that
# scripts/install-deps.sh unpacked. Those builds are kept for every later
# build on the machine in /var/cache/quorvane/web-deps (QUORVANE_WEB_DEPS;
# build-web/deps when that cannot be written), one per source and emscripten
# version. The artwork and sounds come from the native build in build/,
# which is configured here when it does not exist yet.
set -euo pipefail
cd "$(dirname "$0")/.."

sources=${QUORVANE_WEB_SOURCES:-/var/cache/quorvane/web-sources}
jobs=$(nproc)
# Debian's emscripten finds its JavaScript modules (acorn, ...) only here.
export NODE_PATH=/usr/share/nodejs
deps=${QUORVANE_WEB_DEPS:-/var/cache/quorvane/web-deps}
if ! mkdir -p "$deps" 2>/dev/null || [ ! -w "$deps" ]; then
    deps=$PWD/build-web/deps
fi
deps=$deps/emscripten-$(emcc -dumpversion)
prefix=$deps/prefix
# ccache takes emcc as it takes gcc: builds of the same sources are reused.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
source_of() {
    local dir
    dir=$(find "$sources" -maxdepth 1 -type d -name "$1-*" | sort | tail -n 1)
    if [ -z "$dir" ]; then
        echo "build-web: no $1 source in $sources (scripts/install-deps.sh unpacks it)" >&2
        exit 1
    fi
    echo "$dir"
}

# build_dep NAME SOURCE [CMAKE OPTIONS...]: builds and installs a library for
# WebAssembly into $prefix, unless this source was installed there already.
# A build that stops half way leaves no stamp, and is done again.
build_dep() {
    local name=$1 src=$2
    shift 2
    local stamp=$prefix/.$name-$(basename "$src")
    if [ -f "$stamp" ]; then
        return
    fi
    echo "build-web: building $name for WebAssembly from $src into $deps"
    rm -rf "${deps:?}/$name"
    emcmake cmake -S "$src" -B "$deps/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS=-pthread -DCMAKE_INSTALL_PREFIX="$prefix" "${launcher[@]}" "$@" \
        >"$deps/$name.log" 2>&1
    cmake --build "$deps/$name" -j "$jobs" >>"$deps/$name.log"
    cmake --install "$deps/$name" >>"$deps/$name.log"
    touch "$stamp"
}

mkdir -p "$deps"
build_dep freetype "$(source_of freetype)" \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
# Only the audio format conversion is used; no device is opened through it.
# The answers to its configure checks are known (platform/cmake/web).
build_dep sdl2 "$(source_of libsdl2)" -C "$PWD/platform/cmake/web/sdl2_checks.cmake" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_VIDEO=OFF -DSDL_RENDER=OFF \
    -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_HIDAPI=OFF \
    -DSDL_FILESYSTEM=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_LOADSO=OFF -DSDL_TIMERS=OFF \
    -DSDL_EVENTS=OFF -DSDL_THREADS=ON -DSDL_PTHREADS=ON

if [ ! -d node_modules/js-synthesizer ]; then
    echo "build-web: no node_modules (scripts/install-deps.sh runs npm ci)" >&2
    exit 1
fi

if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi

emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" -DCMAKE_FIND_ROOT_PATH="$prefix" \
    -DQUORVANE_NATIVE_BUILD_DIR="$PWD/build" "${launcher[@]}" >/dev/null
cmake --build build-web -j "$jobs"
echo "build-web: build-web/site ($(du -sh build-web/site | cut -f1))"
