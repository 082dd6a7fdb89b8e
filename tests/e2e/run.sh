#!/usr/bin/env bash
# Plays one input script headless and checks its expectations: "# expect-exit: N" (the exit code) and
# "#= LINE" (a line that the run's --summary must contain). "# repeat: yes" plays it a second time
# and checks that both runs passed through the same state digest on every frame. "# args: ..." adds
# options. A script's records are its "record" lines: a replay never reads the folder's. "# mapN: empty W H",
# "# mapN: damaged" or "# mapN: missing" replaces stage map N (1..4, one line each); "# expect-stderr: TEXT"
# wants TEXT in what the run printed. Each run has a folder of its own (a copy of the program beside the
# data).
set -u
exe=$1 script=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/velmoran"
data=$(cd "$(dirname "$exe")" && pwd)/data
maps=$(sed -n 's/^# map\([1-4]\): */\1 /p' "$script")
if [ -z "$maps" ]; then
  ln -s "$data" "$work/data"
else
  # The generated data, linked entry by entry, with the maps of the script's making.
  mkdir -p "$work/data/map"
  for entry in "$data"/*; do [ "$(basename "$entry")" = map ] || ln -s "$entry" "$work/data/"; done
  for entry in "$data"/map/*; do
    n=$(basename "$entry" .fmf); n=${n#map}
    grep -q "^$n " <<<"$maps" || ln -s "$entry" "$work/data/map/"
  done
  le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
  while read -r n kind w h; do
    file=$work/data/map/map$n.fmf
    case $kind in
      empty)
        # shellcheck disable=SC2059
        { printf "FMF_$(le32 $((w * h * 4)))$(le32 "$w")$(le32 "$h")\\x20\\x20\\x04\\x08"; head -c $((w * h * 4)) /dev/zero; } > "$file" ;;
      damaged) printf 'FMF_\377\377\377\377 not a map' > "$file" ;;
      missing) ;;
      *) echo "unknown map$n directive: $kind"; exit 1 ;;
    esac
  done <<<"$maps"
fi
mkdir -p "$work/Option" "$work/ScreenShots"
exe="$work/velmoran"
want_exit=$(sed -n 's/^# expect-exit: *//p' "$script" | head -n1)
extra=$(sed -n 's/^# args: *//p' "$script" | head -n1)
# shellcheck disable=SC2086
"$exe" --headless --nosound --input "$script" --summary "$work/summary" --digest "$work/digest" $extra >"$work/out" 2>&1
got=$?
status=0
if [ -n "$want_exit" ] && [ "$got" != "$want_exit" ]; then
  echo "exit code $got, expected $want_exit"; cat "$work/out"; status=1
fi
while IFS= read -r text; do
  grep -q -F -- "$text" "$work/out" || { echo "stderr lacks: $text"; cat "$work/out"; status=1; }
done < <(sed -n 's/^# expect-stderr: *//p' "$script")
sed -n 's/^#= //p' "$script" > "$work/want"
if [ -s "$work/want" ]; then
  if ! grep -F -x -f "$work/want" "$work/summary" > "$work/hit" || [ "$(wc -l < "$work/hit")" != "$(wc -l < "$work/want")" ]; then
    echo "summary differs; expected lines:"; cat "$work/want"; echo "got:"; cat "$work/summary" 2>/dev/null; status=1
  fi
fi
if grep -q '^# repeat: yes' "$script"; then
  "$exe" --headless --nosound --input "$script" --digest "$work/digest2" $extra >/dev/null 2>&1
  if ! cmp -s "$work/digest" "$work/digest2"; then
    echo "the second run differs; first differing frame:"; diff "$work/digest" "$work/digest2" | head -n 3; status=1
  fi
fi
exit $status
