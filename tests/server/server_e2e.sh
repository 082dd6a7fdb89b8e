#!/usr/bin/env bash
# The score server on 127.0.0.1 with the real game as its verifier: golden recordings accepted with
# the verifier's numbers, altered, duplicated, oversized, over-the-caps and malformed ones refused with
# the table unchanged, hostile names, the table's pages, the rate limit, and kill -9 in the middle of
# submissions losing no accepted entry.
# Usage: server_e2e.sh VELMORAN_SCORES VELMORAN GOLDENS_DIR sqlite|postgres
set -u
server=$1 game=$2 goldens=$3 backend=$4
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/scratch"
status=0
fail() { echo "FAIL: $*"; status=1; }

if [ "$backend" = postgres ]; then
  [ -n "${VELMORAN_TEST_POSTGRES:-}" ] || { echo "no VELMORAN_TEST_POSTGRES (run through with_postgres.sh)"; exit 1; }
  table=(--postgres "$VELMORAN_TEST_POSTGRES")
else
  table=(--db "$work/scores.db")
fi
start() {  # extra options
  rm -f "$work/port"
  "$server" --port 0 --port-file "$work/port" "${table[@]}" --game "$game" --scratch-dir "$work/scratch" \
    --max-body-mib 1 --verifiers 2 --verify-memory-mib "${VELMORAN_VERIFY_MEMORY_MIB:-1024}" --submissions-per-minute 1000 "$@" 2>>"$work/log" &
  pid=$!
  for _ in $(seq 1 300); do
    [ -s "$work/port" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$work/port" ] || { echo "the server did not start:"; cat "$work/log"; exit 1; }
  url=http://127.0.0.1:$(cat "$work/port")
}
stop9() { kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=; }
# post FILE NAME [OUT]: prints the HTTP status; the answer goes to OUT (default $work/answer).
post() {
  curl -s -o "${3:-$work/answer}" -w '%{http_code}' --data-binary @"$1" -H 'Content-Type: application/octet-stream' \
    --url-query "name=$2" "$url/api/scores"
}
field() { grep -o "\"$1\":[0-9]*" "${2:-$work/answer}" | head -n1 | cut -d: -f2; }
expected() { sed -n "s/^$1 //p" "$goldens/$2.expect"; }
table() { curl -s "$url/api/scores?limit=1000"; }

start

# A golden game is accepted with the numbers the verifier computed; sent as the README says, with
# curl's own content type (form-encoded), which is no reason to refuse it.
got=$(curl -s -o "$work/answer" -w '%{http_code}' --data-binary @"$goldens/bunny_falls.rec" \
  --url-query name=Ada "$url/api/scores")
[ "$got" = 201 ] || fail "bunny_falls: $got $(cat "$work/answer")"
first=$(field id)
[ "$(field score)" = "$(expected score bunny_falls)" ] || fail "score: $(cat "$work/answer")"
[ "$(field frames)" = "$(expected frames bunny_falls)" ] || fail "frames: $(cat "$work/answer")"
[ "$(field stage)" = "$(expected reachedStage bunny_falls)" ] || fail "stage: $(cat "$work/answer")"
# An SQL-shaped name within the rules is kept as written, and markup in a name is shown as text.
got=$(post "$goldens/last_ship.rec" "'; DROP TABLE scores;--")
[ "$got" = 201 ] || fail "SQL-shaped name: $got $(cat "$work/answer")"
grep -qF "\"name\":\"'; DROP TABLE scores;--\"" "$work/answer" || fail "name changed: $(cat "$work/answer")"
# A game begun from the stage select (stage 600, which the recording's own records open) scores 60
# on the screen and nothing in the table.
got=$(post "$goldens/stage_600.rec" '<b>bold</b>')
[ "$got" = 201 ] || fail "stage_600: $got $(cat "$work/answer")"
[ "$(field score)" = 0 ] || fail "a stage-select game counted: $(cat "$work/answer")"
before=$(table)

# Refused, each with a JSON error, and the table unchanged.
refused() {  # what FILE NAME STATUS TEXT
  got=$(post "$2" "$3")
  [ "$got" = "$4" ] || fail "$1: $got, not $4: $(cat "$work/answer")"
  grep -q '^{"error":' "$work/answer" || fail "$1: no JSON error: $(cat "$work/answer")"
  grep -qF "$5" "$work/answer" || fail "$1: the answer does not say \"$5\": $(cat "$work/answer")"
}
refused duplicate "$goldens/bunny_falls.rec" Bea 409 "already in the table"
{ cat "$goldens/bunny_falls.rec"; echo '# the same game with a comment'; } > "$work/commented.rec"
refused "duplicate with a comment" "$work/commented.rec" Bea 409 "already in the table"
sed 's/^300 digest .*/300 digest 0000000000000000/' "$goldens/last_ship.rec" > "$work/altered.rec"
refused altered "$work/altered.rec" Cy 422 "replay differs at frame 300"
refused oversized "$goldens/autopilot_loop1.rec" Cy 413 "larger than"
printf 'velmoran-input 2\n12000001 close\n' > "$work/caps.rec"
refused "over the caps" "$work/caps.rec" Cy 422 "past 12000000"
printf 'velmoran-input 2\n10 fly away\n' > "$work/bad.rec"
refused malformed "$work/bad.rec" Cy 422 "recording:2"
printf 'GIF89a\0\1\2' > "$work/junk.rec"
refused "not a recording" "$work/junk.rec" Cy 400 "not a recording"
printf 'velmoran-input 1\n30 key 1 down\n' > "$work/v1.rec"
refused "version 1" "$work/v1.rec" Cy 400 "not a recording"
refused "long SQL-shaped name" "$goldens/stage_select_2.rec" "Robert'); DROP TABLE scores;--" 400 "longer than 24"
refused "empty name" "$goldens/stage_select_2.rec" "   " 400 "name"
refused "control in a name" "$goldens/stage_select_2.rec" $'a\x1b[31mb' 400 "cannot be shown"
got=$(curl -s -o "$work/answer" -w '%{http_code}' -F "file=@$goldens/stage_select_2.rec" --url-query name=Cy \
  "$url/api/scores")
[ "$got" = 415 ] && grep -qF "not as a form" "$work/answer" || fail "a form: $got $(cat "$work/answer")"
[ "$(table)" = "$before" ] || fail "the table changed: $(table)"

# The table: ranked by score, one entry, its recording byte for byte, the page with the name escaped.
ranked=$(table | grep -o '"score":[0-9]*' | cut -d: -f2 | tr '\n' ' ')
[ "$ranked" = "30 0 0 " ] || fail "ranking: $ranked"
curl -s "$url/api/scores?limit=1" | grep -o '"score":[0-9]*' | grep -qx '"score":30' || fail "limit=1"
[ "$(curl -s -o /dev/null -w '%{http_code}' "$url/api/scores?limit=0")" = 400 ] || fail "limit=0 accepted"
[ "$(curl -s -o /dev/null -w '%{http_code}' "$url/api/scores/999999")" = 404 ] || fail "a missing entry"
curl -s "$url/api/scores/$first" | grep -q '"name":"Ada"' || fail "entry $first: $(curl -s "$url/api/scores/$first")"
curl -s -D "$work/headers" -o "$work/download" "$url/api/scores/$first/recording"
cmp -s "$work/download" "$goldens/bunny_falls.rec" || fail "the downloaded recording differs"
grep -qi '^content-disposition: attachment' "$work/headers" || fail "no attachment header: $(cat "$work/headers")"
curl -s "$url/" > "$work/page"
grep -qF '&lt;b&gt;bold&lt;/b&gt;' "$work/page" && ! grep -qF '<b>bold' "$work/page" || fail "the page: $(cat "$work/page")"
grep -qF "href=\"/api/scores/$first/recording\"" "$work/page" || fail "no download link"

# kill -9 while submissions are being verified and stored, again and again: every entry whose
# submission was answered 201 is there after a restart, and the table still opens.
accepted=()
round=0
for name in stage_select_2 stage_select_3 stage_select_4 autopilot_loop1; do
  round=$((round + 1))
  rec=$goldens/$name.rec
  if [ "$name" = autopilot_loop1 ]; then  # over the 1 MiB cap of the other rounds
    stop9; start --max-body-mib 2
  fi
  ( got=$(post "$rec" "kill$round" "$work/answer.$round"); echo "$got" > "$work/status.$round" ) &
  client=$!
  # Some rounds are killed as the verification starts, others at a random moment after it.
  if [ $((round % 2)) = 1 ]; then
    for _ in $(seq 1 200); do [ -n "$(ls "$work/scratch")" ] && break; sleep 0.01; done
  else
    sleep "$((RANDOM % 2)).$((RANDOM % 10))"
  fi
  stop9
  wait "$client"
  if [ "$(cat "$work/status.$round")" = 201 ]; then accepted+=("$(field id "$work/answer.$round")"); fi
  start
done
curl -s "$url/api/scores/$first" | grep -q '"name":"Ada"' || fail "entry $first was lost"
for id in "${accepted[@]}"; do
  [ "$(curl -s -o /dev/null -w '%{http_code}' "$url/api/scores/$id")" = 200 ] || fail "accepted entry $id was lost"
done
echo "kill -9 rounds: ${#accepted[@]} of $round answered 201 before the kill"
if [ "$backend" = sqlite ] && command -v sqlite3 >/dev/null; then
  stop9
  [ "$(sqlite3 "$work/scores.db" 'PRAGMA integrity_check')" = ok ] || fail "the SQLite file is damaged"
  start
fi
# Those the kill cut short can be sent again.
got=$(post "$goldens/stage_select_2.rec" again)
[ "$got" = 201 ] || [ "$got" = 409 ] || fail "stage_select_2 after the kills: $got $(cat "$work/answer")"

# The rate limit: the third submission in a minute from one address is refused.
stop9
start --submissions-per-minute 2
post "$work/junk.rec" Cy >/dev/null
post "$work/junk.rec" Cy >/dev/null
got=$(post "$goldens/bunny_falls.rec" Cy)
[ "$got" = 429 ] || fail "rate limit: $got $(cat "$work/answer")"

# Bad options: one line and a non-zero exit.
"$server" --port 70000 2>"$work/err" && fail "--port 70000 accepted"
[ "$(wc -l < "$work/err")" = 1 ] || fail "bad option: $(cat "$work/err")"
"$server" --game "$work/missing" --db "$work/other.db" --port 0 2>"$work/err" && fail "a missing game accepted"
grep -qF "$work/missing" "$work/err" || fail "a missing game: $(cat "$work/err")"
[ -z "$(ls "$work/scratch")" ] || [ $status != 0 ] || true  # killed verifications may leave theirs

[ $status = 0 ] || { echo "server log:"; cat "$work/log"; }
exit $status
