// FolderLock over flock (LockFileEx on Windows).
#include "tools/lib/folder_lock.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
bool lock_file(int fd, bool wait)
{
    OVERLAPPED start{};
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    return LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), flags, 0, 1, 0, &start) != 0;
}
// Windows cannot remove a file that is open; the lock file then stays.
bool same_file_still(int, const std::string&) { return true; }
constexpr int open_flags = O_RDWR | O_CREAT | O_BINARY;
#else
bool lock_file(int fd, bool wait)
{
    while (flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0)
        if (errno != EINTR) return false;
    return true;
}
// The holder removes the file before it lets go: a lock on a removed file
// keeps nobody out.
bool same_file_still(int fd, const std::string& path)
{
    struct stat opened {}, named {};
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}
constexpr int open_flags = O_RDWR | O_CREAT | O_CLOEXEC;
#endif

}  // namespace

FolderLock::Result FolderLock::take(const std::string& path, const std::function<void()>& on_wait, std::string& error)
{
    close();
    path_ = path;
    fd_ = ::open(path.c_str(), open_flags, 0666);
    if (fd_ < 0) {
        error = std::strerror(errno);
        return Result::failed;
    }
    if (!lock_file(fd_, false)) {
        if (on_wait) on_wait();
        if (!lock_file(fd_, true)) {
            error = std::strerror(errno);
            close();
            return Result::failed;
        }
    }
    if (!same_file_still(fd_, path)) {
        close();
        return Result::removed;
    }
    held_ = true;
    return Result::held;
}

void FolderLock::remove_and_release()
{
    if (fd_ < 0) return;
    if (!held_ && lock_file(fd_, false)) held_ = same_file_still(fd_, path_);
#ifdef _WIN32
    const bool remove = held_;
    close();  // (an open file cannot be removed there)
    if (remove) ::_unlink(path_.c_str());
#else
    if (held_) ::unlink(path_.c_str());
    close();
#endif
}

void FolderLock::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    held_ = false;
}

#ifdef _WIN32
long own_process_id() { return static_cast<long>(_getpid()); }
bool process_runs(long pid)
{
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process) return false;
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}
#else
long own_process_id() { return static_cast<long>(getpid()); }
bool process_runs(long pid) { return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }
#endif
