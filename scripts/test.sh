#!/usr/bin/env bash
# Builds everything and runs the whole test suite: every CTest test, the fuzz targets briefly, then
# the unit and end-to-end tests again built with AddressSanitizer and UndefinedBehaviorSanitizer
# (a second build folder beside the first, reusing its generated data), stopping at the first error.
# Last, the WebAssembly build replays every golden game under node, and the page plays in headless
# chromium against the native program (tests/web/run.sh).
# FUZZ_SECONDS sets how long each fuzz target runs (default 20; 0 skips fuzzing); SANITIZE=0 skips
# the sanitizer run; WEB=0 skips the web build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORAN_BUILD_DIR:-$root/build}
asan=${VELMORAN_ASAN_BUILD_DIR:-$build-asan}
export VELMORAN_BUILD_DIR=$build
status=0
step() { echo "== $* ($(date -u +%H:%M:%S))"; }

step "build"
"$root/scripts/build.sh" test
step "tests"
(cd "$build" && ctest --output-on-failure -j"$(nproc)" --timeout 600) || status=1

step "fuzzing"
"$root/scripts/fuzz.sh" "${FUZZ_SECONDS:-20}" || status=1

if [ "${SANITIZE:-1}" != 0 ]; then
  step "sanitizer build"
  if [ ! -f "$asan/build.ninja" ]; then
    # -O1 builds quicker than -O2 and keeps asserts on; no benchmarks, no data generator.
    cmake -S "$root" --preset asan -B "$asan" -DVELMORAN_DATA_DIR="$build/data" >/dev/null
  else
    cmake "$asan" >/dev/null  # a checkout that changed what is built
  fi
  # The score server too, where it is built: it takes requests from strangers.
  server_targets=
  if grep -q '^VELMORAN_SERVER_BUILT:INTERNAL=1' "$asan/CMakeCache.txt"; then
    server_targets="velmoran_server_tests velmoran-scores"
  fi
  cmake --build "$asan" --target velmoran_tests velmoran velmoran-archive fuzz_replay $server_targets -- -j"$(nproc)"
  step "tests under the sanitizers"
  # Any report ends the program with 86, which no test expects; leaks count as errors.
  export ASAN_OPTIONS=halt_on_error=1:exitcode=86:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1
  export UBSAN_OPTIONS=halt_on_error=1:exitcode=86:print_stacktrace=1
  # Unit and end-to-end tests only: the window tests need a display server whose own libraries the
  # leak checker would blame, the install test installs the whole ordinary build, and the gcc/clang
  # exactness check belongs to the ordinary build.
  (cd "$asan" && ctest --output-on-failure -j"$(nproc)" --timeout 900 -E '^(window|install|exactness)\.') || status=1
fi
if [ "${WEB:-1}" != 0 ]; then
  step "web build"
  # Debian's emscripten, node and chromium; the libraries are built once into ~/.cache/velmoran-web-libs.
  if "$root/scripts/install-deps.sh" web && "$root/scripts/build-web.sh"; then
    step "web tests"
    "$root/tests/web/run.sh" || status=1
  else
    status=1
  fi
fi
step "done: $([ $status = 0 ] && echo passed || echo FAILED)"
exit $status
