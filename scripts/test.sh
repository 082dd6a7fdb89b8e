#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the fuzz targets briefly, then every CTest test.
# FUZZ_SECONDS sets how long each fuzz target runs (default 20; 0 skips fuzzing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORAN_BUILD_DIR:-$root/build}
export VELMORAN_BUILD_DIR=$build
"$root/scripts/build.sh" test

"$root/scripts/fuzz.sh" "${FUZZ_SECONDS:-20}"

cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
