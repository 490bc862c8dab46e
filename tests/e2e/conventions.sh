#!/usr/bin/env bash
# The three programs speak alike: --help and -h print the same help on standard
# output with status 0 and --version prints "NAME VERSION", all without a display; an
# unknown option ends with status 2, nothing on standard output and a usage hint on
# standard error that names the option (smoke needs the display for that: GLUT reads its
# options first).
# Usage: conventions.sh VERSION PATH-TO-PROGRAM...
VERSION=$1
shift
. "$(dirname "$0")/lib.sh"

for program in "$@"; do
    name=$(basename "$program")
    env -u DISPLAY "$program" --help >"$WORK/help" 2>"$WORK/err" || fail "$name --help ended with status $?"
    grep -q "^Usage: $name " "$WORK/help" || fail "$name --help: no usage line: $(cat "$WORK/help")"
    [ ! -s "$WORK/err" ] || fail "$name --help wrote to standard error: $(cat "$WORK/err")"
    env -u DISPLAY "$program" -h >"$WORK/short" 2>&1 || fail "$name -h ended with status $?"
    cmp -s "$WORK/help" "$WORK/short" || fail "$name -h differs from --help"
    version=$(env -u DISPLAY "$program" --version 2>&1)
    [ "$version" = "$name $VERSION" ] || fail "$name --version: $version"

    "$program" --no-such-option >"$WORK/out" 2>"$WORK/err"
    status=$?
    [ "$status" -eq 2 ] || fail "$name --no-such-option ended with status $status"
    [ ! -s "$WORK/out" ] || fail "$name --no-such-option wrote to standard output: $(cat "$WORK/out")"
    grep -qi "usage: $name" "$WORK/err" || fail "$name --no-such-option gave no usage hint: $(cat "$WORK/err")"
    grep -q "^$name: unknown option --no-such-option\$" "$WORK/err" || fail "$name --no-such-option: $(cat "$WORK/err")"
done

# The option is blamed, not the argument CLI11 could not place after it.
RENDER=$2 BENCH=$3
"$RENDER" --sizee 400 first.txt 2>"$WORK/err"
grep -q "^smoke-render: unknown option --sizee (did you mean --size?)\$" "$WORK/err" || fail "--sizee: $(cat "$WORK/err")"
# An earlier option name beside its new one: neither may silently win.
"$BENCH" --res 8 --grid 9 >"$WORK/out" 2>"$WORK/err"
[ $? -eq 2 ] && grep -q "^smoke-bench: --res: the earlier name of --grid" "$WORK/err" || fail "--res with --grid: $(cat "$WORK/err")"
"$BENCH" --help | grep -q "solvers by name: cpu, .*cpu-reference, gpu" || fail "the help names no solvers"
echo "PASS"
