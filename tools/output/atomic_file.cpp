// Files written under a temporary name and renamed when complete.
#include "tools/output/atomic_file.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif

#include "runtime/checks.hpp"
#include "tools/lib/paths.hpp"

namespace {

#ifdef _WIN32
// Windows: folders end at either slash, and the file keeps its bytes as written.
constexpr const char* folder_ends = "/\\";
constexpr int create_flags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY;
#else
constexpr const char* folder_ends = "/";
constexpr int create_flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
#endif

// A new hidden file beside `path`: ".NAME.PID.N.part", created exclusively so
// that no file already there is ever reused.
std::FILE* create_temporary(const std::string& path, std::string& temporary)
{
    const std::size_t slash = path.find_last_of(folder_ends);
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + "." + name + "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".part";
        const int fd = ::open(temporary.c_str(), create_flags, 0666);
        if (fd >= 0) {
            std::FILE* file = fdopen(fd, "wb");
            if (!file) {
                const int saved = errno;
                ::close(fd);
                unlink(temporary.c_str());
                errno = saved;
            }
            return file;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

}  // namespace

bool encode_and_close(std::FILE* file, const std::function<bool(std::FILE*)>& encode, const std::string& shown,
                      std::string& error)
{
    errno = 0;
    bool ok = encode(file);
    ok = std::fflush(file) == 0 && ok;
    const int saved_errno = errno;
    ok = std::fclose(file) == 0 && ok;
    const int reason = saved_errno ? saved_errno : errno;
    if (!ok) error = "cannot write " + shown + (reason ? std::string(": ") + std::strerror(reason) : std::string());
    return ok;
}

#ifdef _WIN32
bool sync_file(const std::string& path)
{
    const int fd = ::_open(path.c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0) return false;
    const bool synced = _commit(fd) == 0;
    ::_close(fd);
    return synced;
}
bool sync_folder(const std::string&) { return true; }
#else
namespace {
bool sync_opened(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    // (a file system that cannot sync, or a special file, has nothing to wait for)
    const bool synced = fdatasync(fd) == 0 || errno == EINVAL || errno == EROFS;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return synced;
}
}  // namespace
bool sync_file(const std::string& path) { return sync_opened(path, O_RDONLY); }
bool sync_folder(const std::string& path) { return sync_opened(path, O_RDONLY | O_DIRECTORY); }
#endif

bool PendingFiles::add(const std::string& path, const std::function<bool(std::FILE*)>& encode, std::string& error)
{
    LibraryCallScope library;
    std::string temporary;
    std::FILE* file = create_temporary(path, temporary);
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!encode_and_close(file, encode, path, error)) {
        unlink(temporary.c_str());
        return false;
    }
    files_.emplace_back(temporary, path);
    return true;
}

bool PendingFiles::commit(std::string& error)
{
    for (const auto& [temporary, path] : files_) {
        if (sync_file(temporary)) continue;
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    while (!files_.empty()) {
        const auto& [temporary, path] = files_.front();
        // (std::filesystem::rename replaces an existing file on Windows too)
        std::error_code renamed;
        std::filesystem::rename(fs_path(temporary), fs_path(path), renamed);
        if (renamed) {
            error = "cannot write " + path + ": " + renamed.message();
            return false;
        }
        files_.erase(files_.begin());
    }
    return true;
}

void PendingFiles::discard()
{
    for (const auto& file : files_) unlink(file.first.c_str());
    files_.clear();
}

bool write_file_atomically(const std::string& path, const std::function<bool(std::FILE*)>& encode,
                           std::string& error)
{
    PendingFiles files;
    return files.add(path, encode, error) && files.commit(error);
}
