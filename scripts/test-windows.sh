#!/usr/bin/env bash
# Builds the Windows distributable and plays it under Wine in Xvfb:
# title, Z to start play, the play screen with its HUD, Escape, exit code 0.
# Screenshots and logs go to build-windows/wine-test/.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/build-windows.sh
tests/e2e/wine_test.sh build-windows/quorvane-windows-x64.zip build-windows/wine-test
