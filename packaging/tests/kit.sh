#!/usr/bin/env bash
# A student's build of the installed exercise sources: copied out of the
# installed tree, built on their own, and drawing what the installed
# surfkit-shots draws.
set -u
build=$1 source=$2
source "$(dirname "$0")/package.bash"
unpack
cp -r "$root/usr/share/surfplot/kit" "$work/surfkit"
cd "$work/surfkit" || exit 1
cmake -S . -B build -DCMAKE_CXX_FLAGS=-Werror >"$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "cmake"; finish; exit; }
cmake --build build -j2 >"$work/build.log" 2>&1 || { tail -n 30 "$work/build.log"; fail "the kit does not build"; finish; exit; }
[ -x build/surfkit ] || fail "no build/surfkit"

build/surfkit-shots --size 400x300 --out mine >/dev/null || fail "the kit's surfkit-shots"
surfkit-shots --size 400x300 --out installed >/dev/null || fail "installed surfkit-shots"
surfcompare installed mine >"$work/report"; rc=$?
[ $rc -eq 0 ] || fail "the kit's pictures differ from the installed frame's (exit $rc): $(head -n 3 "$work/report")"
finish
