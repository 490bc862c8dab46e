#!/usr/bin/env bash
# When the shader solver cannot build its programs the program says so in one line
# and runs the software solver instead of showing a black window: once for a binary
# started far from any shaders folder (the line names the folders searched, and no
# program is built), once for a shader with a syntax error.
# Usage: shader_fallback.sh PATH-TO-SMOKE PATH-TO-SHADER-SOURCES
SMOKE_BUILT=$1
SHADER_SOURCES=$2
. "$(dirname "$0")/lib.sh"

# A copy of the binary with no shaders folder beside it, started in a folder without one.
mkdir -p "$WORK/bin" "$WORK/empty"
cp "$SMOKE_BUILT" "$WORK/bin/smoke"
SMOKE="$WORK/bin/smoke"

# Runs the program from folder $1, pours until smoke shows (the software solver is
# working), quits, and checks the fallback line, whose reason matches $2, and that
# $3 programs were reported.
expect_fallback_from() {
    cd "$1" || fail "no folder $1"
    start_smoke 48
    cd - >/dev/null || fail "cannot return"
    find_window
    xdotool mousemove --window "$WIN" 400 400 mousedown 1
    smoke_shows() {
        shot fallback
        above "$(region_mean fallback 380 380 40 40)" 0.3
    }
    wait_until 20 smoke_shows || fail "no smoke in the fallback run from $1"
    xdotool mouseup 1
    quit_cleanly
    [ "$(grep -c '^Max uniforms: ' "$WORK/stdout")" -eq "$3" ] || fail "not $3 programs reported: $(cat "$WORK/stdout")"
    grep -q "^Shader solver unavailable: $2; using the software solver\.\$" "$WORK/stdout" ||
        fail "no fallback line: $(cat "$WORK/stdout")"
}

start_display

expect_fallback_from "$WORK/empty" \
    "no shader folder found (looked in $WORK/bin/shaders, $WORK/share/smoke/shaders, shaders)" 0
# Nothing but the reason and the OpenGL information: no log of a program never read.
[ "$(grep -c -v -E '^(Shader solver unavailable|OpenGL Information|-+$|Vendor|Renderer|Version)' "$WORK/stdout")" -eq 0 ] ||
    fail "more than the fallback line was printed: $(cat "$WORK/stdout")"

mkdir -p "$WORK/broken/shaders"
cp "$SHADER_SOURCES"/*.frag "$WORK/broken/shaders/"
echo "this is not a shader;" >>"$WORK/broken/shaders/advect.frag"
expect_fallback_from "$WORK/broken" "shaders/advect.frag does not compile: .*" 9
echo "PASS"
