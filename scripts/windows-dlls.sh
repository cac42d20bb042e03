# Sourced: the DLL lists of packaging/windows/ for the Windows tests.
#   system_dll NAME          true when every Windows has the DLL NAME
#   dll_imports FILE         the DLLs a program or DLL imports, lower case
#   wine_extra_dlls_off EXE  the libraries that Wine carries but Windows lacks
#                            which EXE must run without: all of them but those
#                            that Wine's own copies of the system DLLs EXE
#                            imports need themselves (Debian's user32.dll
#                            needs zlib1.dll)
windows_lists=$(cd "$(dirname "${BASH_SOURCE[0]}")/../packaging/windows" && pwd)

dll_list() { grep -v '^#' "$windows_lists/$1" | grep -v '^ *$'; }

system_dll() {
    local name=${1,,} pattern
    while read -r pattern; do
        # shellcheck disable=SC2053  # (the list's * are patterns)
        [[ $name == ${pattern,,} ]] && return 0
    done < <(dll_list system-dlls.txt)
    return 1
}

dll_imports() {
    x86_64-w64-mingw32-objdump -p "$1" 2>/dev/null | awk '/DLL Name:/ {print tolower($3)}'
}

wine_dll_folder() {
    local folder
    for folder in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows; do
        [ -d "$folder" ] && echo "$folder" && return 0
    done
    return 1
}

# Every DLL of Wine's that EXE's system DLLs load through their imports.
wine_dll_closure() {
    local folder queue=() seen=" " dll
    folder=$(wine_dll_folder) || return 0
    for dll in $(dll_imports "$1"); do system_dll "$dll" && queue+=("$dll"); done
    while [ ${#queue[@]} -gt 0 ]; do
        dll=${queue[0]}
        queue=("${queue[@]:1}")
        [[ $seen == *" $dll "* ]] && continue
        seen+="$dll "
        echo "$dll"
        [ -f "$folder/$dll" ] && mapfile -t -O ${#queue[@]} queue < <(dll_imports "$folder/$dll")
    done
}

wine_extra_dlls_off() {
    local needed=" " name
    [ -n "${1:-}" ] && needed+="$(wine_dll_closure "$1" | tr '\n' ' ')"
    while read -r name; do
        [[ $needed == *" ${name,,}.dll "* ]] || echo "$name"
    done < <(dll_list wine-only-dlls.txt)
}
