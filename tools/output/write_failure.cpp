#include "tools/output/write_failure.hpp"

#include <cerrno>
#include <cstring>
#ifdef _WIN32
#include <windows.h>
#endif

std::string write_failure_reason(int error_number)
{
#ifdef _WIN32
    // (only an EINVAL of the C library: the system's error may be older)
    const DWORD reason = GetLastError();
    const bool no_reader = reason == ERROR_NO_DATA || reason == ERROR_BROKEN_PIPE || reason == ERROR_PIPE_NOT_CONNECTED;
    if (error_number == EINVAL && no_reader) error_number = EPIPE;
#endif
    return error_number ? ": " + std::string(std::strerror(error_number)) : std::string();
}
