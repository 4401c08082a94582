#!/usr/bin/env bash
# Builds Quorvane and runs every test twice: in the release build, and in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer. Installs any
# missing Debian packages first. Then builds the Windows executable and plays
# it under Wine (scripts/test-windows.sh). Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

jobs=$(nproc)

echo "== release build =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitizer build (address, undefined) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON \
    -DQUORVANE_BENCH=OFF
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== Windows build, played under Wine =="
./scripts/test-windows.sh
