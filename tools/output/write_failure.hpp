// Why a write failed, in the same words on every system.
#pragma once

#include <string>

// ": REASON" for the errno of a failed write, or "" when there is none.
// Call it right after the write: on Windows a closed pipe comes back from
// the C library as EINVAL, and the system's own error tells it apart.
std::string write_failure_reason(int error_number);
