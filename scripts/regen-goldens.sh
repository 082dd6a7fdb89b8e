#!/usr/bin/env bash
# Re-records the golden games in tests/e2e/goldens on purpose, from the recipes below, and writes
# each one's expected report. Never run by the tests: a golden that changes means the game plays
# differently, and the commit must say why.
# Usage: scripts/regen-goldens.sh [BUILD_DIR] [NAME...]   (default build/, every golden)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
[ $# -gt 0 ] && shift
goldens=$root/tests/e2e/goldens
# name | record files (FILE=VALUE ...) | menu script (tests/e2e/goldens/menus/NAME.input or -) | options
recipes=(
  "autopilot_loop1|| - |--autoplay --frames 30000"
  "bunny_falls|score.dat=240| played_game |"
  "stage_select_2|start.dat=2| select_stage |--autoplay --frames 8000"
  "stage_select_3|start.dat=3| select_stage |--autoplay --frames 8000"
  "stage_select_4|start.dat=4| select_stage |--autoplay --frames 12000"
  "stage_600|start.dat=600 score.dat=99999000| select_stage |--autoplay --frames 6000"
  "last_ship|start.dat=600| last_ship |--frames 1500"
)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/velmoran" "$work/velmoran"
ln -s "$build/data" "$work/data"
for recipe in "${recipes[@]}"; do
  IFS='|' read -r name records menu options <<<"$recipe"
  menu=$(echo "$menu" | tr -d ' ')
  if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$name"; then continue; fi
  rm -rf "$work/Option" "$work/ScreenShots"; mkdir -p "$work/Option" "$work/ScreenShots"
  input=()
  script=
  if [ "$menu" = played_game ]; then script=$root/tests/e2e/played_game.input
  elif [ "$menu" != - ]; then script=$goldens/menus/$menu.input; fi
  if [ -n "$script" ]; then
    # A script plays from the records its own record lines give (version 2), never the folder's.
    { echo "velmoran-input 2"
      for r in $records; do echo "record ${r%%=*} ${r#*=}"; done
      tail -n +2 "$script"; } > "$work/menu.input"
    input=(--input "$work/menu.input")
  else
    for r in $records; do printf '%s\r\n' "${r#*=}" > "$work/Option/${r%%=*}"; done
  fi
  # shellcheck disable=SC2086
  "$work/velmoran" --headless --nosound "${input[@]}" --record "$goldens/$name.rec" $options >"$work/out" || { cat "$work/out"; exit 1; }
  "$work/velmoran" --verify "$goldens/$name.rec" > "$goldens/$name.expect"
  echo "$name: $(grep -E '^(frames|stage|score|lives|digest) ' "$goldens/$name.expect" | tr '\n' ' ')"
done
