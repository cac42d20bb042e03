#!/usr/bin/env bash
# A fault planted in a copy of a renderer (tests/planted) is told on standard
# error in words, at the copy's own file and line, after the unchanged
# "Runtime error" line on standard output: in the export command with the
# finished renderers, in the student's program without a display and in a
# window; and without debug information, one line says how to get it.  A
# build without libdw says instead that it does not know the line.
set -u
build=$1
source "$(dirname "$0")/desktop.bash"
planted=$build/tests/planted
kit=$planted/planted-surfkit
shots=$planted/planted-surfplot-shots

# The line of the planted fault NAME in the copy of FILE.
line_of() { grep -n "// planted: $2\$" "$planted/top/$1" | cut -d: -f1; }

# $1: fault; $2: exit code; $3: the words (a grep pattern); $4: the copy;
# $5: the function told first; $6: what ran it; $7: its standard input.
check_fault() {
    local fault=$1 code=$2 words=$3 file=$4 function=$5 line rc
    line=$(line_of "$file" "$fault")
    printf '%s' "$7" | env -u DISPLAY SDL_VIDEODRIVER=dummy PLANTED_FAULT="$fault" \
        ASAN_OPTIONS=detect_leaks=0 timeout 60 $6 >"$work/out" 2>"$work/err"
    rc=$?
    local what="$fault in $file"
    [ $rc -eq "$code" ] || fail "$what: exit code $rc, not $code"
    tail -n 1 "$work/out" | grep -qx "Runtime error $code at \\\$[0-9A-F]\\{8\\}" ||
        fail "$what: standard output ends with '$(tail -n 1 "$work/out")'"
    # (the program may first say why it shows no window)
    grep -x -A1 -- "$words" "$work/err" >"$work/told" || fail "$what: words $(cat "$work/err")"
    if [ "$lines" = no ]; then
        sed -n 2p "$work/told" | grep -qxF -- "$line_unknown" || fail "$what: place '$(sed -n 2p "$work/told")'"
        return
    fi
    if [ "$trapless" = yes ] && [[ $fault == float_overflow || $fault == float_invalid ]]; then
        # Without traps a double's overflow or invalid operation is found in
        # the status flags by the next check that runs: a place, and the note.
        sed -n 2p "$work/told" | grep -q '^  in [^,]*, [a-z_/]*\.cpp:[0-9]*$' ||
            fail "$what: no place: $(cat "$work/err")"
        grep -q "^  (found there by the first check after the failing operation" "$work/err" ||
            fail "$what: not told as found late: $(cat "$work/err")"
        return
    fi
    sed -n 2p "$work/told" | grep -qxF -- "  in $function, $file:$line" || fail "$what: place '$(sed -n 2p "$work/told")', not line $line"
}

# Built without floating-point traps (SURF_FLOAT_TRAPS=OFF)?
trapless=no
grep -q '^SURF_FLOAT_TRAPS:BOOL=OFF' "$build/CMakeCache.txt" && trapless=yes
# Built without libdw (SURF_LIBDW=OFF), which reads the lines?
lines=yes
grep -q '^SURF_LIBDW:BOOL=OFF' "$build/CMakeCache.txt" && lines=no
line_unknown="  (the source line is not known in this build: it was built without libdw)"

for case in \
    "row 201 range check: 51 is outside 1\.\.50 (FVT row)" \
    "column 201 range check: 0 is outside 1\.\.50 (FVT column)" \
    "store 201 range check: 40000 is outside -32768\.\.32767" \
    "round 201 range check: 40000\(\.0*[0-9]*\)\? rounds outside -32768\.\.32767" \
    "overflow 215 integer overflow: 60000 \* 60000" \
    "division 200 division by zero" \
    "integer_division 200 division by zero" \
    "float_division 200 division by zero" \
    "float_overflow 205 floating-point overflow" \
    "float_invalid 207 invalid floating-point operation" \
    "nan_if 207 invalid floating-point operation" \
    "nan_choice 207 invalid floating-point operation" \
    "extended_overflow 205 floating-point overflow" \
    "lowest_division 200 division by zero" \
    "round_huge 201 range check: 1e+30 rounds outside -32768\.\.32767"; do
    read -r fault code words <<<"$case"
    # A plain division by zero is undefined behaviour, which the sanitizers'
    # build reports itself before the processor can trap.
    [[ $fault == integer_division || $fault == lowest_division ]] && grep -q '^SURF_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" && continue
    # The finished bricks: the fault is in a helper inlined into RAJZTEGLA.
    check_fault "$fault" "$code" "$words" render/tegla.cpp draw_brick "$shots --size 640x480 --out $work/pics" ""
    [ "$trapless" = yes ] && [[ $fault == float_overflow || $fault == float_invalid ]] || [ "$lines" = no ] ||
        grep -q "^  called from RAJZTEGLA, render/tegla.cpp:[0-9]*$" "$work/err" || fail "$fault: no caller: $(cat "$work/err")"
    rm -rf "$work/pics"
    # The student's bricks, the fourth picture.
    check_fault "$fault" "$code" "$words" skeleton/tegla.cpp RAJZTEGLA "$kit" abcdefghijkl
done

# A console that cannot be written: the I/O error in words.
printf 'abcdefghijkl' | env -u DISPLAY SDL_VIDEODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 timeout 60 "$kit" \
    >/dev/full 2>"$work/err"
rc=$?
[ $rc -eq 101 ] || fail "console on /dev/full: exit code $rc"
grep -qx 'cannot write the console (I/O error 101)' "$work/err" || fail "console on /dev/full: $(cat "$work/err")"

# Without debug information: the function, and how to build with it.
if [ "$lines" = yes ]; then
    objcopy --strip-debug "$shots" "$work/stripped"
    PLANTED_FAULT=row timeout 60 "$work/stripped" --size 640x480 --out "$work/pics" >/dev/null 2>"$work/err"
    [ "$(sed -n 1p "$work/err")" = "range check: 51 is outside 1..50 (FVT row)" ] ||
        fail "stripped: words $(cat "$work/err")"
    sed -n 2p "$work/err" | grep -q "^  in .*no line information: build with debug information" ||
        fail "stripped: $(cat "$work/err")"
    [ "$(wc -l <"$work/err")" -eq 2 ] || fail "stripped: $(cat "$work/err")"
fi

# In a window: the trap is told after the window has closed and the
# terminal is given back.
start_display 640x480
start_terminal 90 28 DISPLAY="$DISPLAY" SDL_VIDEODRIVER=x11 PLANTED_FAULT=float_division
run_in_terminal "$kit 2>$work/window.err"
for picture in 1 2 3; do
    wait_for_titles $picture
    press x
done
wait_for_end
[ "$(exit_code)" = 200 ] || fail "in a window: exit code $(exit_code)"
check_terminal_restored "in a window"
pane_has '^Runtime error 200 at \$[0-9A-F]\{8\}$' || fail "in a window: $(pane_text | tail -n 5)"
place="  in RAJZTEGLA, skeleton/tegla.cpp:$(line_of skeleton/tegla.cpp float_division)"
[ "$lines" = no ] && place=$line_unknown
[ "$(head -n 2 "$work/window.err")" = "division by zero
$place" ] || fail "in a window: $(cat "$work/window.err")"

finish
