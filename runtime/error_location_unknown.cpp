// Where a failing operation was made, in a build without libdw (macOS, or
// one configured with -DSURF_LIBDW=OFF): nothing reads the debug
// information, so only the failure's words are told, and one line says so.
#include "runtime/error_location.hpp"

void describe_location(std::FILE* out, const void*, bool, bool)
{
    std::fputs("  (the source line is not known in this build: it was built without libdw)\n", out);
}
