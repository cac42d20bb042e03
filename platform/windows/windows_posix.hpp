// The few POSIX calls of the tools and their tests that the Windows runtime
// spells differently; included in every source of the Windows build.
#pragma once

#ifdef __cplusplus
#include <cstring>
#include <direct.h>
#include <io.h>

// Windows folders have no permission bits: the mode is ignored.
inline int mkdir(const char* path, int) { return _mkdir(path); }

// A new folder named by the pattern's last six X's replaced.
inline char* mkdtemp(char* pattern)
{
    if (!_mktemp(pattern)) return nullptr;
    return _mkdir(pattern) == 0 ? pattern : nullptr;
}
#endif
