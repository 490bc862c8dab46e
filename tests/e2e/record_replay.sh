#!/usr/bin/env bash
# A session recorded with --record replays in smoke-render to the window's last frame,
# pixel for pixel below the status lines, the solids of its --scene included; a
# recording cut short by SIGKILL replays too.
# Usage: record_replay.sh PATH-TO-SMOKE PATH-TO-SMOKE-RENDER
SMOKE=$1
RENDER=$2
. "$(dirname "$0")/lib.sh"

# The window's pixels below the three status lines, in colour, from the capture $1.ppm
# or the picture $1.png.
below_status_lines() {
    /usr/bin/convert "$1" -crop "800x$((800 - STATUS_LINES_HEIGHT))+0+$STATUS_LINES_HEIGHT" +repage -depth 8 "$2"
}

start_display
SESSION="$WORK/session.txt"
SCENE="$WORK/scene.txt"
printf 'solid box 0.6 0.6 0.8 0.8\n' >"$SCENE"
start_smoke --scene "$SCENE" --record "$SESSION" -s 48
find_window

# Pour, lay a stroke across the rising smoke, step once with t, then pause.
xdotool mousemove --window "$WIN" 300 600 mousedown 1
poured() {
    shot poured
    above "$(region_mean poured 280 580 40 40)" 0.3
}
wait_until 30 poured || fail "no smoke under the pointer"
xdotool mousemove --window "$WIN" 200 650 mousedown 3 mousemove --window "$WIN" 500 250 mouseup 3
xdotool mouseup 1
press t
press space
wait_until 30 still || fail "space did not freeze the picture"
quit_cleanly
[ "$(tail -n 1 "$SESSION")" = picture ] || fail "the recording does not end with a picture: $(tail -n 3 "$SESSION")"
grep -q '^stroke cells ' "$SESSION" || fail "no stroke recorded"
grep -q '^solid box ' "$SESSION" || fail "the scene's solid was not recorded"
solid=$(/usr/bin/convert "$WORK/paused2.ppm" -format '%[pixel:p{560,240}]' info:)
[ "$solid" = "srgb(69,130,181)" ] || fail "the window does not show the solid in steel blue: $solid"

"$RENDER" --strokes --quiet --out "$WORK/replay" "$SESSION" >/dev/null 2>"$WORK/render.err" ||
    fail "the replay failed: $(cat "$WORK/render.err")"
below_status_lines "$WORK/paused2.ppm" "$WORK/window.ppm"
below_status_lines "$WORK/replay/picture-1.png" "$WORK/replay.ppm"
differing=$(/usr/bin/compare -metric AE "$WORK/window.ppm" "$WORK/replay.ppm" null: 2>&1)
[ "$differing" = 0 ] || fail "$differing pixels of the replay differ from the window's"

# The shader solver replays the same steps (free-running, the two solvers part within a
# few steps, so no bound on their difference holds for a whole session).
"$RENDER" --solver gpu --quiet --out "$WORK/gpu" "$SESSION" >/dev/null 2>"$WORK/render.err" ||
    fail "the shader solver's replay failed: $(cat "$WORK/render.err")"

# Killed while pouring: the recording ends in a whole line and replays.
KILLED="$WORK/killed.txt"
start_smoke --record "$KILLED" -s 32
find_window
xdotool mousemove --window "$WIN" 400 400 mousedown 1
wait_until 60 sh -c "[ \$(grep -c '^step [^ ]* [0-9]' '$KILLED') -ge 20 ]" || fail "no pouring steps recorded"
kill -KILL "$SMOKE_PID"
wait "$SMOKE_PID"
SMOKE_PID=""
[ -z "$(tail -c 1 "$KILLED")" ] || fail "the killed recording ends inside a line"
echo picture >>"$KILLED"
"$RENDER" --quiet --out "$WORK/killed" "$KILLED" >/dev/null 2>"$WORK/render.err" ||
    fail "the killed recording does not replay: $(cat "$WORK/render.err")"
echo "PASS"
