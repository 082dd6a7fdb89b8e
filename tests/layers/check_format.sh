#!/usr/bin/env bash
# Fails on a C or C++ file of the project that .clang-format would lay out differently.
# Usage: check_format.sh [source root]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"
format=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$format" ] || { echo "clang-format is not installed (scripts/install-deps.sh test installs it)"; exit 1; }
if [ -d .git ] || git rev-parse --git-dir >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' '*.c')
else
    mapfile -t files < <(find app engine game platform tools tests bench fuzz -name '*.cpp' -o -name '*.h' -o -name '*.c')
fi
# Files of the project that are no longer there (deleted, not yet committed) are passed over.
present=()
for f in "${files[@]}"; do [ -f "$f" ] && present+=("$f"); done
if ! out=$("$format" --dry-run --Werror "${present[@]}" 2>&1); then
    grep -E '^[^ ].*: error' <<<"$out" | sed 's/:[0-9]*:[0-9]*: error:.*//' | sort -u | sed 's/^/not in the house format: /'
    echo "run: $format -i FILE"
    exit 1
fi
echo "format: ${#present[@]} files in the house format"
