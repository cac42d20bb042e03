#!/usr/bin/env bash
# Measures surfgrade on a generated class: 100 students (a third right, a
# third partly right, a third empty) at 640x480 and 1366x768, then grading
# again after one student changed a file.
# usage: grade-bench.sh BUILD_DIR [STUDENTS] [JOBS]
set -euo pipefail
build=$(cd "${1:?usage: grade-bench.sh BUILD_DIR [STUDENTS] [JOBS]}" && pwd)
students=${2:-100}
jobs=${3:-$(nproc)}
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

kinds=(right partly empty)
arguments=()
for ((n = 1; n <= students; n++)); do
    arguments+=("${kinds[n % 3]}" "$(printf 'Student %03d' "$n")")
done
bash "$top/scripts/grade-class.sh" "$top" "$work/class" "${arguments[@]}"

# Wall time (the processor time of the sandboxes' processes does not reach
# surfgrade's own accounting), with the machine's load, which others share.
grade() {
    local TIMEFORMAT="%R s"
    local spent
    spent=$({ time "$build/tools/surfgrade" "$work/class" --out "$work/report" --sizes 640x480,1366x768 \
        --jobs "$jobs" >"$work/out" 2>/dev/null; } 2>&1)
    echo "$1: $spent, load average then $(cut -d' ' -f1 /proc/loadavg) ($(cat "$work/out"))"
}
echo "surfgrade, $students students at 640x480 and 1366x768, $jobs at once, $(nproc) processors," \
    "load average $(cut -d' ' -f1-3 /proc/loadavg)"
grade "first grading"
echo "// changed" >>"$work/class/Student 001/tegla.cpp"
grade "again, one student changed"
