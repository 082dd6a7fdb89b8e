#!/usr/bin/env bash
# Builds everything that is missing and starts the game. Options pass through (try --help).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" play
exec "${VELMORAN_BUILD_DIR:-$root/build}/velmoran" "$@"
