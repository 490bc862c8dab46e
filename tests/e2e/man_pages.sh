#!/usr/bin/env bash
# Each man page carries its program's version and every option its --help lists.
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
    for option in $("$program" --help | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u); do
        grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$text" || fail "$page does not mention $option"
    done
done
echo "PASS"
