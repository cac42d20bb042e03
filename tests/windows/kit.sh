#!/usr/bin/env bash
# The students' zip as a student on Windows uses it, under Wine: unpacked
# into a folder whose name has a space and a non-ASCII letter, its programs
# importing system DLLs only, its kit built with MinGW-w64 through the
# toolchain file it carries, one renderer changed to draw something and
# the kit rebuilt, that picture seen changed in surfkit-shots.exe's export;
# the export commands and surfcompare.exe run from that folder with
# backslash paths.
# Needs the Wine session of scripts/wine-session.sh (WINEPREFIX).
#   kit.sh ZIP
set -u
zip=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
: "${WINEPREFIX:?run inside a Wine session}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run_exe() { timeout 120 bash "$repo/scripts/wine-run.sh" "$WINEPREFIX" "$@" </dev/null; }

student="$work/Kovács Anna"
mkdir "$student" && unzip -q "$zip" -d "$student" || { echo "FAIL: cannot unpack $zip"; exit 1; }
home="$student/surfkit-windows"
for file in surfplot.exe surfkit.exe surfplot-shots.exe surfkit-shots.exe surfcompare.exe README.txt \
    kit/README.txt kit/CMakeLists.txt kit/cmake/mingw-w64-x86_64.cmake kit/skeleton/szintvonal1.cpp \
    kit/platform/windows_utf8.rc kit/platform/windows_utf8.manifest kit/check.sh kit/.gitlab-ci.yml \
    kit/.github/workflows/check.yml; do
    [ -f "$home/$file" ] || fail "the zip has no $file"
done
bash "$here/imports.sh" "$home" || fail "the zip's programs need DLLs that Windows does not have"

# The kit, built as its README says for Linux, in a build folder of its own.
build_kit() {
    cmake --build "$home/kit/build" -j"$(nproc)" >"$work/build.log" 2>&1 || { cat "$work/build.log"; return 1; }
}
cmake -S "$home/kit" -B "$home/kit/build" -DCMAKE_TOOLCHAIN_FILE="$home/kit/cmake/mingw-w64-x86_64.cmake" \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; echo "FAIL: the kit does not configure"; exit 1; }
started=$SECONDS
build_kit || { echo "FAIL: the kit does not build"; exit 1; }
echo "the kit's first build: $((SECONDS - started)) s"
bash "$here/imports.sh" "$home/kit/build" || fail "the kit's programs need DLLs that Windows does not have"

cd "$home" || exit 1
run_exe surfplot-shots.exe --size 320x240 --out 'shots\expected' >/dev/null 2>&1 || fail "surfplot-shots.exe failed"
run_exe 'kit\build\surfkit-shots.exe' --size 320x240 --out 'shots\before' >/dev/null 2>&1 ||
    fail "kit\\build\\surfkit-shots.exe failed"
# A student's first line in RAJZSZINT1.
sed -i 's/^    set_plan_steps();$/&\n    Line(0, 0, 100, 60);/' kit/skeleton/szintvonal1.cpp
grep -q 'Line(0, 0, 100, 60)' kit/skeleton/szintvonal1.cpp || fail "the renderer was not changed"
build_kit || fail "the changed kit does not build"
run_exe 'kit\build\surfkit-shots.exe' --size 320x240 --out 'shots\after' >/dev/null 2>&1 ||
    fail "the rebuilt surfkit-shots.exe failed"
run_exe surfcompare.exe 'shots\before' 'shots\after' --diff 'shots\diff' >"$work/report.txt" 2>&1
code=$?
[ $code = 1 ] || fail "surfcompare.exe of the two kit exports: exit code $code, not 1"
grep -q '^ 1  Szintvonal-1 .* pixels differ' "$work/report.txt" &&
    [ "$(grep -c '^ *[0-9]*  .* identical$' "$work/report.txt")" = 11 ] ||
    fail "not picture 1 alone changed: $(cat "$work/report.txt")"
[ -f shots/diff/01.png ] && [ ! -e shots/diff/02.png ] || fail "the diff pictures: $(ls shots/diff)"
run_exe surfcompare.exe 'shots\expected' 'shots\after' >"$work/report.txt" 2>&1
code=$?
[ $code = 1 ] && grep -q '^expected: shots\\expected   actual: shots\\after   (320x240)' "$work/report.txt" ||
    fail "surfcompare.exe against the finished pictures: exit code $code: $(head -n2 "$work/report.txt")"

[ $failures -eq 0 ] && echo "the students' zip in '$student': programs, kit build and compare as its README says"
exit $((failures > 0))
