#!/usr/bin/env bash
# Every .exe in the folders given (not in their subfolders) imports only
# DLLs that every Windows has (packaging/windows/system-dlls.txt): it runs
# on a Windows with nothing installed.
#   imports.sh FOLDER...
set -u
source "$(dirname "$0")/../../scripts/windows-dlls.sh"
failures=0 checked=0
while IFS= read -r -d '' program; do
    checked=$((checked + 1))
    imports=$(dll_imports "$program")
    [ -n "$imports" ] || { echo "FAIL: no import table read from $program"; failures=$((failures + 1)); }
    for dll in $imports; do
        system_dll "$dll" || { echo "FAIL: $program needs $dll, which Windows does not have"; failures=$((failures + 1)); }
    done
done < <(find "$@" -maxdepth 1 -name '*.exe' -print0)
[ $checked -gt 0 ] || { echo "FAIL: no .exe in $*"; exit 1; }
[ $failures -eq 0 ] && echo "$checked programs import only system DLLs"
exit $((failures > 0))
