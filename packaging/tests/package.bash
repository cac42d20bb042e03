# Helpers for the package tests: the package built in the build folder, its
# contents unpacked into a throw-away root, and the installed commands on
# PATH.  A test sets `build` and `source` and sources this file, after the
# desktop helpers when it uses them (they own the work folder then).
if [ -z "${work:-}" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
finish() {
    [ $failures -eq 0 ] && echo "all checks passed" || echo "$failures check(s) failed"
    [ $failures -eq 0 ]
}
# A tool missing: skipped, or on CI failed.
source "${BASH_SOURCE[0]%/*}/../../tests/support/needs.bash"

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb=$build/surfplot_${version}_amd64.deb
[ -s "$deb" ] || { echo "FAIL: no package $deb (the package_build test makes it)"; exit 1; }

programs=(surfplot surfkit surfplot-shots surfkit-shots surfcompare surfgrade)

# The package's files under $work/root, its commands first on PATH.
unpack() {
    root=$work/root
    dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
    export PATH=$root/usr/bin:$PATH
}
