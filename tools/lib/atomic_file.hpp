// Writing a file so that no partial file is ever left behind.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Runs `encode` on `path` + ".part", then renames it to `path`.  On failure
// removes the temporary file, returns false and sets `error` to a one-line
// reason.  Floating-point traps are masked while the libraries run.
bool write_file_atomically(const std::string& path, const std::function<bool(std::FILE*)>& encode,
                           std::string& error);
