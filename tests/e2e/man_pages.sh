#!/usr/bin/env bash
# Each man page carries its program's version, every option its --help lists and the
# environment variable that sets the software solver's threads.
# Usage: man_pages.sh MAN-FOLDER PATH-TO-PROGRAM...
MAN_DIR=$1
shift
. "$(dirname "$0")/lib.sh"
unset DISPLAY

for program in "$@"; do
    name=$(basename "$program")
    page="$MAN_DIR/$name.1"
    [ -s "$page" ] || fail "no man page $page"
    # roff writes a hyphen as \-.
    text=$(sed 's/\\-/-/g' "$page")
    grep -qF -- "$("$program" --version)" <<<"$text" || fail "$page is not of $("$program" --version)"
    # Every program may make a software solver, whose thread count the environment sets.
    sed -n '/^\.SH ENVIRONMENT/,/^\.SH /p' "$page" | grep -q SMOKE_THREADS || fail "$page: no SMOKE_THREADS in ENVIRONMENT"
    for option in $("$program" --help | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u); do
        grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$text" || fail "$page does not mention $option"
    done
done
echo "PASS"
