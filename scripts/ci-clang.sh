#!/usr/bin/env bash
# The build that a Mac gets, tried here: Clang with warnings as errors,
# EXTENDED computed in integers, floating-point checks without traps, the
# window title through SDL alone (no X11) and no libdw.  Runs the unit tests
# (the whole show against the reference rendering among them), the planted
# faults' reports (in a window too) and the export commands.  Not the
# window tests: under X11 without the program's X11 part, SDL alone cannot
# set a title beyond ASCII in the C locale the program keeps, and a request
# SDL sends to the window as it closes can find it gone (X's default error
# handler then ends the program); a Mac has no X11.  It also stands for
# the x86 build with the portable EXTENDED and no traps, whose line reports
# the ARM build's planted faults test (ci-arm64.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing_packages clang "${build_packages[@]}" "${test_packages[@]}"
jobs=$(nproc)
build=build-clang

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DSURF_BENCH=OFF \
    -DSURF_WARNINGS_AS_ERRORS=ON -DSURF_PORTABLE_EXTENDED=ON -DSURF_FLOAT_TRAPS=OFF -DSURF_X11=OFF -DSURF_LIBDW=OFF \
    >/dev/null
cmake --build "$build" -j"$jobs"
ctest --test-dir "$build" --output-on-failure --timeout 300 -j"$jobs" -L unit
ctest --test-dir "$build" --output-on-failure --timeout 300 -R '^e2e_(error_location|shots)$'
echo "Clang without X11 and libdw, portable EXTENDED, checks without traps: tests passed"
