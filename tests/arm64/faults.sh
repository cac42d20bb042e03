#!/usr/bin/env bash
# Faults planted in copies of a renderer (tests/planted), run on ARM under
# qemu-user (or in another x86-64 build, a 64-bit long double's) and on x86-64: the same exit code, the same "Runtime error N"
# line (but for the code address), and the same words and source line on
# standard error (where ARM, without the processor's traps, finds a fault
# later, it says so), in the export command with the finished renderers and in
# the student's program without a display.
#   faults.sh ARM_BUILD X86_BUILD [NAME]  (NAME: what the messages call the first build)
set -u
arm=$1
x86=$2
other_name=${3:-ARM}
# An ARM build runs under qemu-user; another x86-64 build (a 64-bit long
# double's) runs as it is.
qemu=()
file -L "$arm/tools/surfplot-shots" | grep -q "ARM aarch64" && qemu=(qemu-aarch64 -L /)
# Without the processor's traps (ARM), a double's fault is found later.
trapless=no
grep -q '^SURF_FLOAT_TRAPS:BOOL=OFF' "$arm/CMakeCache.txt" && trapless=yes
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# $1: fault; $2: the planted program; $3: its arguments; $4: its standard input.
# Writes $work/{x86,arm}.{out,err,rc}.
run_both() {
    local fault=$1 program=$2 arguments=$3 input=$4 machine
    for machine in x86 arm; do
        local build=$x86 runner=()
        [ $machine = arm ] && build=$arm runner=("${qemu[@]}")
        rm -rf "$work/pics"
        # shellcheck disable=SC2086  # the arguments are words
        printf '%s' "$input" | env -u DISPLAY SDL_VIDEODRIVER=dummy PLANTED_FAULT="$fault" timeout 300 \
            "${runner[@]}" "$build/tests/planted/$program" $arguments >"$work/$machine.out" 2>"$work/$machine.err"
        echo $? >"$work/$machine.rc"
    done
}

# The words and the failing line (the callers may differ with what each
# compiler inlines), after what the program says of its missing window.
told() { grep -v "no window could be opened" "$1" | head -n 2; }

# The run-time error's line without its code address.
error_line() { tail -n 1 "$1" | sed 's/ at \$[0-9A-F]\{8\}$/ at $address/'; }

compare_runs() {
    local what=$1 x86_rc arm_rc
    x86_rc=$(cat "$work/x86.rc") arm_rc=$(cat "$work/arm.rc")
    [ "$x86_rc" -ne 0 ] || fail "$what: no error on x86-64"
    [ "$x86_rc" = "$arm_rc" ] || fail "$what: exit code $arm_rc on $other_name, $x86_rc on x86-64"
    [ "$(error_line "$work/x86.out")" = "$(error_line "$work/arm.out")" ] ||
        fail "$what: $other_name ends with '$(tail -n 1 "$work/arm.out")', x86-64 with '$(tail -n 1 "$work/x86.out")'"
    if [ $trapless = yes ] && [[ $what == float_overflow* || $what == float_invalid* ]]; then
        # Without traps a double's overflow or invalid operation is found in
        # the status flags by the next check, which says so: the same words,
        # a line told at or after the failing one.
        [ "$(told "$work/x86.err" | head -n 1)" = "$(told "$work/arm.err" | head -n 1)" ] ||
            fail "$what: words on $other_name '$(told "$work/arm.err")', on x86-64 '$(told "$work/x86.err")'"
        grep -q "^  (found there by the first check after the failing operation" "$work/arm.err" ||
            fail "$what: not told as found late on $other_name: $(cat "$work/arm.err")"
        return
    fi
    [ "$(told "$work/x86.err")" = "$(told "$work/arm.err")" ] ||
        fail "$what: standard error differs: $other_name '$(told "$work/arm.err")', x86-64 '$(told "$work/x86.err")'"
}

for fault in row column store round overflow division integer_division float_division float_overflow float_invalid \
    nan_if nan_choice extended_overflow lowest_division round_huge; do
    run_both "$fault" planted-surfplot-shots "--size 640x480 --out $work/pics" ""
    compare_runs "$fault in the export command"
    run_both "$fault" planted-surfkit "" abcdefghijkl
    compare_runs "$fault in the student's program"
done

[ $failures -eq 0 ] && echo "planted faults end alike on $other_name and x86-64"
exit $((failures > 0))
