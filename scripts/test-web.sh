#!/usr/bin/env bash
# Builds the web build (scripts/build-web.sh) and plays it in headless
# Chromium (tests/e2e/web_test.mjs): the title against the release build's
# headless frame, play, tabs, sound, and a MIDI segment. Needs the release
# build in build/ (for its headless runner). Screenshots stay in
# build-web/e2e.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/build-web.sh
cmake --build build --target quorvane_headless_runner
node tests/e2e/web_test.mjs build-web/site build-web/web build/app/quorvane_headless_runner \
    build-web/e2e
