#!/usr/bin/env bash
# Builds zlib, libpng, libogg and libvorbis from Debian's own source packages with the fuzzer's coverage and
# AddressSanitizer, so that the fuzz targets see inside the decoders, not only our wrappers. Static
# libraries go to a cache outside the source tree (default ~/.cache/velmoran-fuzz-libs); a second run
# with the same source versions does nothing. Prints the install prefix on its last line.
# The ordinary build keeps the system's libraries.
set -euo pipefail
cache=${VELMORAN_FUZZ_LIBS:-${XDG_CACHE_HOME:-$HOME/.cache}/velmoran-fuzz-libs}
cc=${CC:-$(command -v clang-14 || command -v clang)}
flags="-O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address"
# In build order: libvorbis needs libogg, libpng needs zlib (instrumented too, since a PNG's image
# data is all inflate).
packages=(zlib libogg libvorbis libpng1.6)
jobs=${JOBS:-$(nproc)}

if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null 2>&1; then SUDO=sudo; else SUDO=; fi

me=build-fuzz-libs
# shellcheck source=scripts/debian-sources.sh
source "$(dirname "$0")/debian-sources.sh"
enable_debian_sources

cache_folder "$cache" "$cc" "$flags" "${packages[@]}"
if [ -f "$cache/$key/done" ]; then echo "$prefix"; exit 0; fi

mkdir -p "$work" "$prefix"
echo "build-fuzz-libs: building $(echo $versions) into $prefix" >&2
export CC=$cc CFLAGS="$flags" CPPFLAGS="-I$prefix/include" LDFLAGS="-fsanitize=address -L$prefix/lib"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
for p in "${packages[@]}"; do
  [ -f "$work/$p.done" ] && continue
  dir=$work/$p
  fetched=$(fetch_source "$p" "$dir") || exit 1
  src=$(find "$dir" -maxdepth 1 -mindepth 1 -type d | head -n1)
  log=$work/$p.build.log
  # zlib has its own configure script, with its own options.
  if [ "$p" = zlib ]; then options=(--static); else
    options=(--disable-shared --enable-static --with-pic --with-ogg="$prefix"); fi
  (cd "$src" &&
    ./configure --prefix="$prefix" "${options[@]}" >"$log" 2>&1 &&
    make -j"$jobs" >>"$log" 2>&1 && make install >>"$log" 2>&1) ||
    { echo "build-fuzz-libs: building $p failed (log: $log):" >&2; tail -n 30 "$log" >&2; exit 1; }
  echo "$p=$fetched" >"$work/$p.done"
done
cat "$work"/*.done >"$cache/$key/done"
echo "$prefix"
