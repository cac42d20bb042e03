#!/usr/bin/env bash
# The Windows build with its tests (the windows-tests preset), under Wine as
# on a Windows with nothing installed: the unit tests through CTest, the
# exports against the Linux build's (given as the first argument, default
# build/), file names and text as Windows users type and read them, the
# students' zip unpacked and its kit built as a student would, and
# surfplot.exe in a window under Xvfb.  Any difference fails; nothing is
# run a second time.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-build}
source scripts/packages.sh
install_missing_packages "${windows_packages[@]}"
jobs=$(nproc)
build=build-windows-tests

cmake --preset windows-tests -DSURF_WARNINGS_AS_ERRORS=ON >/dev/null
source scripts/wine-session.sh
start_wine_session "$PWD/$build/wine" 1280x1024
trap stop_wine_session EXIT
# (the build runs the test programs once, under Wine, to list their tests)
cmake --build --preset windows-tests -j"$jobs" --target package
ctest --preset windows-tests -j"$jobs"
bash tests/windows/exports.sh "$build" "$linux_build"
bash tests/windows/names.sh "$build"
bash tests/windows/kit.sh "$build/surfkit-windows.zip" "$linux_build"
bash tests/windows/window.sh "$build"
echo "Windows tests passed"
