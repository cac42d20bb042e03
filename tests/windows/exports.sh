#!/usr/bin/env bash
# The Windows export commands, run under Wine, against the Linux ones: the
# same twelve pictures pixel for pixel and the same title bytes, for both
# programs at several sizes (odd, tiny, wide, tall and large).
#   exports.sh WINDOWS_BUILD LINUX_BUILD
set -u
windows=$1
linux=$2
repo=$(cd "$(dirname "$0")/../.." && pwd)
# (as on a Windows with nothing installed)
run_exe() { timeout 120 bash "$repo/scripts/wine-run.sh" "${WINEPREFIX:?run inside a Wine session}" "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

sizes=${SURF_EXPORT_SIZES:-"640x480 102x150 333x222 1001x777 1366x768 150x1200 1920x1080"}
for program in surfplot surfkit; do
    for size in $sizes; do
        case=$program-$size
        "$linux/tools/$program-shots" --size "$size" --out "$work/$case/linux" >"$work/$case.linux.txt" 2>/dev/null ||
            fail "$case: the Linux export failed"
        run_exe "$windows/tools/$program-shots.exe" --size "$size" --out "$work/$case/windows" \
            >"$work/$case.windows.txt" 2>"$work/$case.err" </dev/null ||
            fail "$case: the Windows export failed (exit code $?): $(head -c 300 "$work/$case.err")"
        cmp -s "$work/$case.linux.txt" "$work/$case.windows.txt" || fail "$case: the title lines differ"
        if ! "$linux/tools/surfcompare" "$work/$case/linux" "$work/$case/windows" >"$work/$case.report" 2>&1; then
            fail "$case: the pictures differ"
            cat "$work/$case.report"
        fi
    done
done
# The Windows comparer reads the Windows pictures and finds them equal too.
run_exe "$windows/tools/surfcompare.exe" "$work/surfplot-333x222/linux" "$work/surfplot-333x222/windows" \
    >"$work/compare.txt" 2>&1 </dev/null || fail "surfcompare.exe: $(cat "$work/compare.txt")"
grep -q "all 12 pictures identical" "$work/compare.txt" || fail "surfcompare.exe report: $(cat "$work/compare.txt")"

[ $failures -eq 0 ] && echo "Windows exports equal the Linux exports: $sizes"
exit $((failures > 0))
