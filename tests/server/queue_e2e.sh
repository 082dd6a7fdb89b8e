#!/usr/bin/env bash
# Two score servers on one PostgreSQL database share the verifying through its queue: both take
# submissions, each recording is verified and stored once whichever server verified it, a server
# with one verifier gets help from the other, and a server killed (-9) in the middle of a
# verification for the other's request leaves that entry to the survivor.
# Usage: queue_e2e.sh VELMORAN_SCORES VELMORAN GOLDENS_DIR   (run through with_postgres.sh)
set -u
server=$1 game=$2 goldens=$3
[ -n "${VELMORAN_TEST_POSTGRES:-}" ] || { echo "no VELMORAN_TEST_POSTGRES (run through with_postgres.sh)"; exit 1; }
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

start() {  # NAME: a server with one verifier, its own scratch folder and log
  mkdir -p "$work/scratch-$1"
  rm -f "$work/port-$1"
  "$server" --port 0 --port-file "$work/port-$1" --postgres "$VELMORAN_TEST_POSTGRES" --game "$game" \
    --scratch-dir "$work/scratch-$1" --max-body-mib 2 --verifiers 1 --verify-memory-mib "${VELMORAN_VERIFY_MEMORY_MIB:-1024}" --submissions-per-minute 0 \
    2>>"$work/log-$1" &
  eval "pid_$1=$!"
  pids+=($!)
  for _ in $(seq 1 300); do [ -s "$work/port-$1" ] && break; sleep 0.1; done
  [ -s "$work/port-$1" ] || { echo "server $1 did not start:"; cat "$work/log-$1"; exit 1; }
}
url() { echo "http://127.0.0.1:$(cat "$work/port-$1")"; }
post() {  # SERVER FILE NAME OUT: the status goes to OUT.status, the answer to OUT
  curl -s -o "$4" -w '%{http_code}' --data-binary @"$2" -H 'Content-Type: application/octet-stream' \
    --url-query "name=$3" "$(url "$1")/api/scores" > "$4.status"
}
stored() { cat "$work"/log-* | grep -c 'entry [0-9]*: '; }

start a
start b

# Six games at once, four to a and two to b: a's one verifier cannot have done all of its own.
i=0
clients=()
for name in stage_select_2 stage_select_3 stage_select_4 stage_600 last_ship bunny_falls; do
  i=$((i + 1))
  to=a
  [ $i -gt 4 ] && to=b
  post $to "$goldens/$name.rec" "p$i" "$work/answer.$i" &
  clients+=($!)
done
wait "${clients[@]}"
for n in $(seq 1 6); do
  [ "$(cat "$work/answer.$n.status")" = 201 ] || fail "submission $n: $(cat "$work/answer.$n.status") $(cat "$work/answer.$n")"
done
[ "$(stored)" = 6 ] || fail "$(stored) entries stored, not 6: $(cat "$work"/log-*)"
grep -q 'entry [0-9]*: p[1-4],' "$work/log-b" || fail "b verified none of a's submissions: $(cat "$work/log-b")"
rows=$(curl -s "$(url a)/api/scores?limit=1000" | grep -o '"id":' | wc -l)
[ "$rows" = 6 ] || fail "the table has $rows entries, not 6"
[ "$(curl -s -o /dev/null -w '%{http_code}' "$(url b)/api/scores/$(grep -o '"id":[0-9]*' "$work/answer.1" | cut -d: -f2)")" = 200 ] ||
  fail "b does not show a's entry"
# The same recording again, to the other server: already in the table.
post b "$goldens/stage_select_2.rec" again "$work/again"
[ "$(cat "$work/again.status")" = 409 ] || fail "a duplicate through b: $(cat "$work/again.status") $(cat "$work/again")"

# b's verifier busy with a long game, a second submission to b goes to a's verifier; a is killed in
# the middle of it, and b verifies it after all.
post b "$goldens/autopilot_loop1.rec" long "$work/long" &
long=$!
for _ in $(seq 1 200); do [ -n "$(ls "$work/scratch-b")" ] && break; sleep 0.01; done
# A game not in the table, played to its end before it is refused (its last digest altered): long
# enough to be killed in the middle.
last=$(grep -n ' digest ' "$goldens/stage_select_4.rec" | tail -n1 | cut -d: -f1)
sed "${last}s/digest .*/digest 0000000000000000/" "$goldens/stage_select_4.rec" > "$work/altered.rec"
post b "$work/altered.rec" cut "$work/cut" &
cut=$!
for _ in $(seq 1 300); do [ -n "$(ls "$work/scratch-a")" ] && break; sleep 0.01; done
if [ -z "$(ls "$work/scratch-a")" ]; then
  fail "a never took b's second submission"
else
  kill -9 "$pid_a"
fi
wait "$long" "$cut"
[ "$(cat "$work/long.status")" = 201 ] || fail "the long game: $(cat "$work/long.status") $(cat "$work/long")"
[ "$(cat "$work/cut.status")" = 422 ] || fail "the entry a was killed over: $(cat "$work/cut.status") $(cat "$work/cut")"
grep -q 'refused a recording from queue entry' "$work/log-b" || fail "b did not verify it: $(cat "$work/log-b")"

[ $status = 0 ] || for f in "$work"/log-*; do echo "== $f"; cat "$f"; done
exit $status
