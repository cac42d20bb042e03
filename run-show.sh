#!/usr/bin/env bash
# Builds surfplot and runs the show (surfkit with --kit): a key moves on.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
install_missing_packages "${build_packages[@]}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSURF_BENCH=OFF >/dev/null
program=surfplot
[ "${1:-}" = "--kit" ] && program=surfkit
cmake --build build -j"$(nproc)" --target "$program" >/dev/null
exec "build/$program"
