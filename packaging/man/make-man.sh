#!/usr/bin/env bash
# Writes one program's manual page from its own --help, with the sections of
# its .h2m file added, and the gzip -9n copy that the package installs.
# usage: make-man.sh PROGRAM INCLUDE.h2m VERSION OUT.1
set -euo pipefail
program=$1 include=$2 version=$3 out=$4
name=$(basename "$program")
rm -f "$out" "$out.gz"

# --help must answer at once, without a window and without starting the show.
quiet=(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy ASAN_OPTIONS=detect_leaks=0)
help=$("${quiet[@]}" timeout 20 "$program" --help </dev/null 2>&1) || true
if ! grep -q -- '--help' <<<"$help"; then
    echo "warning: $name has no --help that lists its options: no manual page $name(1)" >&2
    exit 0
fi
"${quiet[@]}" help2man --no-info --section=1 --source="surfplot $version" --manual="User Commands" \
    --version-string="$version" --include="$include" --output="$out.part" "$program" </dev/null
mv "$out.part" "$out"
gzip -9n -c "$out" >"$out.gz.part"
mv "$out.gz.part" "$out.gz"
