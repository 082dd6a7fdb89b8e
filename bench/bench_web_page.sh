#!/usr/bin/env bash
# The page's figures: the bytes a browser downloads (each file plain and gzip -9, as a server that
# compresses would send it; goal: under 8 MB together) and the time from opening the page to the
# title's first frame in headless chromium (START clicked as soon as it is enabled), the median of
# RUNS loads (default 3), each in a fresh profile.
# Usage: bench/bench_web_page.sh   (after scripts/build-web.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
page=${VELMORAN_PAGE_BUILD_DIR:-$root/build-page}
runs=${RUNS:-3}
[ -f "$page/game.js" ] || { echo "bench_web_page: no $page/game.js (scripts/build-web.sh builds it)" >&2; exit 1; }

total=0 total_gz=0
for f in index.html page.js page.css game.js game.worker.js game.wasm game.data; do
  plain=$(stat -c %s "$page/$f")
  gz=$(gzip -9 -c "$page/$f" | wc -c)
  total=$((total + plain)) total_gz=$((total_gz + gz))
  printf 'bench_web_page: %-15s %10d bytes, %10d gzip\n' "$f" "$plain" "$gz"
done
printf 'bench_web_page: %-15s %10d bytes, %10d gzip (%s of the 8 MB goal)\n' total "$total" "$total_gz" \
  "$(awk -v g="$total_gz" 'BEGIN { printf "%d%%", g * 100 / 8000000 }')"

# Where game.data's bytes are: each folder of the data as packed for the page (page-data/, beside the
# program), gzip -9 of its files one after another, as they lie in game.data.
if [ -d "$page/page-data" ]; then
  (cd "$page/page-data" && for d in $(find . -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | sort) .; do
    if [ "$d" = . ]; then files=$(find . -maxdepth 1 -type f | sort); name='(top)'; else files=$(find "$d" -type f | sort); name=$d/; fi
    # shellcheck disable=SC2086
    printf 'bench_web_page:   game.data %-10s %10d bytes, %10d gzip\n' "$name" "$(cat $files | wc -c)" "$(cat $files | gzip -9 | wc -c)"
  done)
fi

log=$(mktemp)
python3 "$root/platform/web/serve.py" "$page" --port 0 >"$log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -f "$log"' EXIT
for _ in $(seq 100); do grep -q '^serving' "$log" && break; sleep 0.1; done
base=$(sed -n 's/^serving //p' "$log")
ready=() first=()
for _ in $(seq "$runs"); do
  out=$(node "$root/tests/web/page_driver.js" "$base/index.html" --wait VELMORAN-FIRST-FRAME --timeout 60000)
  ready+=("$(sed -n 's/^page test: START ready \([0-9]*\) ms.*/\1/p' <<<"$out")")
  first+=("$(sed -n 's/^console: VELMORAN-FIRST-FRAME \([0-9]*\) ms/\1/p' <<<"$out")")
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
echo "bench_web_page: load to START enabled: $(median "${ready[@]}") ms, load to the title's first frame: $(median "${first[@]}") ms (median of $runs, $(chromium --version 2>/dev/null | head -n1))"
