// A program that needs zlib1.dll, as the programs did when linked with
// zlib's import library: under scripts/wine-run.sh it must not start.
#include <cstdio>
#include <zlib.h>

int main()
{
    std::printf("zlib %s\n", zlibVersion());
    return 0;
}
