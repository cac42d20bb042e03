// Prints the output code page of the console it runs in, for the tests
// that check that the programs give the console's own code page back.
#include <cstdio>
#include <windows.h>

int main()
{
    std::printf("output code page %u\n", GetConsoleOutputCP());
    return 0;
}
