#!/usr/bin/env bash
# Every store into a 16-bit variable goes through to_smallint, which stops
# the program with error 201.  A value that the compiler narrows silently
# (an int loop counter passed as a SMALLINT, say) skips that check, so the
# program's own code must compile without a single conversion warning.
set -u
build=$1
source_dir=$(cd "$(dirname "$0")/.." && pwd)
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:FILEPATH=//p' "$build/CMakeCache.txt" 2>/dev/null)
compiler=${compiler:-c++}
failures=0
for file in "$source_dir"/runtime/*.cpp "$source_dir"/model/*.cpp "$source_dir"/frame/*.cpp "$source_dir"/render/*.cpp \
            "$source_dir"/skeleton/*.cpp; do
    # The Windows halves of the run-time are checked with the Windows compiler, when it is there.
    file_compiler=$compiler
    if [[ $file == *_windows.cpp ]]; then
        file_compiler=$(command -v x86_64-w64-mingw32-g++-posix) || continue
    fi
    # (Clang's -Wconversion also warns of signedness changes, GCC's does not:
    # the same narrowing check with either compiler)
    if ! out=$("$file_compiler" -std=c++17 -I"$source_dir" -Wconversion -Wno-sign-conversion -Werror -fsyntax-only \
                               "$file" 2>&1); then
        echo "FAIL: unchecked narrowing in ${file#"$source_dir"/}:"
        printf '%s\n' "$out" | grep 'error:'
        failures=$((failures + 1))
    fi
done
[ $failures -eq 0 ] && echo "narrowing: no unchecked 16-bit store"
exit $((failures > 0))
