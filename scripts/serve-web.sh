#!/usr/bin/env bash
# Serves the web build (build-web/site, made by scripts/build-web.sh) on
# http://127.0.0.1:8640/ (or the port given), with the cross-origin isolation
# headers the game's threads need. Ctrl+C stops it.
set -euo pipefail
cd "$(dirname "$0")/.."
exec node scripts/web-server.mjs build-web/site "${1:-8640}"
