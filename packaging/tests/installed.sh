#!/usr/bin/env bash
# The installed commands from the installed paths only: the export and the
# comparison work, and every manual page renders and lists every option
# that its program's --help lists.
set -u
build=$1 source=$2
source "$(dirname "$0")/package.bash"
unpack
cd "$work" || exit 1

# The options a --help text names: --long ones and -x short ones.
options_of() { grep -oE -- '(^|[][ ,|])--?[A-Za-z][A-Za-z-]*' | sed 's/^[][ ,|]*//' | sort -u; }

for program in "${programs[@]}"; do
    page=$root/usr/share/man/man1/$program.1.gz
    if [ ! -s "$page" ]; then
        fail "no manual page $program(1): does the program print its options for --help?"
        continue
    fi
    # No window and no keys: --help must answer by itself.
    help=$(env -u DISPLAY SDL_VIDEODRIVER=dummy timeout 20 "$program" --help </dev/null) || fail "$program --help failed"
    text=$(MANWIDTH=200 man --nh --nj -l "$page" 2>"$work/man.err" | col -b) || fail "man -l $program"
    [ -s "$work/man.err" ] && fail "man $program: $(head -n 3 "$work/man.err")"
    grep -q "^ *$program - " <<<"$text" || fail "$program(1) has no NAME line"
    # help2man makes the synopsis from a --help that starts with "Usage:".
    grep -q "^SYNOPSIS" <<<"$text" || fail "$program(1) has no SYNOPSIS: its --help does not start with \"Usage:\""
    for option in $(options_of <<<"$help"); do
        grep -q -- "$option\b" <<<"$text" || fail "$program(1) does not list $option"
    done
done

# The export, as a teacher makes handouts.
titles=$(surfplot-shots --size 333x222 --out expected </dev/null) || fail "surfplot-shots exit $?"
[ "$(wc -l <<<"$titles")" -eq 12 ] || fail "surfplot-shots printed: $titles"
ls expected/{01..12}.png >/dev/null || fail "surfplot-shots did not write twelve pictures"
surfkit-shots --size 333x222 --out mine >/dev/null </dev/null || fail "surfkit-shots exit $?"

# The installed pictures are the build's, which the tests compare with an
# independent rendering.
"$build/tools/surfplot-shots" --size 333x222 --out built >/dev/null || fail "the build's surfplot-shots"
surfcompare built expected >"$work/same"; rc=$?
[ $rc -eq 0 ] || fail "installed and built pictures differ (exit $rc): $(head -n 4 "$work/same")"

# The empty frame differs from the finished pictures, and surfcompare says so.
surfcompare expected mine --diff diff >"$work/report"; rc=$?
[ $rc -eq 1 ] || fail "surfcompare of the empty frame: exit $rc"
grep -q 'Szintvonal-1 .* pixels differ' "$work/report" || fail "surfcompare report: $(head -n 3 "$work/report")"
[ -s diff/01.png ] || fail "surfcompare wrote no diff picture"

# surfgrade with the installed kit: a student who handed in nothing.
if command -v bwrap >/dev/null; then
    mkdir -p class/nobody-yet
    surfgrade class --out graded --sizes 333x222 >"$work/grade.log" 2>&1 || fail "surfgrade: $(cat "$work/grade.log")"
    [ "$(grep -c '^nobody-yet,333x222,[0-9]*,differs,[0-9]*$' graded/grades.csv)" -eq 12 ] ||
        fail "surfgrade's grades: $(head -n 3 graded/grades.csv)"
else
    skip_part "surfgrade with the installed kit: bwrap is not installed"
fi
finish
