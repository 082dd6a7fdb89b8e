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
configure() {  # FOLDER [PAGE_MUSIC]
  if [ ! -f "$1/build.ninja" ] || ! grep -q "^VELMORAN_WEB_LIBS:PATH=$libs\$" "$1/CMakeCache.txt" ||
     ! grep -q "^VELMORAN_PAGE_MUSIC:[A-Z]*=${2:-}\$" "$1/CMakeCache.txt"; then
    emcmake cmake -S "$root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORAN_TESTS=OFF \
      -DVELMORAN_BENCH=OFF -DVELMORAN_SERVER=OFF -DVELMORAN_WEB_LIBS="$libs" -DVELMORAN_DATA_DIR="$data" \
      -DVELMORAN_PAGE_MUSIC="${2:-}" >/dev/null
  fi
}
configure "$build"
cmake --build "$build" --target velmoran -- -j"${JOBS:-$(nproc)}"
if [ "${PAGE:-1}" != 0 ]; then
  # The page's music at a lower Vorbis quality than the game's (0.1 against 0.3): 1.3 MB less to
  # download, and no game rule reads the music. Made by the native data generator where it was built
  # (a build on generated data has none: the page then takes the game's music).
  music=$page/page-music
  generator=${VELMORAN_BUILD_DIR:-$root/build}/velmoran-datagen
  if [ -x "$generator" ]; then
    made=$(mktemp -d)
    trap 'rm -rf "$made"' EXIT
    "$generator" --music-only 0.1 --out "$made" >/dev/null
    # Replaced only when it changed, so that the page's data is packed again only then.
    if ! diff -rq "$made/music" "$music/music" >/dev/null 2>&1; then
      rm -rf "$music" && mkdir -p "$music" && mv "$made/music" "$music/" && touch "$music/.stamp"
    fi
  else
    music=
  fi
  configure "$page" "$music"
  cmake --build "$page" --target velmoran_page -- -j"${JOBS:-$(nproc)}"
fi
