// Files written under a temporary name and renamed when complete.
#include "tools/lib/atomic_file.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "runtime/checks.hpp"

bool write_file_atomically(const std::string& path, const std::function<bool(std::FILE*)>& encode,
                           std::string& error)
{
    LibraryCallScope library;
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    errno = 0;
    bool ok = encode(file);
    ok = (std::fflush(file) == 0) && ok;
    const int saved_errno = errno;
    ok = (std::fclose(file) == 0) && ok;
    // std::filesystem::rename replaces an existing file on Windows too.
    std::error_code renamed;
    if (ok) std::filesystem::rename(temporary, path, renamed);
    if (ok && !renamed) return true;
    const int reason = saved_errno ? saved_errno : errno;
    const std::string why = ok ? renamed.message() : reason ? std::strerror(reason) : "";
    error = "cannot write " + path + (why.empty() ? std::string() : ": " + why);
    std::remove(temporary.c_str());
    return false;
}
