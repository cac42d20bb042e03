#!/usr/bin/env bash
# Builds the Debian package in the build folder, as a lab's maintainer would.
set -u
build=$1
cd "$build" || exit 1
rm -f surfplot_*_amd64.deb
cpack -G DEB >"$build/cpack.log" 2>&1 || { cat "$build/cpack.log"; echo "FAIL: cpack"; exit 1; }
ls surfplot_*_amd64.deb
