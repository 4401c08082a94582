#!/usr/bin/env bash
# Builds Quorvane and runs every test twice: in the release build, and in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer. In between it
# builds the Windows executable and plays it under Wine
# (scripts/test-windows.sh, which takes the release build's artwork and
# sounds). Installs any missing Debian packages first. Exits non-zero when
# anything fails; the test runner's summary closes the output.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

jobs=$(nproc)

echo "== release build =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Windows build, played under Wine =="
./scripts/test-windows.sh

echo "== sanitizer build (address, undefined) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON \
    -DQUORVANE_BENCH=OFF
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"
