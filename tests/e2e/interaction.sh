#!/usr/bin/env bash
# Drives the real program with the mouse and keyboard in a private virtual display:
# smoke poured under the pointer rises, space freezes the picture, t steps it once,
# q ends the program with status 0.
# Usage: interaction.sh PATH-TO-SMOKE software|shader [SOLVER ARGUMENTS...]
SMOKE=$1
EXPECTED_SOLVER=$2
shift 2
. "$(dirname "$0")/lib.sh"

POINTER_X=400
POINTER_Y=600

start_display
start_smoke "$@"
find_window

# Every check below holds at any frame rate: the step is the measured frame time, so on a
# busy machine steps are long and smoke that is no longer fed fades within a second or two.
# The left button therefore stays down throughout, and the checks judge where the smoke
# is and whether the picture changes, never how far it gets in a given time.

# Pour: smoke must appear under the pointer while the left button is held.
xdotool mousemove --window "$WIN" $POINTER_X $POINTER_Y mousedown 1
smoke_under_pointer() {
    shot poured
    above "$(region_mean poured $((POINTER_X - 20)) $((POINTER_Y - 20)) 40 40)" 0.5
}
wait_until 30 smoke_under_pointer || fail "no smoke under the pointer while pouring"

# Rise: the band above the pointer holds clearly more smoke than the band below it.
BAND_X=$((POINTER_X - 60))
risen() {
    shot rising
    upper=$(region_mean rising $BAND_X $((POINTER_Y - 160)) 120 120)
    lower=$(region_mean rising $BAND_X $((POINTER_Y + 40)) 120 120)
    above "$upper" 0.05 && above "$upper" "$(awk -v l="$lower" 'BEGIN { print 2 * l }')"
}
wait_until 60 risen || fail "the smoke did not rise: mean $upper above the pointer, $lower below"

# Pause: the picture changes from frame to frame while smoke pours, and stands still after space.
changing() {
    shot moving1
    sleep 0.2
    shot moving2
    ! same_picture moving1 moving2
}
wait_until 30 changing || fail "the picture did not change between frames before pausing"
press space
wait_until 30 still || fail "space did not freeze the picture"
sleep 0.3
shot paused3
same_picture paused2 paused3 || fail "the paused picture changed"

# Single step: t pours and moves the smoke once, and the run stays paused.
press t
stepped() {
    shot stepped1
    ! same_picture paused3 stepped1
}
wait_until 30 stepped || fail "t did not step the paused simulation"
sleep 0.3
shot stepped2
same_picture stepped1 stepped2 || fail "after t the picture kept changing: the run is no longer paused"
xdotool mouseup 1

quit_cleanly

# The solver that ran: the shader solver reports its nine programs at start-up.
programs=$(grep -c '^Max uniforms: ' "$WORK/stdout")
if [ "$EXPECTED_SOLVER" = shader ]; then
    [ "$programs" -eq 9 ] || fail "the shader solver did not build its nine programs: $(cat "$WORK/stdout")"
    grep -q 'Shader solver unavailable' "$WORK/stdout" && fail "the shader solver fell back: $(cat "$WORK/stdout")"
else
    [ "$programs" -eq 0 ] || fail "shader programs were built in software mode"
fi
echo "PASS"
