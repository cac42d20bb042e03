#include "tools/lib/write_failure.hpp"

#include <cerrno>
#include <cstring>
#ifdef _WIN32
#include <windows.h>
#endif

std::string write_failure_reason(int error_number)
{
#ifdef _WIN32
    const DWORD reason = GetLastError();
    if (reason == ERROR_NO_DATA || reason == ERROR_BROKEN_PIPE) error_number = EPIPE;
#endif
    return error_number ? ": " + std::string(std::strerror(error_number)) : std::string();
}
