#!/usr/bin/env bash
# lintian finds no error in the package.
set -u
build=$1 source=$2
source "$(dirname "$0")/package.bash"
need_tools lintian
lintian --allow-root --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
cat "$work/lintian"
errors=$(grep '^E: ' "$work/lintian")
[ -z "$errors" ] || fail "lintian errors: $(wc -l <<<"$errors")"
finish
