#!/usr/bin/env bash
# Builds zlib, libpng, libogg, libvorbis and SDL2 for WebAssembly with Debian's emscripten, from
# Debian's own source packages (emscripten's ports download their sources at build time, which our
# machines cannot). Static libraries go to a cache outside the source tree (default
# ~/.cache/velmoran-web-libs); a second run with the same source versions, compiler and flags does
# nothing. Prints the install prefix on its last line.
# VELMORAN_WEB_THREADS=0 builds them without -pthread (a wasm program links only libraries built the
# same way: objects without atomics cannot go into a program with shared memory, nor the reverse).
set -euo pipefail
me=build-web-libs
cache=${VELMORAN_WEB_LIBS:-${XDG_CACHE_HOME:-$HOME/.cache}/velmoran-web-libs}
threads=${VELMORAN_WEB_THREADS:-1}
flags="-O2 -ffp-contract=off"
[ "$threads" = 1 ] && flags+=" -pthread"
# In build order: libvorbis needs libogg, libpng needs zlib.
packages=(zlib libogg libvorbis libpng1.6 libsdl2)
jobs=${JOBS:-$(nproc)}
# Debian's emcc finds its optimiser's acorn there, beside a node that is not Debian's.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs

if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null 2>&1; then SUDO=sudo; else SUDO=; fi
command -v emcc >/dev/null || { echo "$me: no emcc (scripts/install-deps.sh web installs it)" >&2; exit 1; }
# shellcheck source=scripts/debian-sources.sh
source "$(dirname "$0")/debian-sources.sh"
enable_debian_sources

compiler=$(emcc --version | head -n1)
cache_folder "$cache" "$compiler" "$flags" "${packages[@]}"
if [ -f "$cache/$key/done" ]; then echo "$prefix"; exit 0; fi

mkdir -p "$work" "$prefix"
echo "$me: building ${versions//$'\n'/ } into $prefix" >&2
export CFLAGS="$flags" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" EM_PKG_CONFIG_PATH=$prefix/lib/pkgconfig
for p in "${packages[@]}"; do
  [ -f "$work/$p.done" ] && continue
  dir=$work/$p
  fetched=$(fetch_source "$p" "$dir") || exit 1
  src=$(find "$dir" -maxdepth 1 -mindepth 1 -type d | head -n1)
  log=$work/$p.build.log
  start=$SECONDS
  case $p in
    zlib)  # its own configure script, with its own options
      build() { emconfigure ./configure --prefix="$prefix" --static && emmake make -j"$jobs" libz.a &&
                emmake make install; } ;;
    libsdl2)  # no threads of its own: the game only converts audio with it here, and a page has one thread
      build() { emcmake cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
                  -DCMAKE_C_FLAGS="$flags" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_THREADS=OFF &&
                cmake --build build -j"$jobs" && cmake --install build; } ;;
    *)  # autotools-dev's config.sub knows wasm32 (Debian's own builds take it in the same way)
      build() { find . -name config.sub -exec cp /usr/share/misc/config.sub {} \; &&
                find . -name config.guess -exec cp /usr/share/misc/config.guess {} \; &&
                emconfigure ./configure --host=wasm32-unknown-emscripten --prefix="$prefix" --disable-shared \
                  --enable-static --with-ogg="$prefix" --disable-hardware-optimizations &&
                emmake make -j"$jobs" && emmake make install; } ;;
  esac
  (cd "$src" && build) >"$log" 2>&1 ||
    { echo "$me: building $p failed (log: $log):" >&2; tail -n 30 "$log" >&2; exit 1; }
  echo "$me: $p $fetched built in $((SECONDS - start)) s" >&2
  echo "$p=$fetched" >"$work/$p.done"
done
cat "$work"/*.done >"$cache/$key/done"
echo "$prefix"
