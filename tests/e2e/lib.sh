# Shared by the end-to-end scripts, most of which drive the real program in a private virtual display.
# Every process started here is recorded and stopped by its id when the script ends.

set -u
WINDOW_TITLE="Quorvex - Final Project - Smoke Simulation"
WORK=$(mktemp -d)
XVFB_PID=""
SMOKE_PID=""

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

stop_pid() {
    [ -n "$1" ] && kill -0 "$1" 2>/dev/null && kill "$1" 2>/dev/null && wait "$1" 2>/dev/null
    return 0
}

cleanup() {
    stop_pid "$SMOKE_PID"
    stop_pid "$XVFB_PID"
    rm -rf "$WORK"
}
trap cleanup EXIT

# Polls a command until it succeeds, for at most $1 seconds.
wait_until() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# Starts Xvfb on a display number it picks itself and points DISPLAY at it.
start_display() {
    Xvfb -displayfd 3 -screen 0 1024x1024x24 -nolisten tcp -noreset 3>"$WORK/display" 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    wait_until 20 test -s "$WORK/display" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    export DISPLAY=":$(head -n 1 "$WORK/display")"
}

# Starts the program with the given arguments; its output goes to $WORK/stdout and $WORK/stderr.
start_smoke() {
    "$SMOKE" "$@" >"$WORK/stdout" 2>"$WORK/stderr" &
    SMOKE_PID=$!
}

# Waits for the program's window and moves it to the screen's corner; sets WIN.
find_window() {
    WIN=$(timeout 20 xdotool search --sync --onlyvisible --name "^${WINDOW_TITLE}\$" | head -n 1)
    [ -n "$WIN" ] || fail "no window appeared; stderr: $(cat "$WORK/stderr")"
    # Without a window manager the window sits at (-1, -1), one pixel off screen.
    xdotool windowmove --sync "$WIN" 0 0
    xdotool windowfocus --sync "$WIN"
}

# Sends one key to the focused program window.
press() {
    xdotool key --clearmodifiers "$1"
}

# Waits up to $1 seconds for the program to end; sets STATUS.
wait_for_exit() {
    local seconds=$1
    wait_until "$seconds" sh -c "! kill -0 $SMOKE_PID 2>/dev/null" || fail "the program did not end"
    wait "$SMOKE_PID"
    STATUS=$?
    SMOKE_PID=""
}

# Quits the program with q and checks that it ends with status 0.
quit_cleanly() {
    press q
    wait_for_exit 20
    [ "$STATUS" -eq 0 ] || fail "q ended the program with status $STATUS"
}

# Captures the program window as $WORK/$1.ppm and, below the three status lines,
# as a grey image $WORK/$1.pgm.
STATUS_LINES_HEIGHT=60
shot() {
    /usr/bin/import -window "$WIN" -depth 8 "$WORK/$1.ppm" || fail "cannot capture the window"
    /usr/bin/convert "$WORK/$1.ppm" -crop "800x$((800 - STATUS_LINES_HEIGHT))+0+$STATUS_LINES_HEIGHT" +repage \
        -colorspace Gray -depth 8 "$WORK/$1.pgm"
}

# True when two captures 0.3 s apart, $WORK/paused1 and $WORK/paused2, are the same.
still() {
    shot paused1
    sleep 0.3
    shot paused2
    same_picture paused1 paused2
}

# Mean grey level (0 to 1) of a w x h region at x, y of the grey capture $1.
region_mean() {
    /usr/bin/convert "$WORK/$1.pgm" -crop "$4x$5+$2+$(($3 - STATUS_LINES_HEIGHT))" +repage -format "%[fx:mean]" info:
}

# True when the two grey captures are the same to the last pixel.
same_picture() {
    [ "$(/usr/bin/compare -metric AE "$WORK/$1.pgm" "$WORK/$2.pgm" null: 2>&1)" = "0" ]
}

# Greater-than on decimal numbers.
above() {
    awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'
}
