#!/usr/bin/env bash
# Builds surfplot and runs the show (surfkit with --kit): a key moves on.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
install_missing_packages "${build_packages[@]}"
program=surfplot
[ "${1:-}" = "--kit" ] && program=surfkit
# The build's own progress shows: the first build takes about a minute.
echo "building $program ..."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "$program"
exec "build/$program"
