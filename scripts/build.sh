#!/usr/bin/env bash
# Installs what is missing, configures and builds: the game, its data and tools; with "test" also
# the tests and benchmarks. Usage: scripts/build.sh [play|test]   Build folder: build/ (or VELMORAN_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORAN_BUILD_DIR:-$root/build}
mode=${1:-play}
"$root/scripts/install-deps.sh" "$mode"
# The configurations are CMakePresets.json's: "play", and "test" (with the tests and benchmarks, and
# warnings as errors: a warning is a finding like any other).
preset=play; [ "$mode" = test ] && preset=test
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" --preset $preset -B "$build" >/dev/null
elif [ "$mode" = test ] && ! grep -q '^VELMORAN_WERROR:BOOL=ON' "$build/CMakeCache.txt"; then
  cmake -S "$root" --preset test -B "$build" >/dev/null
fi
cmake --build "$build" -- -j"$(nproc)"
