#!/usr/bin/env bash
# The 64-bit ARM Linux build, cross-compiled and run under qemu-user: the
# export commands draw the x86-64 build's pictures (given as the first
# argument, default build/), planted faults end as on x86-64, and the show
# itself (SDL window and terminal) links against Debian's arm64 libraries.
set -euo pipefail
cd "$(dirname "$0")/.."
x86_build=${1:-build}
source scripts/packages.sh
install_missing_packages "${build_packages[@]}"
install_arm64_packages
jobs=$(nproc)

cmake --preset arm64 -DSURF_WARNINGS_AS_ERRORS=ON >/dev/null
# Only what is run here, and the two programs; the unit tests stay x86-64's.
cmake --build --preset arm64 -j"$jobs" --target surfplot surfkit surfplot-shots surfkit-shots surfcompare \
    planted-surfplot-shots planted-surfkit
# The x86-64 side: usually built already by run-tests.sh.
cmake --build "$x86_build" -j"$jobs" --target surfplot-shots surfkit-shots surfcompare \
    planted-surfplot-shots planted-surfkit
file build-arm64/surfplot | grep -q "ARM aarch64" || { echo "build-arm64/surfplot is no ARM program" >&2; exit 1; }
# The aarch64 compiler contracts a * b + c into one fused instruction unless
# told not to; no program may hold one (every target gets -ffp-contract=off).
for program in surfplot surfkit tools/surfplot-shots tools/surfkit-shots; do
    if aarch64-linux-gnu-objdump -d "build-arm64/$program" | grep -qE '\sfn?m(add|sub)\s'; then
        echo "build-arm64/$program holds fused multiply-adds" >&2
        exit 1
    fi
done
bash tests/arm64/exports.sh build-arm64 "$x86_build"
bash tests/arm64/faults.sh build-arm64 "$x86_build"
echo "ARM tests passed"
