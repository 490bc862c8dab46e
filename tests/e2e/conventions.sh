#!/usr/bin/env bash
# The three programs speak alike: --help and -h print the same help on standard
# output with status 0 and --version prints "NAME VERSION", all without a display; an
# unknown option ends with status 2, nothing on standard output and a usage hint on
# standard error (smoke needs the display for that: GLUT reads its options first).
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
done
echo "PASS"
