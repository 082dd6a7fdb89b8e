#!/usr/bin/env bash
# Verifies one golden game: replays the recording with --verify (every recorded digest is checked) and
# compares the printed report with NAME.expect beside it. Usage: verify.sh VELMORAN NAME.rec
set -u
exe=$1 rec=$2
expect=${rec%.rec}.expect
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$exe" --verify "$rec" >"$out" 2>&1
got=$?
if [ "$got" != 0 ]; then echo "--verify exited $got:"; cat "$out"; exit 1; fi
if ! diff -u "$expect" "$out"; then echo "the report differs from $expect"; exit 1; fi
