#!/usr/bin/env bash
# A fuzzing campaign: every target for SECONDS (default 3600), its grown corpus kept outside the
# repository (VELMORAN_FUZZ_CORPUS, default ~/.cache/velmoran-fuzz-corpus) so the next campaign goes
# on from it; a crash is minimised into tests/regressions/<target>/ (replayed by the unit tests from
# then on) and the target goes on fuzzing. Ends with a table of executions, coverage and findings.
# Usage: nice -n 19 scripts/fuzz-campaign.sh SECONDS [TARGET]
# VELMORAN_FUZZ_RUNS=N stops each target after N executions, if that comes before SECONDS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export VELMORAN_FUZZ_CORPUS=${VELMORAN_FUZZ_CORPUS:-${XDG_CACHE_HOME:-$HOME/.cache}/velmoran-fuzz-corpus}
export VELMORAN_FUZZ_KEEP_GOING=1
exec "$root/scripts/fuzz.sh" "${1:-3600}" "${2:-}"
