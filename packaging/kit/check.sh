#!/usr/bin/env bash
# Checks this kit's pictures against the expected ones, as a CI job does on
# every push: builds the kit, exports its pictures at the size of the
# expected ones, compares them and leaves check-report/ behind: junit.xml
# for the CI service, report.txt, the diff pictures (NN.png) and, in
# actual/, the pictures this kit drew.
# Usage: bash check.sh EXPECTED
# Exit code: 0 every picture is identical, 1 some differ, 2 the build or the
# run failed (or EXPECTED is not a folder of pictures).
set -u
say() { printf 'check.sh: %s\n' "$*" >&2; }
[ $# -eq 1 ] || { say "usage: bash check.sh EXPECTED (a folder of 01.png ... 12.png)"; exit 2; }
[ -d "$1" ] || { say "no such folder: $1"; exit 2; }
expected=$(cd "$1" && pwd) || exit 2
kit=$(cd "$(dirname "$0")" && pwd) || exit 2
cd "$kit" || exit 2
report=check-report
jobs=$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)

# The size of a PNG file: the width and height in its header, big-endian.
png_size() {
    local bytes
    bytes=($(od -An -tu1 -N24 "$1" 2>/dev/null)) || return 1
    [ ${#bytes[@]} -eq 24 ] && [ "${bytes[*]:0:8}" = "137 80 78 71 13 10 26 10" ] &&
        [ "${bytes[*]:12:4}" = "73 72 68 82" ] || return 1
    echo "$(((bytes[16] << 24) | (bytes[17] << 16) | (bytes[18] << 8) | bytes[19]))x$(((bytes[20] << 24) | (bytes[21] << 16) | (bytes[22] << 8) | bytes[23]))"
}
size=$(png_size "$expected/01.png") || { say "$expected/01.png is missing or not a PNG picture"; exit 2; }

mkdir -p "$report" || exit 2
# An earlier run's verdict never outlives this run.
rm -f "$report/junit.xml" "$report/report.txt"

# A JUnit report of one error, for a CI service to show why nothing was compared.
failed() {
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuites name="check" tests="1" failures="0" errors="1">
  <testsuite name="check" tests="1" failures="0" errors="1">
    <testcase name="%s" classname="check"><error message="%s"/></testcase>
  </testsuite>\n</testsuites>\n' "$1" "$2" >"$report/junit.xml"
    say "$2"
    exit 2
}

log=$report/build.log
echo "building the kit (the log goes to $log)"
if ! { cmake -S . -B build && cmake --build build -j"$jobs" && cmake --build build -j"$jobs" --target surfcompare; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    failed build "the build failed (all of its output is in $log)"
fi

# A run that never ends is stopped, so that the CI job ends with a verdict.
limit=()
command -v timeout >/dev/null && limit=(timeout 600)
echo "drawing the pictures at $size"
if ! "${limit[@]}" build/surfkit-shots --size "$size" --out "$report/actual" >"$report/run.log" 2>&1; then
    cat "$report/run.log" >&2
    failed run "the run failed (build/surfkit-shots --size $size --out $report/actual, its output in $report/run.log)"
fi

build/surfcompare "$expected" "$report/actual" --diff "$report" --junit "$report/junit.xml" >"$report/report.txt"
compared=$?
cat "$report/report.txt"
if [ -n "${GITHUB_STEP_SUMMARY:-}" ]; then
    printf '### Pictures compared with the expected ones\n```\n%s\n```\n' "$(cat "$report/report.txt")" >>"$GITHUB_STEP_SUMMARY"
fi
case $compared in
0) echo "all pictures are identical" ;;
1) echo "some pictures differ: see the diff pictures in $report/ (and $report/actual/ for yours)" ;;
*) failed compare "the pictures could not be compared (surfcompare said why above)" ;;
esac
exit $compared
