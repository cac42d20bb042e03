#!/usr/bin/env bash
# The folder rules of the source tree, checked on every test run:
# - the run-time, the model, the service, the frame and the renderers never
#   include SDL, X11, termios, Windows' own headers or a file of platform/;
#   only the Windows halves of the run-time (runtime/*_windows.cpp) include
#   windows.h, as its POSIX halves include the loader's and signals' headers;
# - the run-time includes nothing of the program; the service nothing of
#   the model, the frame or the renderers; the model nothing of the service;
# - the drawing state is the service's own: no file outside gfx/ includes it;
# - the tools' rooms: lib/ (file names) includes no other room; output/
#   (all-or-nothing folders) none but lib/; png/ nothing of the comparison,
#   the export or the grading; compare/ and export/ not each other, nor the
#   grading; nothing of tools/ but grade/ includes grade/, and nothing of
#   the program includes the tests' support (the libpng oracle reader);
# - each platform has its folder: desktop/, windows/ and web/ include no
#   other platform's folder, only the terminal's painting shared by all
#   (terminal/), which includes none of them;
# - no room holds more than 16 program sources;
# - the export commands and the tests of the service are not linked with SDL.
# Usage: folder_rules.sh SOURCE_DIR [BUILD_DIR]
set -uo pipefail
source_dir=$1
build_dir=${2:-}
failures=0

# Lines of the files under FOLDERS that include something matching PATTERN.
includes_of() {
    local pattern=$1
    shift
    (cd "$source_dir" && grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($pattern)" -r "$@" \
        --include='*.cpp' --include='*.hpp' 2>/dev/null)
}

forbid() {
    local what=$1 pattern=$2
    shift 2
    local found
    found=$(includes_of "$pattern" "$@")
    if [ -n "$found" ]; then
        echo "FAIL: $what:"
        echo "$found"
        failures=$((failures + 1))
    fi
}

program_rooms=(runtime model gfx frame render skeleton)
forbid "the program includes the desktop's libraries" 'SDL|X11/|termios\.h|platform/' "${program_rooms[@]}"
windows_headers='[Ww]indows\.h|[Ww]inuser\.h|[Ww]ingdi\.h|[Ww]inbase\.h|io\.h|direct\.h'
forbid "the program includes Windows' headers" "$windows_headers" model gfx frame render skeleton
found=$(includes_of "$windows_headers" runtime | grep -v '^runtime/[a-z_]*_windows\.cpp:')
if [ -n "$found" ]; then
    echo "FAIL: the run-time includes Windows' headers outside its Windows halves:"
    echo "$found"
    failures=$((failures + 1))
fi
forbid "the run-time includes the program" 'model/|gfx/|frame/|render/|skeleton/|tools/' runtime
forbid "the service includes the program" 'model/|frame/|render/|skeleton/|tools/' gfx
forbid "the model includes the service or the frame" 'gfx/|frame/|render/|skeleton/' model
forbid "the drawing state is included outside the service" 'gfx/drawing_state\.hpp' \
    runtime model frame render skeleton platform tools tests bench

forbid "the tools' shared file names include another room" 'tools/(png|output|compare|export|grade)/' tools/lib
forbid "the output folders include another room of the tools" 'tools/(png|compare|export|grade)/' tools/output
forbid "the PNG code includes the comparison, the export or the grading" 'tools/(compare|export|grade)/' tools/png
forbid "the comparison includes the export or the grading" 'tools/(export|grade)/' tools/compare
forbid "the export includes the comparison or the grading" 'tools/(compare|grade)/' tools/export
found=$(includes_of 'tools/grade/' tools | grep -v '^tools/grade/')
if [ -n "$found" ]; then
    echo "FAIL: the tools include the grading outside tools/grade/:"
    echo "$found"
    failures=$((failures + 1))
fi
forbid "the program includes the tests' support" 'tests/' "${program_rooms[@]}" platform tools
forbid "the desktop platform includes another platform" 'platform/(windows|web)/' platform/desktop
forbid "the Windows platform includes another platform" 'platform/(desktop|web)/' platform/windows
forbid "the web platform includes another platform" 'platform/(desktop|windows)/' platform/web
forbid "the terminal's painting includes a platform" 'platform/(desktop|windows|web)/' platform/terminal

# Rooms a newcomer can take in: at most 16 program sources in a folder.
while IFS= read -r folder; do
    count=$(find "$source_dir/$folder" -maxdepth 1 -name '*.cpp' | wc -l)
    if [ "$count" -gt 16 ]; then
        echo "FAIL: $folder holds $count program sources (at most 16)"
        failures=$((failures + 1))
    fi
done < <(cd "$source_dir" && find runtime model gfx frame render skeleton platform tools bench -type d 2>/dev/null)

# Programs built without SDL must not need its library at run time.
if [ -n "$build_dir" ]; then
    for binary in tools/surfplot-shots tools/surfkit-shots tools/surfcompare tools/surfgrade tests/surf_tests tests/kit_tests \
        bench/surfbench; do
        [ -x "$build_dir/$binary" ] || continue
        if readelf -d "$build_dir/$binary" | grep -q 'NEEDED.*libSDL2'; then
            echo "FAIL: $binary is linked with SDL"
            failures=$((failures + 1))
        fi
    done
fi

[ $failures -eq 0 ] && echo "folder rules hold"
[ $failures -eq 0 ]
