#!/usr/bin/env bash
# Exactness across machines: builds the game for 64-bit ARM with Debian's cross compiler and verifies
# every golden game under qemu-user. Installs what it needs first (arm64 libraries via multiarch).
# Slow; not part of the test command. Usage: scripts/arm64-check.sh [BUILD_DIR]  (data, default build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
[ -d "$build" ] && build=$(cd "$build" && pwd)  # the data link below needs an absolute path
"$root/scripts/install-deps.sh" arm64
dir=$root/build-arm64
[ -d "$build/data" ] || { echo "arm64-check: $build/data is missing; build the game first" >&2; exit 2; }
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_SYSTEM_NAME=Linux \
  -DCMAKE_SYSTEM_PROCESSOR=aarch64 -DCMAKE_C_COMPILER=aarch64-linux-gnu-gcc \
  -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++ -DPKG_CONFIG_EXECUTABLE=/usr/bin/aarch64-linux-gnu-pkg-config \
  -DCMAKE_FIND_ROOT_PATH=/usr/aarch64-linux-gnu -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
  -DVELMORAN_TESTS=OFF -DVELMORAN_BENCH=OFF >/dev/null
nice cmake --build "$dir" -j2 --target velmoran >"$dir/build.log" || { cat "$dir/build.log"; exit 1; }
ln -sfn "$build/data" "$dir/data"
# qemu-user runs the program, named explicitly: binfmt registration is often missing (containers).
printf '#!/bin/sh\nexec qemu-aarch64 "%s" "$@"\n' "$dir/velmoran" > "$dir/velmoran-qemu"
chmod +x "$dir/velmoran-qemu"
status=0
for rec in "$root"/tests/e2e/goldens/*.rec; do
  start=$(date +%s)
  if bash "$root/tests/e2e/verify.sh" "$dir/velmoran-qemu" "$rec" >"$dir/verify.log" 2>&1; then
    echo "arm64 $(basename "$rec"): same report and digests ($(($(date +%s) - start)) s)"
  else
    echo "arm64 $(basename "$rec"): DIFFERS"; cat "$dir/verify.log"; status=1
  fi
done
exit $status
