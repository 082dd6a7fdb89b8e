#!/usr/bin/env bash
# Builds the WebAssembly programs with Debian's emscripten: the headless program velmoran.js, run
# under node (tests/web/run.sh), into build-web/ (VELMORAN_WEB_BUILD_DIR), and the page (index.html,
# game.js, game.wasm, game.data; scripts/serve-web.sh serves it) into build-page/
# (VELMORAN_PAGE_BUILD_DIR; PAGE=0 skips it). The
# libraries come from scripts/build-web-libs.sh (built once, then cached); the data is the native
# build's (VELMORAN_DATA_DIR, default build/data), since the data generator is a native tool.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORAN_WEB_BUILD_DIR:-$root/build-web}
data=${VELMORAN_DATA_DIR:-${VELMORAN_BUILD_DIR:-$root/build}/data}
# Debian's emcc finds its optimiser's acorn there, beside a node that is not Debian's.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs

page=${VELMORAN_PAGE_BUILD_DIR:-$root/build-page}

libs=$("$root/scripts/build-web-libs.sh" | tail -n1)
configure() {  # FOLDER
  if [ ! -f "$1/build.ninja" ] || ! grep -q "^VELMORAN_WEB_LIBS:PATH=$libs\$" "$1/CMakeCache.txt"; then
    emcmake cmake -S "$root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORAN_TESTS=OFF \
      -DVELMORAN_BENCH=OFF -DVELMORAN_SERVER=OFF -DVELMORAN_WEB_LIBS="$libs" -DVELMORAN_DATA_DIR="$data" >/dev/null
  fi
}
configure "$build"
cmake --build "$build" --target velmoran -- -j"${JOBS:-$(nproc)}"
if [ "${PAGE:-1}" != 0 ]; then
  configure "$page"
  cmake --build "$page" --target velmoran_page -- -j"${JOBS:-$(nproc)}"
fi
