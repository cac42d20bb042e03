#!/usr/bin/env bash
# The export commands as a teacher runs them: twelve PNGs and twelve title
# lines, clear errors with exit code 2 and no partial file.
set -u
source "$(dirname "$0")/../support/needs.bash"
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
# Root writes anywhere: as root the check runs as nobody, through a copy of
# the export command in the work folder (the build folder may be closed to
# other users).
if [ "$(id -u)" -ne 0 ]; then
    check_error "locked" --out "$work/locked"
elif chmod 755 "$work" && cp "$plot" "$work/surfplot-shots" &&
    printf '#!/bin/sh\nexec setpriv --reuid=65534 --regid=65534 --clear-groups "%s" "$@"\n' \
        "$work/surfplot-shots" >"$work/as-nobody" && chmod 755 "$work/as-nobody" &&
    "$work/as-nobody" --help >/dev/null 2>&1; then
    own_plot=$plot
    plot=$work/as-nobody
    check_error "locked" --out "$work/locked"
    plot=$own_plot
else
    skip_part "the folder without write permission: no other user to run as"
fi
[ -z "$(ls -A "$work/locked")" ] || fail "files left in a refused folder"

"$plot" --help >"$work/help" || fail "--help exit code"
grep -q -- "--size WIDTHxHEIGHT" "$work/help" || fail "--help shows no usage"

check_error "out of range: width 102 to 8192" --size 100000x480
check_error "the --out folder name is empty" --out ""

# A disk that fills in the middle of the export (a file size limit here):
# exit 2, and the folder keeps the earlier run's pictures, nothing else.
"$plot" --size 333x222 --out "$work/kept" >/dev/null 2>&1
(cd "$work/kept" && md5sum ./*) >"$work/kept.sums"
rc=0
(ulimit -f 8; trap '' XFSZ; "$plot" --size 2000x1500 --out "$work/kept" >/dev/null 2>"$work/err") || rc=$?
[ $rc -eq 2 ] || fail "full disk: exit $rc"
grep -q "cannot write $work/kept/0[0-9].png" "$work/err" || fail "full disk: $(cat "$work/err")"
(cd "$work/kept" && md5sum --quiet -c "$work/kept.sums") || fail "full disk: earlier pictures changed"
[ "$(ls -A "$work/kept" | wc -l)" -eq 12 ] || fail "full disk: files left: $(ls -A "$work/kept")"

# An output pipe that closes: said on stderr, and no folder left behind.
rc=0
"$plot" --out "$work/piped/out" 2>"$work/err" | true
grep -q "cannot write the titles to standard output" "$work/err" || fail "closed pipe: $(cat "$work/err")"
[ ! -e "$work/piped" ] || fail "closed pipe: folder left: $(ls -RA "$work/piped")"

[ $failures -eq 0 ] && echo "shots: all checks passed"
exit $((failures > 0))
