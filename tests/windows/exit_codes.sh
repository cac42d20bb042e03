#!/usr/bin/env bash
# Every exit code that a program's --help gives is in the README's entry
# for that program: the paragraph under "Exit codes" headed by a line that
# names it, as a code of its own or within a range such as 200-215.
#   exit_codes.sh README PROGRAM HELP_FILE
set -u
readme=$1 program=$2 help=$3
# The help's codes: every number (or range) from its "Exit ..." heading on.
help_codes=$(sed -n '/^Exit /,$p' "$help" | grep -oE '\b[0-9]{1,3}(-[0-9]{1,3})?\b' | sort -u)
[ -n "$help_codes" ] || { echo "FAIL: no exit codes in $program --help"; exit 1; }
# The README's entry: from an unindented line of program names, this one
# among them, to the next blank line.
entry=$(sed -n '/^Exit codes$/,$p' "$readme" | awk -v name="$program" '
    /^[^ ]/ && !on {n = split($0, names, ", "); for (i = 1; i <= n; i++) if (names[i] == name) on = 1}
    on && /^$/ {exit}
    on')
[ -n "$entry" ] || { echo "FAIL: the README has no exit codes for $program"; exit 1; }
listed=$(grep -oE '^  [0-9]{1,3}(-[0-9]{1,3})?\b' <<<"$entry" | tr -d ' ')
failures=0
for code in $help_codes; do
    low=${code%-*} high=${code#*-}
    found=no
    for item in $listed; do
        [ "$item" = "$code" ] && found=yes
        [ "$low" = "$high" ] && [ "$low" -ge "${item%-*}" ] && [ "$low" -le "${item#*-}" ] && found=yes
    done
    [ $found = yes ] || { echo "FAIL: $program --help gives exit code $code; the README does not"; failures=$((failures + 1)); }
done
exit $((failures > 0))
