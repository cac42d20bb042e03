#!/usr/bin/env bash
# Builds everything and runs every test: once as built, once under
# AddressSanitizer and UndefinedBehaviorSanitizer, once with Clang as a Mac
# builds, once cross-built for Windows under Wine, the ARM build's exports
# and faults under qemu, once with a 64-bit long double as on Apple silicon,
# these two beside the web page's tests in two browsers; the benchmarks run
# once each among the first build's tests.  At the end it tells how long
# each stage took.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
install_missing_packages "${build_packages[@]}" "${test_packages[@]}"
install_missing_packages "${grade_packages[@]}"
start_seconds=$SECONDS
jobs=$(nproc)

times_file=$(mktemp)
# The stages' times, also when one fails.
tell_stage_times() {
    rm -f "$times_file"
    echo "time by stage (the first packages took $start_seconds s; each stage installs its own):"
    [ ${#stage_times[@]} -eq 0 ] || printf '%s\n' "${stage_times[@]}"
}
trap tell_stage_times EXIT
# The processor time of this script's finished children, in seconds, into
# the variable children_seconds (`times` must run in this shell itself).
read_children_seconds() {
    times >"$times_file"
    children_seconds=$(awk 'NR == 2 { split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' \
        "$times_file")
}
# timed NAME COMMAND...: runs COMMAND, keeping for the summary the time it
# took and the processor time it used on all cores.  (A function given as
# COMMAND runs without `set -e`: it chains its steps with &&.)
stage_times=()
timed() {
    local name=$1 start=$SECONDS cpu
    shift
    read_children_seconds
    cpu=$children_seconds
    local status=0
    "$@" || status=$?
    read_children_seconds
    [ $status -eq 0 ] || name="$name: failed"
    stage_times+=("$(printf '%5d s  (processor %5d s)  %s' $((SECONDS - start)) $((children_seconds - cpu)) "$name")")
    return $status
}

# Warnings are errors here, as in CI.
main_build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DSURF_BENCH=ON \
        -DSURF_WARNINGS_AS_ERRORS=ON >/dev/null &&
        cmake --build build -j"$jobs"
}
timed "build" main_build
timed "tests and benchmarks" ctest --test-dir build --output-on-failure --timeout 300 -j"$jobs"
# Clang as a Mac builds: portable EXTENDED, no traps, no X11, no libdw.
timed "Clang" bash scripts/ci-clang.sh

sanitizer_build() {
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DSURF_SANITIZE=ON -DBUILD_TESTING=ON -DSURF_BENCH=OFF \
        -DSURF_WARNINGS_AS_ERRORS=ON >/dev/null &&
        cmake --build build-sanitize -j"$jobs"
}
timed "sanitizer build" sanitizer_build
# (narrowing compiles the sources with the first build's compiler and its
# own flags: run there, it would tell nothing new here)
timed "sanitizer tests" env ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-sanitize --output-on-failure \
    --timeout 300 -j"$jobs" -E '^narrowing$'

# The Windows build, cross-compiled and run under Wine.
timed "Windows under Wine" bash scripts/windows-tests.sh build

# The web page, built with Emscripten and driven in headless Chromium and
# Firefox, leaves a core idle most of its time: the ARM64 build under
# qemu-user and the 64-bit long double build (as on Apple silicon), both
# against this x86-64 build, run beside it, their output kept until it ends.
beside_the_page() {
    bash scripts/ci-arm64.sh build && bash scripts/ci-long-double-64.sh build
}
side_jobs() {
    local log status=0
    # (installed first: two installs at once would find the package system locked)
    install_missing_packages "${web_packages[@]}" && install_arm64_packages || return
    log=$(mktemp)
    beside_the_page >"$log" 2>&1 &
    local side=$!
    bash scripts/ci-web.sh build || status=$?
    wait "$side" || { echo "the ARM64 or the 64-bit long double job failed:"; status=1; }
    cat "$log"
    rm -f "$log"
    return $status
}
timed "web page, beside it ARM64 and the 64-bit long double" side_jobs

echo "all tests passed"
