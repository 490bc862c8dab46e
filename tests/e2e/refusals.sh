#!/usr/bin/env bash
# Starts that cannot work end with a message and a status, never a crash: an unusable
# resolution or a recording that cannot be written before any window opens (status 2), a
# grid beyond the memory the process may use (status 1).
# Usage: refusals.sh PATH-TO-SMOKE
SMOKE=$1
. "$(dirname "$0")/lib.sh"

# Runs the program to its end and checks its status and one-line message.
expect_end() {
    local status=$1 message=$2
    shift 2
    start_smoke "$@"
    wait_for_exit 60
    [ "$STATUS" -eq "$status" ] || fail "'$*' ended with status $STATUS, not $status: $(cat "$WORK/stderr")"
    grep -qF -- "$message" "$WORK/stderr" || fail "'$*' did not say '$message': $(cat "$WORK/stderr")"
    [ "$(wc -l <"$WORK/stderr")" -eq 1 ] || fail "'$*' printed more than one line: $(cat "$WORK/stderr")"
}

start_display

for arguments in "abc" "4095" "-7" "-s 0" "-s5" "99999999999999999999"; do
    # shellcheck disable=SC2086
    expect_end 2 "1 to 4094" $arguments
    last=${arguments##* }
    grep -qF "\"$last\"" "$WORK/stderr" || fail "'$arguments': the message does not name '$last'"
    [ ! -s "$WORK/stdout" ] || fail "'$arguments' got as far as standard output: $(cat "$WORK/stdout")"
done

printf 'solid circle 0.5 0.5 0\n' >"$WORK/bad-scene.txt"
expect_end 2 "bad-scene.txt:1: expected 'solid circle X Y R'" --scene "$WORK/bad-scene.txt" -s 8

for target in "$WORK/no/such/folder/session.txt" /dev/full; do
    expect_end 2 "cannot record to $target" --record "$target" -s 8
    [ ! -s "$WORK/stdout" ] || fail "a recording to $target that failed got a window: $(cat "$WORK/stdout")"
done

# What the program needs without a large grid, read while it runs; a 4094 by 4094
# software grid needs about 870 MB on top, and only 300 MB more are allowed.
start_smoke -s 8
find_window
limit=$(($(awk '/^VmPeak:/ { print $2 }' "/proc/$SMOKE_PID/status") + 300 * 1024))
quit_cleanly
SMOKE_LIMITED="$WORK/limited"
printf '#!/bin/sh\nulimit -v %s && exec "%s" "$@"\n' "$limit" "$SMOKE" >"$SMOKE_LIMITED"
chmod +x "$SMOKE_LIMITED"
SMOKE=$SMOKE_LIMITED
expect_end 1 "not enough memory for a 4094 by 4094 grid" -s 4094
# The same limit lets a small grid run.
start_smoke -s 64
find_window
quit_cleanly
echo "PASS"
