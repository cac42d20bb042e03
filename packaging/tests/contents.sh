#!/usr/bin/env bash
# The package's control fields and file list: what a lab installs, with the
# run-time libraries found by dpkg-shlibdeps, and nothing from the build.
set -u
build=$1 source=$2
source "$(dirname "$0")/package.bash"

info=$(dpkg-deb -f "$deb") || fail "dpkg-deb -f"
field() { sed -n "s/^$1: //p" <<<"$info"; }
[ "$(field Package)" = surfplot ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = education ] || fail "Section: $(field Section)"
grep -q '<.*@.*>' <<<"$(field Maintainer)" || fail "Maintainer without an address: $(field Maintainer)"
[ "$(dpkg-deb -f "$deb" Description | wc -l)" -gt 3 ] || fail "no long description"
depends=$(field Depends)
for library in libc6 libstdc++6 libsdl2-2.0-0 zlib1g bubblewrap; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done

# Names and modes of the package's files, e.g. "-rwxr-xr-x root/root ./usr/bin/surfplot".
dpkg-deb -c "$deb" | awk '{print $1, $2, $6}' >"$work/list" || fail "dpkg-deb -c"
has() { grep -q -- "^$1 root/root ./usr/$2\$" "$work/list" || fail "no $1 $2"; }
for program in "${programs[@]}"; do
    has -rwxr-xr-x "bin/$program"
    has -rw-r--r-- "share/man/man1/$program.1.gz"
done
has -rw-r--r-- share/applications/surfplot.desktop
has -rw-r--r-- share/icons/hicolor/48x48/apps/surfplot.png
has -rw-r--r-- share/icons/hicolor/128x128/apps/surfplot.png
for document in copyright changelog.gz README.md docs/students.md docs/images/12.png; do
    has -rw-r--r-- "share/doc/surfplot/$document"
done
for file in CMakeLists.txt README skeleton/tegla.cpp platform/desktop/main.cpp tools/shots_main.cpp runtime/checks.hpp; do
    has -rw-r--r-- "share/surfplot/kit/$file"
done
grep -v ' \./usr/' "$work/list" | grep -v ' \./$' | sed 's/^/outside \/usr: /' | while read -r line; do fail "$line"; done
# surfgrade's kit is the one place for archives: the frame compiled once.
for archive in libsurf_frame.a libsurf_grade_main.a libsurf_grade_stubs.a; do
    grep -q -- "^-rw-r--r-- root/root ./usr/lib/surfplot/grade-kit/lib/$archive\$" "$work/list" || fail "no grade kit $archive"
done
grep -q -- "/surfplot/grade-kit/include/frame/frame.hpp\$" "$work/list" || fail "no grade kit headers"
stray=$(grep -E '\.(o|a|part)$|CMakeFiles|CMakeCache|_test\.cpp$' "$work/list" | grep -v '/surfplot/grade-kit/lib/libsurf_[a-z_]*\.a$')
[ -z "$stray" ] || fail "files from the build: $stray"
odd_dirs=$(grep '^d' "$work/list" | grep -v '^drwxr-xr-x root/root ')
[ -z "$odd_dirs" ] || fail "folders not 0755 root/root: $odd_dirs"

# Installed programs carry no debugging symbols.
mkdir -p "$work/root" && dpkg-deb -x "$deb" "$work/root"
file "$work/root/usr/bin/surfplot" | grep -q ', stripped' || fail "surfplot is not stripped: $(file "$work/root/usr/bin/surfplot")"
finish
