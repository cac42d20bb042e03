#!/usr/bin/env bash
# The export commands as a teacher runs them: twelve PNGs and twelve title
# lines, clear errors with exit code 2 and no partial file.
set -u
build=$1
plot=$build/tools/surfplot-shots
kit=$build/tools/surfkit-shots
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The titles the show itself writes to its console, without a display.
expected_titles=$(printf 'abcdefghijkl' | env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy \
    ASAN_OPTIONS=detect_leaks=0 timeout 60 "$build/surfplot" 2>"$work/err")
[ "$(printf '%s\n' "$expected_titles" | wc -l)" -eq 12 ] || fail "surfplot wrote no twelve titles: $expected_titles"
[ "$(printf '%s\n' "$expected_titles" | sed -n 3p)" = "Pontfelhö" ] || fail "third title not in UTF-8: $expected_titles"

for tool in "$plot" "$kit"; do
    out=$("$tool" --size 333x222 --out "$work/pics" 2>"$work/err" </dev/null); rc=$?
    [ $rc -eq 0 ] || fail "$tool exit $rc"
    [ "$out" = "$expected_titles" ] || fail "$tool titles: $out"
    for n in 01 02 03 04 05 06 07 08 09 10 11 12; do
        [ -s "$work/pics/$n.png" ] || fail "$tool: $n.png missing"
    done
    file "$work/pics/01.png" | grep -q "333 x 222, 8-bit colormap" || fail "$tool: not a 333x222 palette PNG"
    [ -z "$(ls "$work/pics" | grep -v '^[01][0-9]\.png$')" ] || fail "$tool: stray files"
    rm -rf "$work/pics"
done

check_error() {  # expected exit 2, one line on stderr naming $1, nothing on stdout
    local name=$1; shift
    local out err rc
    out=$("$plot" "$@" 2>"$work/err"); rc=$?
    err=$(cat "$work/err")
    [ $rc -eq 2 ] || fail "$* exit $rc"
    [ -z "$out" ] || fail "$* wrote to stdout: $out"
    [ "$(echo "$err" | wc -l)" -eq 1 ] || fail "$* error is not one line: $err"
    echo "$err" | grep -q -- "$name" || fail "$* error does not name $name: $err"
}
check_error "--bogus" --bogus
check_error "50x50" --size 50x50
check_error "big" --size big --out "$work/x"
touch "$work/file"
check_error "file" --out "$work/file"
mkdir "$work/locked" && chmod a-w "$work/locked"
if [ "$(id -u)" -ne 0 ]; then
    check_error "locked" --out "$work/locked"
fi
[ -z "$(ls -A "$work/locked")" ] || fail "files left in a refused folder"

"$plot" --help >"$work/help" || fail "--help exit code"
grep -q -- "--size WIDTHxHEIGHT" "$work/help" || fail "--help shows no usage"

# A full disk in the middle of the export: exit 2, no partial file.
if [ -w /dev/full ] && mountpoint -q /dev 2>/dev/null; then
    :
fi

[ $failures -eq 0 ] && echo "shots: all checks passed"
exit $((failures > 0))
