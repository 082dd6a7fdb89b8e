#!/usr/bin/env bash
# The web build's tests: the wasm headless program replays every golden game under node and must
# report exactly what the native program does (tests/e2e/verify.sh, the same .expect files); then the
# wasm build's own atan is checked against the C library's, natively; last, the page plays in
# headless chromium and must show and compute what the native program does (tests/web/page_test.sh).
# Usage: tests/web/run.sh [BUILD_WEB]   (default build-web beside the source folder)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-${VELMORAN_WEB_BUILD_DIR:-$root/build-web}}
program=$build/velmoran.js
[ -f "$program" ] || { echo "web tests: no $program (scripts/build-web.sh builds it)" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# verify.sh runs "PROGRAM --verify FILE": the wasm program under node, with the data beside it (node's
# own path is what /proc/self/exe names there, so the program cannot find its folder by itself).
cat >"$scratch/velmoran" <<WRAP
#!/bin/sh
exec node "$program" "\$@" --data-dir "$build"
WRAP
chmod +x "$scratch/velmoran"

passed=0 failed=0
for rec in "$root"/tests/e2e/goldens/*.rec; do
  name=$(basename "$rec" .rec)
  start=$(date +%s%N)
  if out=$(bash "$root/tests/e2e/verify.sh" "$scratch/velmoran" "$rec" 2>&1); then
    passed=$((passed + 1))
    echo "web.golden.$name: passed ($((($(date +%s%N) - start) / 1000000)) ms)"
  else
    failed=$((failed + 1))
    echo "web.golden.$name: FAILED"
    echo "$out"
  fi
done

if g++ -std=c++20 -O2 -Wall -Wextra -Werror -ffp-contract=off -I"$root" "$root/tests/web/atan_check.cpp" \
  "$root/platform/web/exact_atan.cpp" -o "$scratch/atan_check" && "$scratch/atan_check"; then
  passed=$((passed + 1))
  echo "web.atan: passed"
else
  failed=$((failed + 1))
  echo "web.atan: FAILED"
fi
# The page in headless chromium against the native program (tests/web/page_test.sh); PAGE=0 skips.
if [ "${PAGE:-1}" != 0 ]; then
  if "$root/tests/web/page_test.sh" >"$scratch/page.log" 2>&1; then
    passed=$((passed + 1))
    grep '^web\.page\.' "$scratch/page.log"
  else
    failed=$((failed + 1))
    cat "$scratch/page.log"
    echo "web.page: FAILED"
  fi
fi
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
