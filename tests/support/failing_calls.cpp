// Loaded before the C library (LD_PRELOAD) into a tool under test, it makes
// chosen calls fail, so that a test can fail each step of a run in turn:
//   SURF_FAIL_CALLS="rename:3 fdatasync:1"
// fails the third rename and the first fdatasync of the process with EIO.
// Every other call goes through.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace {

// This call's number (from 1) among the calls of `name` is in the list.
bool fails_now(const char* name, std::atomic<int>& calls)
{
    const int number = ++calls;
    const char* list = std::getenv("SURF_FAIL_CALLS");
    if (!list) return false;
    const std::string wanted = std::string(name) + ":" + std::to_string(number);
    for (const char* at = std::strstr(list, wanted.c_str()); at; at = std::strstr(at + 1, wanted.c_str())) {
        const bool starts = at == list || at[-1] == ' ';
        const char after = at[wanted.size()];
        if (starts && (after == '\0' || after == ' ')) return true;
    }
    return false;
}

template <typename Function>
Function real(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

std::atomic<int> renames{0}, syncs{0}, folders{0};

}  // namespace

extern "C" int rename(const char* from, const char* to)
{
    static const auto next = real<int (*)(const char*, const char*)>("rename");
    if (fails_now("rename", renames)) {
        errno = EIO;
        return -1;
    }
    return next(from, to);
}

extern "C" int fdatasync(int fd)
{
    static const auto next = real<int (*)(int)>("fdatasync");
    if (fails_now("fdatasync", syncs)) {
        errno = EIO;
        return -1;
    }
    return next(fd);
}

extern "C" int mkdir(const char* path, mode_t mode)
{
    static const auto next = real<int (*)(const char*, mode_t)>("mkdir");
    if (fails_now("mkdir", folders)) {
        errno = EIO;
        return -1;
    }
    return next(path, mode);
}
