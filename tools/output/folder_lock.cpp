// FolderLock over flock (LockFileEx on Windows), and which process is which.
#include "tools/output/folder_lock.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <csignal>
#include <ctime>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

// A start told from the clocks may be off by a moment: a process counts as
// started after a file only when it started this much later.
constexpr long long start_margin_seconds = 2;

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
bool not_ours(int) { return false; }
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
// (never a link's target: a link planted in the folder would have the
// lock made, or taken, anywhere)
constexpr int open_flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW;
// Another user's file in the lock's place is not a lock of ours.
bool not_ours(int fd)
{
    struct stat info {};
    return fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid();
}
#endif

}  // namespace

FolderLock::Result FolderLock::take(const std::string& path, const std::function<void()>& on_wait, std::string& error)
{
    close();
    path_ = path;
    fd_ = ::open(path.c_str(), open_flags, 0666);
    if (fd_ < 0) {
        // (the folder was removed meanwhile by the run that made it)
        if (errno == ENOENT) return Result::removed;
        const int reason = errno;
        struct stat info {};
        if (reason == ELOOP)
            error = path + " is a link, not a lock of ours: left alone";
        else if (reason == EACCES && stat(path.c_str(), &info) == 0)
            error = path + " is another user's file, not a lock of ours: left alone";
        else
            error = std::strerror(reason);
        return Result::failed;
    }
    if (not_ours(fd_)) {
        error = path + " is another user's file, not a lock of ours: left alone";
        close();
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
unsigned long long process_start(long pid)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process) return 0;
    FILETIME created{}, ended{}, kernel{}, user{};
    const bool known = GetProcessTimes(process, &created, &ended, &kernel, &user) != 0;
    CloseHandle(process);
    return known ? (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime : 0;
}
bool process_started_after(long pid, long long seconds)
{
    // (file times count 100 ns from 1601)
    constexpr unsigned long long from_1601 = 116444736000000000ull, per_second = 10000000ull;
    const unsigned long long start = process_start(pid);
    return start > from_1601 &&
           static_cast<long long>((start - from_1601) / per_second) > seconds + start_margin_seconds;
}
#else
long own_process_id() { return static_cast<long>(getpid()); }

namespace {

// Fields 3 (its state) and 22 (its start) of /proc/PID/stat.
bool read_process_stat(long pid, char& state, unsigned long long& start)
{
    if (pid <= 0) return false;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return false;
    // The command's name before them, in brackets, may hold spaces and
    // brackets of its own.
    const std::size_t name_end = line.rfind(')');
    if (name_end == std::string::npos) return false;
    std::istringstream fields(line.substr(name_end + 1));
    std::string skipped;
    if (!(fields >> state)) return false;
    for (int field = 4; field < 22; ++field)
        if (!(fields >> skipped)) return false;
    return static_cast<bool>(fields >> start);
}

}  // namespace

// A process that has ended but is not yet waited for by its parent (a
// zombie: a killed run whose parent was killed with it, say) runs no more.
bool process_runs(long pid)
{
    char state = 0;
    unsigned long long start = 0;
    if (read_process_stat(pid, state, start)) return state != 'Z' && state != 'X';
    return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

unsigned long long process_start(long pid)
{
    char state = 0;
    unsigned long long start = 0;
    return read_process_stat(pid, state, start) ? start : 0;
}

bool process_started_after(long pid, long long seconds)
{
    const unsigned long long ticks = process_start(pid);
    timespec now{}, since_boot{};
    if (ticks == 0 || clock_gettime(CLOCK_REALTIME, &now) != 0 || clock_gettime(CLOCK_BOOTTIME, &since_boot) != 0)
        return false;
    const double started = static_cast<double>(now.tv_sec - since_boot.tv_sec) +
                           (now.tv_nsec - since_boot.tv_nsec) / 1e9 +
                           static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return started > static_cast<double>(seconds + start_margin_seconds);
}
#endif

unsigned long long own_start()
{
    static const unsigned long long start = process_start(own_process_id());
    return start;
}

bool process_runs(long pid, unsigned long long start)
{
    if (!process_runs(pid)) return false;
    if (start == 0) return true;
    const unsigned long long now = process_start(pid);
    return now == 0 || now == start;
}
