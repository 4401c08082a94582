#!/usr/bin/env bash
# Builds Quorvane and starts it. Installs any missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target quorvane quorvane_headless_runner

# The game reads its sounds from "Wave\..." beside it, so it runs from there.
cd build/app
echo "Quorvane has no window of its own yet: playing a scripted tour headless,"
echo "with screenshots written to build/app/tour/."
mkdir -p tour
exec ./quorvane_headless_runner --out tour --log tour/run.log ../../scripts/scenarios/demo.txt
