#!/usr/bin/env bash
# Ctrl-C during a long benchmark: the rows measured so far are reported, marked as
# interrupted, and the program ends as Ctrl-C ends it. A terminal's Ctrl-C reaches the
# whole foreground process group, so that is where it is sent.
# Usage: interrupted_report.sh PATH-TO-SMOKE-BENCH
. "$(dirname "$0")/../e2e/lib.sh"

set -m  # the benchmark in a process group of its own, as a terminal's job is
env -u DISPLAY "$1" --json --solver cpu --grid 8,9,10,11,12 --steps 1 --seconds 2 --warmup 0 >"$WORK/out" 2>"$WORK/err" &
pid=$!
wait_until 60 grep -q '^\[2/5\]' "$WORK/err" || fail "the second measurement never started: $(cat "$WORK/err")"
kill -INT -- "-$pid"
wait "$pid"
status=$?
[ "$status" -eq 130 ] || fail "ended with status $status, not 130 (Ctrl-C): $(cat "$WORK/err")"
grep -q '"interrupted": true,$' "$WORK/out" && grep -q '"planned_rows": 5' "$WORK/out" || fail "not marked: $(cat "$WORK/out")"
grep -q '{"solver": "cpu", "resI": 8, .*"step_ms"' "$WORK/out" || fail "the first row is lost: $(cat "$WORK/out")"
! grep -q '"resI": 1[12]' "$WORK/out" || fail "rows never measured are reported: $(cat "$WORK/out")"
echo "PASS"
