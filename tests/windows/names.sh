#!/usr/bin/env bash
# File names as a Windows user types them, in every option that takes one,
# under Wine: backslashes, both slashes mixed, a drive letter, the \\?\ and
# \\server\share forms, relative and absolute; Hungarian and Greek names;
# messages that name them as typed; the titles right in a console, in a
# file and in a pipe; a closed pipe told as one.
# Needs the Wine session of scripts/wine-session.sh (WINEPREFIX).
#   names.sh WINDOWS_BUILD
set -u
build=$(cd "$1" && pwd)
repo=$(cd "$(dirname "$0")/../.." && pwd)
: "${WINEPREFIX:?run inside a Wine session}"
work=$(mktemp -d)
socket=$work/tmux
cleanup() { tmux -S "$socket" kill-server 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
[ -n "${KEEP:-}" ] && trap - EXIT && echo "work: $work"
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run_exe() { timeout 120 bash "$repo/scripts/wine-run.sh" "$WINEPREFIX" "$@" </dev/null; }
shots() { run_exe "$build/tools/$1-shots.exe" --size 160x150 "${@:2}"; }
compare() { run_exe "$build/tools/surfcompare.exe" "$@"; }
# The folder here as Windows names it, through Wine's drive Z:.
windows_work="Z:${work//\//\\}"
titles_of() { cut -c1-200 "$1" | tr -d '\r'; }
all_pictures() { local n; for n in 01 02 03 04 05 06 07 08 09 10 11 12; do [ -f "$1/$n.png" ] || return 1; done; }

# --out: every form, each leaving twelve pictures where the name points.
expected_titles=$(printf '%s\n' Szintvonal-1 Szintvonal-2 Pontfelhö 'Tégla (2,2)' 'Tégla (1,1)' 'Tégla (0,1)' \
    'Tégla (1,0)' 'X fv-metszet, lepel' 'X-Y fv-metszet, tömör' 'X fv-metszet, lepel' 'X-Y fv-metszet, tömör' \
    'Festett 4szögek')
check_export() {  # TYPED WHERE
    shots surfplot --out "$1" >titles.txt 2>told.txt || fail "--out $1: exit code $?: $(cat told.txt)"
    all_pictures "$2" || fail "--out $1: no twelve pictures in $2"
    [ "$(titles_of titles.txt)" = "$expected_titles" ] || fail "--out $1: titles in a file: $(titles_of titles.txt)"
    local folder=$1
    case $folder in *[\\/]) ;; *) folder+='\' ;; esac
    [ "$(cat told.txt)" = "wrote 12 pictures of 160x150 to $folder" ] || fail "--out $1 told: $(cat told.txt)"
}
check_export 'shots\Kőrösi\Κόσμος' "shots/Kőrösi/Κόσμος"
check_export 'mixed/Kovács\Ελένη/' "mixed/Kovács/Ελένη"
check_export "$windows_work\\absolute\\Kőrösi" "absolute/Kőrösi"
check_export "\\\\?\\$windows_work\\prefixed\\Κόσμος" "prefixed/Κόσμος"
shots surfkit --out 'kit\Kovács' >/dev/null 2>told.txt || fail "surfkit-shots --out 'kit\\Kovács': $(cat told.txt)"

# surfcompare: both folders and --diff in those forms, named as typed.
compare 'shots\Kőrösi\Κόσμος' "$windows_work\\absolute\\Kőrösi" >report.txt 2>&1 ||
    fail "surfcompare of two equal exports: $(cat report.txt)"
grep -qxF "expected: shots\\Kőrösi\\Κόσμος   actual: $windows_work\\absolute\\Kőrösi   (160x150)" report.txt ||
    fail "surfcompare's heading: $(head -n1 report.txt)"
compare 'shots/Kőrösi\Κόσμος' 'kit\Kovács' --diff 'x1\x2\Ελένη' >report.txt 2>&1
code=$?
[ $code = 1 ] || fail "surfcompare of two different exports: exit code $code: $(cat report.txt)"
all_pictures "x1/x2/Ελένη" || fail "no diff pictures in x1/x2/Ελένη"
grep -q '^diff pictures in x1\\x2\\Ελένη: 01.png ' report.txt || fail "diff pictures told: $(grep diff report.txt)"
grep -q '^ 3  Pontfelhö  ' report.txt || fail "titles in the report: $(cat report.txt)"

# Refusals name the folder as typed, in one line, with exit code 2, and leave nothing.
refused() {  # EXPECTED_MESSAGE COMMAND...
    "${@:2}" >/dev/null 2>told.txt
    local code=$?
    [ $code = 2 ] || fail "${*:2}: exit code $code, not 2"
    [ "$(wc -l <told.txt)" = 1 ] && grep -qF "$1" told.txt || fail "${*:2} told: $(cat told.txt)"
}
echo x >plain.txt
refused 'cannot create folder plain.txt\below\Kőrösi: plain.txt is not a folder' shots surfplot --out 'plain.txt\below\Kőrösi'
refused 'cannot create folder \\nowhere\share\Κόσμος: ' shots surfplot --out '\\nowhere\share\Κόσμος'
refused 'no such folder: nincs\Kovács' compare 'nincs\Kovács' 'shots\Kőrösi\Κόσμος'
refused 'the diff folder must not be one of the compared folders' \
    compare 'shots\Kőrösi\Κόσμος' 'kit\Kovács' --diff 'shots/Kőrösi/Κόσμος'
[ -z "$(find . -name "*.part" -o -name nincs -o -name below)" ] || fail "a refused run left something: $(find . -name "*.part" -o -name nincs -o -name below)"

# A closed pipe is told as one, as on Linux.
closed_pipe() {  # stdout a pipe whose reading end is already closed
    python3 -c 'import os, subprocess, sys
r, w = os.pipe(); os.close(r)
sys.exit(subprocess.run(sys.argv[1:], stdout=w, stdin=subprocess.DEVNULL).returncode)' "$@"
}
closed_pipe bash "$repo/scripts/wine-run.sh" "$WINEPREFIX" "$build/tools/surfplot-shots.exe" --out piped 2>told.txt
grep -qxF 'surfplot-shots: cannot write the titles to standard output: Broken pipe' told.txt ||
    fail "shots into a closed pipe told: $(cat told.txt)"
closed_pipe bash "$repo/scripts/wine-run.sh" "$WINEPREFIX" "$build/tools/surfcompare.exe" 'shots\Kőrösi\Κόσμος' \
    'kit\Kovács' 2>told.txt
grep -qxF 'surfcompare: cannot write the report to standard output: Broken pipe' told.txt ||
    fail "surfcompare into a closed pipe told: $(cat told.txt)"
# ... and through an open pipe the titles are the same UTF-8 as in a file.
[ "$(shots surfplot --out 'piped\Κόσμος' 2>/dev/null | tr -d '\r')" = "$expected_titles" ] ||
    fail "the titles through a pipe differ"

# In a console: the titles and the message read right, and the console's
# own output code page is given back afterwards.
probe="bash '$repo/scripts/wine-run.sh' '$WINEPREFIX' '$build/tests/console_code_page.exe'"
tmux -S "$socket" new-session -d -s console -x 120 -y 40 \
    "cd '$work' && $probe >code-page.before;
     bash '$repo/scripts/wine-run.sh' '$WINEPREFIX' '$build/tools/surfplot-shots.exe' --size 160x150 --out 'konzol\\Kőrösi';
     $probe >code-page.after; sleep 600"
pane() { tmux -S "$socket" capture-pane -p -t console; }
console_done() { [ -s code-page.after ]; }
until_limit=$((SECONDS + 180))
until console_done || [ $SECONDS -ge $until_limit ]; do sleep 0.2; done
console_done || fail "the export in a console did not end: $(pane)"
for line in 'Pontfelhö' 'Tégla (2,2)' 'X-Y fv-metszet, tömör' 'wrote 12 pictures of 160x150 to konzol\Kőrösi\'; do
    pane | grep -qxF "$line" || fail "the console does not show '$line': $(pane)"
done
grep -q 'output code page' code-page.before && cmp -s code-page.before code-page.after ||
    fail "the console's $(cat code-page.before), then $(cat code-page.after)"

[ $failures -eq 0 ] && echo "Windows names, Unicode text and closed pipes as on Linux"
exit $((failures > 0))
