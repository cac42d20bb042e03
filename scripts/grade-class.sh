#!/usr/bin/env bash
# Makes students' folders for surfgrade from the finished renderers, for
# tests and measurements.
# usage: grade-class.sh SOURCE_TOP CLASS KIND NAME [KIND NAME]...
#   right    the seven finished renderers, made to stand alone as a student's files
#   partly   the point cloud and the bricks right, the bricks one pixel off
#   empty    a folder with no files
set -euo pipefail
top=$1 class=$2
shift 2
header=$(grep -v '^#pragma once' "$top/render/render.hpp")

# A finished renderer with the shared header written into it.
standalone() {
    local file=$1
    while IFS= read -r line; do
        if [ "$line" = '#include "render/render.hpp"' ]; then printf '%s\n' "$header"; else printf '%s\n' "$line"; fi
    done <"$top/render/$file"
    # The clipped line of the hidden-line pictures lives with the first of them.
    if [ "$file" = fuggveny1.cpp ]; then grep -v '#include "render/render.hpp"' "$top/render/clipped_line.cpp"; fi
}

while [ $# -ge 2 ]; do
    kind=$1 name=$2
    shift 2
    folder=$class/$name
    mkdir -p "$folder"
    case $kind in
    right)
        for file in szintvonal1.cpp szintvonal2.cpp pontfelho.cpp tegla.cpp fuggveny1.cpp fuggveny3.cpp fuggveny4.cpp; do
            standalone "$file" >"$folder/$file"
        done ;;
    partly)
        standalone pontfelho.cpp >"$folder/pontfelho.cpp"
        # The bricks drawn one column too far right.
        standalone tegla.cpp | sed 's/checked_add(checked_mul(I, SK), checked_mul(J, OK))/checked_add(checked_add(checked_mul(I, SK), checked_mul(J, OK)), 1)/' \
            >"$folder/tegla.cpp" ;;
    empty) ;;
    *) echo "unknown kind $kind" >&2; exit 2 ;;
    esac
done
