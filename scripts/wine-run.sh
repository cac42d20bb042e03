#!/usr/bin/env bash
# Runs a Windows program under Wine as on a Windows with nothing installed:
# Wine's own copies of libraries that Windows lacks are turned off for it
# (see scripts/windows-dlls.sh), and the Wine prefix is PREFIX unless
# WINEPREFIX is set: never the user's own.
#   wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
# The libraries are turned off by the program's name in the prefix's
# registry, not through WINEDLLOVERRIDES: that would reach Wine's own helper
# processes too (the console's), which need some of them.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/windows-dlls.sh"
# (a library that cannot be found is told)
export WINEPREFIX=${WINEPREFIX:-$1} WINEDEBUG=-all,err+module WINEARCH=win64
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
shift
if [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; else wine=$(command -v wine64 || command -v wine); fi
mkdir -p "$WINEPREFIX"
# (the program may be named as Windows names it, relative to here)
program=${1//\\//}
[ -f "$program" ] || program=$1
name=$(basename "$program")
# Once for each program name and set of imports.
mark="$WINEPREFIX/dlls-off.$name.$(dll_imports "$program" | sort | md5sum | cut -c1-16)"
if [ ! -e "$mark" ]; then
    settings=$(mktemp --suffix=.reg)
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\DllOverrides]\r\n' "$name"
        wine_extra_dlls_off "$program" | while read -r dll; do printf '"%s"=""\r\n' "$dll"; done
    } >"$settings"
    "$wine" regedit /S "Z:${settings//\//\\}" </dev/null >/dev/null 2>&1 && touch "$mark"
    rm -f "$settings"
fi
exec "$wine" "$@"
