#!/usr/bin/env bash
# The students' zip as a student on Windows uses it, under Wine: unpacked
# into a folder whose name has spaces and non-ASCII letters, at most 4 MB,
# its programs stripped and importing system DLLs only, every exit code of
# their --help in its README; its kit built as its README says on Linux
# (pictures as the Linux build's surfkit-shots gives them) and with
# MinGW-w64 through the toolchain file it carries, no file in it that
# neither build uses; one renderer changed to draw something and the kit
# rebuilt, that picture seen changed in surfkit-shots.exe's export; the
# export commands and surfcompare.exe run from that folder with backslash
# paths.
# Needs the Wine session of scripts/wine-session.sh (WINEPREFIX).
#   kit.sh ZIP LINUX_BUILD
set -u
zip=$(realpath "$1")
linux=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
: "${WINEPREFIX:?run inside a Wine session}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run_exe() { timeout 120 bash "$repo/scripts/wine-run.sh" "$WINEPREFIX" "$@" </dev/null; }

student="$work/Tanulók mappája/Ünnepi Ödön"
mkdir -p "$student" && unzip -q "$zip" -d "$student" || { echo "FAIL: cannot unpack $zip"; exit 1; }
home="$student/surfkit-windows"
programs="surfplot surfkit surfplot-shots surfkit-shots surfcompare"
for file in $(printf '%s.exe ' $programs) README.txt kit/README.txt kit/CMakeLists.txt \
    kit/cmake/mingw-w64-x86_64.cmake kit/cmake/desktop_features.cmake kit/skeleton/szintvonal1.cpp \
    kit/platform/windows/windows_utf8.rc kit/platform/windows/windows_utf8.manifest kit/check.sh kit/.gitlab-ci.yml \
    kit/.github/workflows/check.yml; do
    [ -f "$home/$file" ] || fail "the zip has no $file"
done
bash "$here/imports.sh" "$home" || fail "the zip's programs need DLLs that Windows does not have"
size=$(stat -c %s "$zip")
[ "$size" -le $((4 * 1024 * 1024)) ] || fail "the zip has $size bytes, more than 4 MB"
echo "the zip: $size bytes; its programs: $(cd "$home" && stat -c '%n %s' ./*.exe | tr '\n' ' ')"
for program in $programs; do
    ! x86_64-w64-mingw32-objdump -h "$home/$program.exe" | grep -q '\.debug' || fail "$program.exe is not stripped"
    run_exe "$home/$program.exe" --help >"$work/help.txt" 2>&1 || fail "$program.exe --help failed"
    bash "$here/exit_codes.sh" "$home/README.txt" "$program.exe" "$work/help.txt" || failures=$((failures + 1))
done

# The kit's commands as its README gives them, each section's run in the kit.
readme_commands() {
    sed -n "/^$1/,/^Comparing/p" "$home/kit/README.txt" | grep '^    cmake ' | sed "s/-j 4\$/-j$(nproc)/"
}
run_readme_commands() {
    local commands
    commands=$(readme_commands "$1")
    [ "$(wc -l <<<"$commands")" = 4 ] || { echo "FAIL: the kit README's build commands: $commands"; return 1; }
    (cd "$home/kit" && eval "$(sed -n "$2p" <<<"$commands")") >"$work/build.log" 2>&1 ||
        { cat "$work/build.log"; return 1; }
}
# "Building on Linux" gives the Linux build (lines 1 and 2), then the
# Windows build with MinGW-w64 (lines 3 and 4); each linked with a list of
# what it took, for kit_files.sh.
started=$SECONDS
LDFLAGS=-Wl,-t,-t run_readme_commands "Building on Linux" 1,2 || { echo "FAIL: the kit does not build on Linux"; exit 1; }
echo "the kit's Linux build: $((SECONDS - started)) s"
linux_kit_build=$(readme_commands "Building on Linux" | sed -n '1s/.* -B \([^ ]*\).*/\1/p')
"$home/kit/$linux_kit_build/surfkit-shots" --size 320x240 --out "$work/linux-kit" >/dev/null 2>&1 ||
    fail "the kit's Linux surfkit-shots failed"
"$linux/tools/surfkit-shots" --size 320x240 --out "$work/linux-expected" >/dev/null 2>&1 ||
    fail "the Linux build's surfkit-shots failed"
"$linux/tools/surfcompare" "$work/linux-expected" "$work/linux-kit" >"$work/report.txt" 2>&1 ||
    fail "the kit's Linux pictures are not the expected ones: $(cat "$work/report.txt")"
# (and the comparison that the kit's check.sh builds for a push's check)
cmake --build "$home/kit/$linux_kit_build" --target surfcompare -j"$(nproc)" >>"$work/build.log" 2>&1 ||
    fail "the kit's surfcompare, which check.sh uses, does not build on Linux"
mv "$work/build.log" "$work/linux-build.log"
started=$SECONDS
LDFLAGS=-Wl,-t,-t run_readme_commands "Building on Linux" 3,4 || { echo "FAIL: the kit does not build with MinGW-w64"; exit 1; }
echo "the kit's first build with MinGW-w64: $((SECONDS - started)) s"
mv "$work/build.log" "$work/windows-build.log"
windows_kit_build=$(readme_commands "Building on Linux" | sed -n '3s/.* -B \([^ ]*\).*/\1/p')
bash "$here/kit_files.sh" "$home/kit" "$home/kit/$linux_kit_build" "$work/linux-build.log" \
    "$home/kit/$windows_kit_build" "$work/windows-build.log" || fail "the kit carries files that no build of it uses"
[ "$windows_kit_build" = build ] || fail "the kit's Windows build goes to $windows_kit_build, not build"
build_kit() {
    cmake --build "$home/kit/build" -j"$(nproc)" >"$work/build.log" 2>&1 || { cat "$work/build.log"; return 1; }
}
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
