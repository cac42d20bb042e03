#!/usr/bin/env bash
# The ARM export commands, run under qemu-user, against the x86-64 ones: the
# same twelve pictures pixel for pixel and the same title bytes, for both
# programs at several sizes: common screens, odd and tiny ones, and sizes
# where a halfway value or the extended precision decides a pixel (at
# 1707x400 and 1684x400 a double evaluation changes the tenth picture; at 131x294,
# 1241x276 and 1691x160 halves rounded away from zero change pictures).
#   exports.sh ARM_BUILD X86_BUILD [NAME]  (NAME: what the messages call the first build)
set -u
arm=$1
x86=$2
# (the arm64 libraries are multiarch ones, with their own loader in /lib)
other_name=${3:-ARM}
# An ARM build runs under qemu-user; another x86-64 build (a 64-bit long
# double's) runs as it is.
qemu=()
file -L "$arm/tools/surfplot-shots" | grep -q "ARM aarch64" && qemu=(qemu-aarch64 -L /)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

sizes=${SURF_EXPORT_SIZES:-"640x480 800x600 1366x768 1920x1080 102x150 333x222 1001x777 1707x400 1684x400 131x294 1241x276 1691x160"}
for program in surfplot surfkit; do
    for size in $sizes; do
        case=$program-$size
        "$x86/tools/$program-shots" --size "$size" --out "$work/$case/x86" >"$work/$case.x86.txt" 2>/dev/null ||
            fail "$case: the x86-64 export failed"
        timeout 300 "${qemu[@]}" "$arm/tools/$program-shots" --size "$size" --out "$work/$case/arm" \
            >"$work/$case.arm.txt" 2>"$work/$case.err" </dev/null ||
            fail "$case: the $other_name export failed: $(head -c 300 "$work/$case.err")"
        cmp -s "$work/$case.x86.txt" "$work/$case.arm.txt" || fail "$case: the title lines differ"
        if ! "$x86/tools/surfcompare" "$work/$case/x86" "$work/$case/arm" >"$work/$case.report" 2>&1; then
            fail "$case: the pictures differ"
            cat "$work/$case.report"
        fi
        rm -rf "${work:?}/$case"
    done
done
# The ARM comparer finds them equal too, and a difference is a difference.
"$x86/tools/surfplot-shots" --size 400x300 --out "$work/plot" >/dev/null 2>&1
"$x86/tools/surfkit-shots" --size 400x300 --out "$work/kit" >/dev/null 2>&1
timeout 300 "${qemu[@]}" "$arm/tools/surfcompare" "$work/plot" "$work/plot" >"$work/same.txt" 2>&1 ||
    fail "ARM surfcompare on equal pictures: $(cat "$work/same.txt")"
grep -q "all 12 pictures identical" "$work/same.txt" || fail "ARM surfcompare: $(cat "$work/same.txt")"
timeout 300 "${qemu[@]}" "$arm/tools/surfcompare" "$work/plot" "$work/kit" >"$work/other.txt" 2>&1 &&
    fail "ARM surfcompare finds the finished and the empty pictures equal"

[ $failures -eq 0 ] && echo "$other_name exports equal the x86-64 exports: $sizes"
exit $((failures > 0))
