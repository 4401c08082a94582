#!/usr/bin/env bash
# Builds Quorvane and starts it. Installs any missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target quorvane
exec build/app/quorvane "$@"
