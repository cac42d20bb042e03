#!/usr/bin/env bash
# The build that stands in for Apple silicon, whose long double is a plain
# double: x86-64 Linux with GCC's -mlong-double-64, so EXTENDED is the type
# computed in integers by itself, and no long double function of the C
# library (whose long double has 80 bits here) may be called.  Runs the
# unit tests of the show and the tools (the whole show against the
# reference rendering among them),
# the planted faults against the x86-64 build (given as the first argument,
# default build/), and the export commands against its pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
x86_build=${1:-build}
source scripts/packages.sh
install_missing_packages "${build_packages[@]}" "${test_packages[@]}"
jobs=$(nproc)
build=build-ld64

cmake --preset long-double-64 -DSURF_WARNINGS_AS_ERRORS=ON >/dev/null
# The platform's and surfgrade's tests hold none of the show's arithmetic:
# the x86-64 build runs them.
cmake --build "$build" -j"$jobs" --target surf_tests kit_tests libpng_reader_tests \
    planted-surfplot-shots planted-surfkit surfplot-shots surfkit-shots surfcompare
# The x86-64 side: usually built already by run-tests.sh.
cmake --build "$x86_build" -j"$jobs" --target surfplot-shots surfkit-shots surfcompare \
    planted-surfplot-shots planted-surfkit
grep -q '^CMAKE_CXX_FLAGS:STRING=.*-mlong-double-64' "$build/CMakeCache.txt" ||
    { echo "$build is not built with a 64-bit long double" >&2; exit 1; }
# (not narrowing, which uses the x86-64 build's compiler without the
# build's flags, and is run there; nor the test programs not built here)
ctest --test-dir "$build" --output-on-failure --timeout 300 -j"$jobs" -L unit \
    -E '^(narrowing|platform_tests_NOT_BUILT|grade_tests_NOT_BUILT)$'
# Sizes the ARM job does not use, beside a few of its own.
SURF_EXPORT_SIZES="640x480 1920x1080 102x150 1707x400 131x294 997x613 1500x150" \
    bash tests/arm64/exports.sh "$build" "$x86_build" "the 64-bit long double build"
bash tests/arm64/faults.sh "$build" "$x86_build" "the 64-bit long double build"
echo "64-bit long double: tests passed"
