#!/usr/bin/env bash
# Every source the kit carries is used by a build of it: a source or header
# of an object linked into one of its programs, on one system or another,
# a resource script so linked or a file that one names.  The builds were
# linked with -Wl,-t,-t, whose log names every object and archive member
# taken; the compiler's dependency files name what each object was built
# from.  The build files themselves (CMakeLists.txt, cmake/, README.txt)
# and the check of a push (check.sh and the CI files) are not looked at.
#   kit_files.sh KIT BUILD_FOLDER BUILD_LOG [BUILD_FOLDER BUILD_LOG]...
set -u
kit=$(cd "$1" && pwd)
shift
used=$(mktemp)
trap 'rm -f "$used"' EXIT
builds=()
while [ $# -ge 2 ]; do
    build=$(cd "$1" && pwd) log=$2
    shift 2
    builds+=("$build")
    # Objects given to the linker, then the members it took from the archives.
    objects=$(grep -E '^CMakeFiles/[^ ]*\.(o|obj)$' "$log" | sed "s|^|$build/|")
    # (the build's own archives are named relative to it, the system's not;
    # MinGW's programs are linked from an archive of their objects)
    members=$(sed -n 's|^([^/][^)]*\.a)\(.*\)$|\1|p' "$log" | sort -u)
    for member in $members; do
        objects+=$'\n'$(find "$build/CMakeFiles" -name "$member")
    done
    [ -n "$members" ] || { echo "FAIL: no archive member named in $log (linked without -Wl,-t,-t?)"; exit 1; }
    while IFS= read -r object; do
        [ -n "$object" ] || continue
        case $object in
        *.rc.obj | *.rc.res) basename "${object%.*}" | sed "s|^|RC |" >>"$used" ;;
        *)  [ -f "$object.d" ] || { echo "FAIL: no dependency file for $object"; exit 1; }
            # (make's dependency lists escape a space in a name)
            sed 's/\\ /\x01/g; s/\\$//' "$object.d" | tr ' \t' '\n\n' | tr '\001' ' ' |
                grep -F "$kit/" | sed "s|^$kit/||" >>"$used" ;;
        esac
    done <<<"$objects"
done
for resource in $(sed -n 's/^RC //p' "$used" | sort -u); do
    find "$kit" -name "$resource" -printf '%P\n' >>"$used"
    while IFS= read -r file; do
        grep -qF "$(basename "$file")" "$(find "$kit" -name "$resource" | head -n1)" && echo "$file" >>"$used"
    done < <(find "$kit" -name '*.manifest' -printf '%P\n')
done

# Linked only by builds for other systems than those built here: where
# long double is not the 80-bit format and the processor does not trap a
# division by zero (ARM, Apple silicon), where SDL has no X11 and there is
# no libdw (macOS).
printf '%s\n' runtime/extended.cpp runtime/extended_bits.cpp runtime/division_check.cpp \
    platform/desktop/sdl_no_x11.cpp runtime/error_location_unknown.cpp >>"$used"

unused=0
while IFS= read -r file; do
    for build in "${builds[@]}"; do [[ $kit/$file == "$build"/* ]] && continue 2; done
    case $file in CMakeLists.txt | README.txt | cmake/* | check.sh | .gitlab-ci.yml | .github/*) continue ;; esac
    grep -qxF "$file" "$used" || { echo "FAIL: the kit carries $file, which no build of it uses"; unused=$((unused + 1)); }
done < <(find "$kit" -type f -printf '%P\n' | sort)
[ $unused -eq 0 ] && echo "every file of the kit is used by a build of it"
exit $((unused > 0))
