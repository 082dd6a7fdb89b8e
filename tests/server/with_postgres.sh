#!/usr/bin/env bash
# Runs a command with a PostgreSQL server of its own: initdb in a scratch folder, a free port on
# 127.0.0.1, stopped and removed at the end. The command finds the connection string in
# VELMORAN_TEST_POSTGRES. Exits 77 (skipped) where the PostgreSQL 15 server is not installed.
# Usage: with_postgres.sh COMMAND [ARGS...]
set -u
bin=${VELMORAN_PG_BIN:-/usr/lib/postgresql/15/bin}
if [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
  echo "skipped: no PostgreSQL server in $bin (scripts/install-deps.sh test installs postgresql-15)"
  exit 77
fi
work=$(mktemp -d)
as=()
if [ "$(id -u)" = 0 ]; then  # the server refuses to run as root
  chown nobody:nogroup "$work"
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
started=
cleanup() {
  [ -n "$started" ] && "${as[@]}" "$bin/pg_ctl" -D "$work/data" -m immediate stop >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
if ! "${as[@]}" "$bin/initdb" -D "$work/data" -U velmoran --auth=trust -E UTF8 --no-sync >"$work/initdb.log" 2>&1; then
  echo "initdb failed:"; cat "$work/initdb.log"; exit 1
fi
# A port taken by someone else fails the start: another random one, a few times.
for try in 1 2 3 4 5 6 7 8; do
  port=$((20000 + RANDOM % 40000))
  if "${as[@]}" "$bin/pg_ctl" -D "$work/data" -l "$work/server.log" -w -t 60 \
       -o "-k $work -p $port -c listen_addresses=127.0.0.1" start >/dev/null 2>&1; then
    started=yes
    break
  fi
done
[ -n "$started" ] || { echo "the PostgreSQL server did not start:"; tail -n 5 "$work/server.log"; exit 1; }
export VELMORAN_TEST_POSTGRES="host=127.0.0.1 port=$port user=velmoran dbname=postgres"
"$@"
