#!/usr/bin/env bash
# Builds Quorvane and runs every test twice: in the release build, and in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer. In between it
# builds the Windows executable and plays it under Wine
# (scripts/test-windows.sh, which takes the release build's artwork and
# sounds), runs the tests of the threaded parts in a small ThreadSanitizer
# build, and builds the web build and plays it in headless Chromium
# (scripts/test-web.sh). Before building it checks that the stand-in exports
# no Windows API the game does not call (scripts/unused-winapi.py). Installs
# any missing Debian packages first. Exits non-zero when anything fails; the
# test runner's summary closes the output.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

jobs=$(nproc)

echo "== stand-in API that no game room calls =="
if ! python3 scripts/unused-winapi.py; then
    echo "remove the names above from platform/ (and their tests), or call them from the game" >&2
    exit 1
fi

echo "== release build =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Windows build, played under Wine =="
./scripts/test-windows.sh

echo "== thread sanitizer build (the threaded parts) =="
# Only the programs that test threads: window messages posted from other
# threads and the idle loop's wake-up (test_platform_system), and the game's
# sound and music with the mixer pulled by an audio thread and the music
# notification thread posting messages (test_audio). Built lightly optimised
# with line tables only, which keeps the build short and the sanitizer's
# reports readable.
tsan_programs=(test_platform_system test_audio)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_TSAN=ON \
    -DQUORVANE_BENCH=OFF -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DCMAKE_C_FLAGS_DEBUG="-O1 -g1"
cmake --build build-tsan -j "$jobs" --target "${tsan_programs[@]}"
TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=1" \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" \
    -L "^($(IFS='|'; echo "${tsan_programs[*]}"))\$"

echo "== web build, played in Chromium =="
./scripts/test-web.sh

echo "== sanitizer build (address, undefined) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON \
    -DQUORVANE_BENCH=OFF
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"
