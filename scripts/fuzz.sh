#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer), linked
# against zlib, libpng, libogg and libvorbis built with coverage (scripts/build-fuzz-libs.sh), and runs each
# target for SECONDS (default 20), as many at once as there are cores. Prints executions, coverage and
# findings per target; exits non-zero on a finding or on a target without seeds in fuzz/seeds/<target>/.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET]      e.g. scripts/fuzz.sh 600 fuzz_bmp
# The grown corpora stay in VELMORAN_FUZZ_CORPUS (default build-fuzz/corpus). For long hunts that
# keep going after a crash and minimise it into tests/regressions/, use scripts/fuzz-campaign.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
only=${2:-}
[ "$seconds" = 0 ] && { echo "fuzzing skipped"; exit 0; }
fbuild=${VELMORAN_FUZZ_BUILD_DIR:-$root/build-fuzz}
corpora=${VELMORAN_FUZZ_CORPUS:-$fbuild/corpus}
keep_going=${VELMORAN_FUZZ_KEEP_GOING:-0}  # 1: minimise a crash into tests/regressions/ and go on
jobs=${VELMORAN_FUZZ_JOBS:-$(nproc)}
# One input may take this many seconds: the largest pictures take about one on a busy shared machine
# with coverage and the sanitizers, so only a real hang gets near it.
timeout=${VELMORAN_FUZZ_TIMEOUT:-25}
# A campaign may also stop a target once it has run this many inputs (0: only the time counts).
runs=${VELMORAN_FUZZ_RUNS:-0}

targets=()
for src in "$root"/fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  [ -n "$only" ] && [ "$only" != "$name" ] && continue
  targets+=("$name")
done
[ ${#targets[@]} -gt 0 ] || { echo "fuzz: no target ${only:-in fuzz/}" >&2; exit 1; }
missing=0
for name in "${targets[@]}"; do
  [ -n "$(ls -A "$root/fuzz/seeds/$name" 2>/dev/null)" ] ||
    { echo "fuzz: $name has no seeds: add a few small inputs to fuzz/seeds/$name/" >&2; missing=1; }
done
[ $missing = 0 ] || exit 1

prefix=$("$root/scripts/build-fuzz-libs.sh" | tail -n1)
if [ ! -f "$fbuild/build.ninja" ] || ! grep -qx "VELMORAN_FUZZ_LIBS:PATH=$prefix" "$fbuild/CMakeCache.txt"; then
  # --fresh: libraries found under an earlier prefix stay in the cache otherwise.
  # The "fuzz" preset, with the clang whose libFuzzer scripts/install-deps.sh installs (clang-14 on
  # Debian 12), or the default clang where there is no versioned one.
  cc=$(command -v clang-14 || command -v clang) cxx=$(command -v clang++-14 || command -v clang++)
  CC=$cc CXX=$cxx cmake --fresh -S "$root" --preset fuzz -B "$fbuild" -DVELMORAN_FUZZ_LIBS="$prefix" >/dev/null
fi
cmake --build "$fbuild" --target "${targets[@]}" -- -j"$(nproc)" >"$fbuild/build.log" 2>&1 ||
  { tail -n 40 "$fbuild/build.log"; exit 1; }
# The map and record readers take file names: their scratch files go to memory where there is some.
[ -w /dev/shm ] && export TMPDIR=${VELMORAN_FUZZ_TMPDIR:-/dev/shm}
# A small quarantine keeps the sanitizer's memory near what the decoders really use.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

# Runs one target for the whole time; writes "name execs cov features corpus findings" to $results.
run_target() {
  local name=$1 bin=$fbuild/fuzz/$1 corpus=$corpora/$1 art=$fbuild/artifacts/$1
  local seeds=("$root/fuzz/seeds/$name") log=$fbuild/$name.log
  [ -d "$root/tests/regressions/$name" ] && seeds+=("$root/tests/regressions/$name")
  mkdir -p "$corpus" "$art"
  # fuzz/<target>.options: libFuzzer flags of its own, one per line.
  local extra=()
  [ -f "$root/fuzz/$name.options" ] && mapfile -t extra < <(grep -v '^#' "$root/fuzz/$name.options")
  : >"$log"
  local start execs=0 findings=0 left=$seconds rc
  start=$(date +%s)
  while [ "$left" -gt 0 ]; do
    rc=0
    local limit=()
    if [ "$runs" -gt 0 ]; then
      [ "$execs" -ge "$runs" ] && break
      limit=(-runs=$((runs - execs)))
    fi
    "$bin" "${limit[@]}" "${extra[@]}" -max_total_time="$left" -print_final_stats=1 -timeout="$timeout" -rss_limit_mb=2048 -malloc_limit_mb=1024 \
      -artifact_prefix="$art/" "$corpus" "${seeds[@]}" >>"$log" 2>&1 || rc=$?
    execs=$((execs + $(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -n1 | grep -o '[0-9]*$' || echo 0)))
    [ $rc = 0 ] && break
    findings=$((findings + 1))
    local found
    found=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n1)
    if [ "$keep_going" != 1 ] || [ -z "$found" ] || [ $findings -ge 5 ]; then break; fi
    # Smallest input that still fails the same way, kept in the repository as a regression file.
    local out
    out=$root/tests/regressions/$name/$(basename "$found")
    mkdir -p "$(dirname "$out")"
    "$bin" -minimize_crash=1 -max_total_time=60 -exact_artifact_path="$out" "$found" >>"$log.minimise" 2>&1 || true
    [ -f "$out" ] || cp "$found" "$out"
    echo "fuzz $name: finding kept as ${out#"$root"/}" >&2
    left=$((seconds - ($(date +%s) - start)))
  done
  local cov ft
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n1 | grep -o '[0-9]*' || echo 0)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n1 | grep -o '[0-9]*' || echo 0)
  echo "$name $execs ${cov:-0} ${ft:-0} $(ls "$corpus" | wc -l) $findings" >"$results/$name"
}

running=0
for name in "${targets[@]}"; do
  if [ $running -ge "$jobs" ]; then wait -n || true; running=$((running - 1)); fi
  run_target "$name" &
  running=$((running + 1))
done
wait

status=0
printf '%-20s %12s %8s %9s %8s %9s\n' target executions coverage features corpus findings
for name in "${targets[@]}"; do
  read -r n execs cov ft size findings <"$results/$name"
  printf '%-20s %12s %8s %9s %8s %9s\n' "$n" "$execs" "$cov" "$ft" "$size" "$findings"
  if [ "$findings" != 0 ]; then
    status=1
    echo "--- $name: the end of its log ($fbuild/$name.log); artifacts in $fbuild/artifacts/$name/"
    grep -v '^#[0-9]' "$fbuild/$name.log" | tail -n 40
  fi
done
echo "fuzz: ${seconds}s per target"
exit $status
