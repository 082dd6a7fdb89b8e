#!/usr/bin/env bash
# Builds the WebAssembly program with Debian's emscripten into build-web/ (VELMORAN_WEB_BUILD_DIR):
# for now the headless program velmoran.js, run under node (tests/web/verify-goldens.sh). The
# libraries come from scripts/build-web-libs.sh (built once, then cached); the data is the native
# build's (VELMORAN_DATA_DIR, default build/data), since the data generator is a native tool.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORAN_WEB_BUILD_DIR:-$root/build-web}
data=${VELMORAN_DATA_DIR:-${VELMORAN_BUILD_DIR:-$root/build}/data}
# Debian's emcc finds its optimiser's acorn there, beside a node that is not Debian's.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs

libs=$("$root/scripts/build-web-libs.sh" | tail -n1)
if [ ! -f "$build/build.ninja" ] || ! grep -q "^VELMORAN_WEB_LIBS:PATH=$libs\$" "$build/CMakeCache.txt"; then
  emcmake cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORAN_TESTS=OFF \
    -DVELMORAN_BENCH=OFF -DVELMORAN_SERVER=OFF -DVELMORAN_WEB_LIBS="$libs" -DVELMORAN_DATA_DIR="$data" >/dev/null
fi
cmake --build "$build" --target velmoran -- -j"${JOBS:-$(nproc)}"
