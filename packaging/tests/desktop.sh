#!/usr/bin/env bash
# The installed menu entry passes desktop-file-validate and names an
# installed command and an installed icon.
set -u
build=$1 source=$2
source "$(dirname "$0")/package.bash"
need_tools desktop-file-validate
unpack
entry=$root/usr/share/applications/surfplot.desktop
output=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $output"
[ -z "$output" ] || fail "desktop-file-validate says: $output"
command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$root/usr/bin/$command" ] || fail "Exec=$command is not an installed command"
icon=$(sed -n 's/^Icon=//p' "$entry")
for size in 48 128; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
    file "$png" | grep -q "PNG image data, $size x $size, 8-bit/color RGBA" || fail "icon $png: $(file "$png")"
done
grep -qx 'Terminal=false' "$entry" || fail "the entry asks for a terminal"
finish
