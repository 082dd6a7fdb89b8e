#!/usr/bin/env bash
# Builds the page (scripts/build-web.sh) and serves it on http://127.0.0.1:PORT/ (default 8080) with
# the headers that give it threads; open that address in Chromium or Firefox. Ctrl+C stops it.
# Usage: scripts/serve-web.sh [PORT]   (NOBUILD=1 serves what is built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
page=${VELMORAN_PAGE_BUILD_DIR:-$root/build-page}
[ "${NOBUILD:-0}" = 1 ] || { "$root/scripts/install-deps.sh" web && "$root/scripts/build-web.sh"; }
[ -f "$page/game.js" ] || { echo "serve-web: no $page/game.js (scripts/build-web.sh builds it)" >&2; exit 1; }
exec python3 "$root/platform/web/serve.py" "$page" --port "${1:-8080}"
