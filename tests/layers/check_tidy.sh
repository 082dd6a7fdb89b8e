#!/usr/bin/env bash
# Fails on a clang-tidy finding (.clang-tidy: the house's names and the bugprone checks) in the
# program's own code: app/, engine/, game/ and platform/.
# Usage: check_tidy.sh BUILD_DIR [source root]   (BUILD_DIR holds compile_commands.json)
set -euo pipefail
build=$1
root=${2:-$(cd "$(dirname "$0")/../.." && pwd)}
tidy=$(command -v run-clang-tidy-14 || command -v run-clang-tidy || true)
[ -n "$tidy" ] || { echo "clang-tidy is not installed (scripts/install-deps.sh test installs it)"; exit 1; }
[ -f "$build/compile_commands.json" ] || { echo "no compile_commands.json in $build"; exit 1; }
out=$("$tidy" -p "$build" -quiet -j "$(nproc)" "^$root/(app|engine|game|platform)/.*\.cpp\$" 2>&1) ||
    { echo "$out" | tail -n 20; exit 1; }
findings=$(sed 's/\x1b\[[0-9;]*m//g' <<<"$out" | grep -E '^/.*: (warning|error):' | sort -u || true)
if [ -n "$findings" ]; then
    echo "$findings"
    exit 1
fi
echo "tidy: no findings in app/, engine/, game/ and platform/"
