// The few POSIX calls of the tools that the Windows runtime spells
// differently; included in every source of the Windows build.
#pragma once

#ifdef __cplusplus
#include <direct.h>
#include <io.h>

// Windows folders have no permission bits: the mode is ignored.
inline int mkdir(const char* path, int) { return _mkdir(path); }
#endif
