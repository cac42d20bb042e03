#!/usr/bin/env bash
# The build that ARM, WebAssembly and macOS get, tried on x86: EXTENDED
# computed in integers and the floating-point checks without traps.  Runs
# the unit tests (the whole show against the reference rendering, the type
# against the processor's long double) and the planted faults' reports.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
build=build-portable

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DSURF_BENCH=OFF \
    -DSURF_WARNINGS_AS_ERRORS=ON -DSURF_PORTABLE_EXTENDED=ON -DSURF_FLOAT_TRAPS=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target surf_tests kit_tests planted-surfkit planted-surfplot-shots surfplot-shots
# Only what was built: the platform's own tests do not depend on these options.
ctest --test-dir "$build" --output-on-failure --timeout 300 -j"$jobs" -L unit \
    -E '_NOT_BUILT|^narrowing$|^folder_rules$'
ctest --test-dir "$build" --output-on-failure --timeout 300 -R '^e2e_error_location$'
echo "portable EXTENDED and checks without traps: tests passed"
