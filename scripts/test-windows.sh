#!/usr/bin/env bash
# Builds the Windows distributable and plays it under Wine in Xvfb:
# title, Z to start play, the play screen with its HUD, Escape, exit code 0;
# and checks that our stand-in declares the game's Windows API names as the
# SDK does.
# Screenshots and logs go to build-windows/wine-test/.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/build-windows.sh
# The stand-in's declarations, listed natively, for the test to compare with
# the SDK's.
cmake --build build --target winapi_values
build/tests/windows/winapi_values >build-windows/winapi_values.stand-in.txt
tests/e2e/wine_test.sh build-windows/quorvane-windows-x64.zip build-windows/wine-test \
    build-windows/windows/winapi_values.exe build-windows/winapi_values.stand-in.txt
