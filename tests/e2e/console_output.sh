#!/usr/bin/env bash
# What the program prints on standard output at start-up: the software switch, the
# block of missing extensions when Mesa hides some, the OpenGL information, and no more
# with the converged projection.
# Usage: console_output.sh PATH-TO-SMOKE PATH-TO-EXTENSION-PROBE
SMOKE=$1
PROBE=$2
. "$(dirname "$0")/lib.sh"

REQUIRED="EXT_framebuffer_object ARB_shader_objects ARB_vertex_shader ARB_fragment_shader
ARB_shading_language_100 ARB_texture_non_power_of_two ARB_texture_float ARB_draw_buffers ARB_multitexture"
HEADER="Forcing software mode because your computer does
not support the following required OpenGL extensions:"

# Runs the program until its window shows, quits it, and leaves its output in $WORK/stdout.
run_and_quit() {
    start_smoke "$@"
    find_window
    quit_cleanly
}

# The text after the first line equal to $2 in file $1, that line included.
from_line() {
    awk -v first="$2" 'found || $0 == first { found = 1; print }' "$1"
}

# The output ends with the five lines of OpenGL information.
expect_information_lines() {
    from_line "$WORK/stdout" "OpenGL Information:" | awk '
        NR == 2 && $0 != "-------------------" || NR == 3 && !/^Vendor: ./ || NR == 4 && !/^Renderer: ./ ||
        NR == 5 && !/^Version: ./ { bad = 1 }
        END { exit bad || NR != 5 }' || fail "the output does not end with the OpenGL information: $(cat "$WORK/stdout")"
}

start_display

# The switch: its message first, nothing about extensions.
run_and_quit -s 64
[ "$(head -n 1 "$WORK/stdout")" = "Forcing software mode due to command-line switch." ] ||
    fail "no switch message: $(cat "$WORK/stdout")"
[ "$(sed -n 2p "$WORK/stdout")" = "OpenGL Information:" ] || fail "information does not follow the switch message"
expect_information_lines

# One extension hidden: the block names it and ends with an empty line.
MESA_EXTENSION_OVERRIDE="-GL_ARB_texture_float" run_and_quit 64
expected="$HEADER
ARB_texture_float

OpenGL Information:"
[ "$(head -n 5 "$WORK/stdout")" = "$expected" ] || fail "wrong block for one hidden extension: $(cat "$WORK/stdout")"
expect_information_lines

# Hiding draw_buffers takes other extensions with it (multitexture among them on this
# Mesa): the block lists exactly what GLEW reports missing, in the check's order.
# Mesa may print a warning of its own on standard output first.
export MESA_EXTENSION_OVERRIDE="-GL_ARB_draw_buffers"
# shellcheck disable=SC2086
probe_output=$("$PROBE" $REQUIRED) || fail "the extension probe failed"
# Only the probe's own lines: Mesa's warning goes to the same output.
missing=$(printf '%s\n' "$probe_output" | grep -x -F "$(printf '%s\n' $REQUIRED)")
[ -n "$missing" ] || fail "hiding ARB_draw_buffers hid nothing"
run_and_quit 48
expected="$HEADER
$missing

OpenGL Information:"
block=$(from_line "$WORK/stdout" "Forcing software mode because your computer does" | head -n "$(printf '%s\n' "$expected" | wc -l)")
[ "$block" = "$expected" ] || fail "block differs from GLEW's missing list
expected:
$expected
got:
$(cat "$WORK/stdout")"
expect_information_lines
unset MESA_EXTENSION_OVERRIDE

# Everything present: no word about software mode.
run_and_quit 32
grep -q "Forcing software mode" "$WORK/stdout" && fail "software mode announced with every extension present"
expect_information_lines
# The converged projection builds its programs quietly: the same nine reports, and the
# shader solver runs.
run_and_quit --projection converged 32
[ "$(grep -c '^Max uniforms: ' "$WORK/stdout")" -eq 9 ] || fail "not nine program reports: $(cat "$WORK/stdout")"
grep -q -e "Forcing software mode" -e "Shader solver unavailable" "$WORK/stdout" &&
    fail "the converged projection did not run on the shader solver: $(cat "$WORK/stdout")"
expect_information_lines
# No argument at all: the default grid, with nothing past the program's name to read.
run_and_quit
expect_information_lines
echo "PASS (hidden with draw_buffers: $(echo $missing))"
