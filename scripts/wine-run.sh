#!/usr/bin/env bash
# Runs a Windows program under Wine as on a Windows with nothing installed:
# Wine's own copies of libraries that Windows lacks are turned off (see
# scripts/windows-dlls.sh), and the Wine prefix is PREFIX unless WINEPREFIX
# is set: never the user's own.
#   wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
set -u
source "$(dirname "${BASH_SOURCE[0]}")/windows-dlls.sh"
export WINEPREFIX=${WINEPREFIX:-$1} WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win64
WINEDLLOVERRIDES=$(wine_dll_overrides "$2")
export WINEDLLOVERRIDES
shift
mkdir -p "$WINEPREFIX"
if [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; else wine=$(command -v wine64 || command -v wine); fi
exec "$wine" "$@"
