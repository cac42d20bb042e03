// How the sandbox starts a job: its folders and its command line.
#include "tools/grade/sandbox_launch.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sandbox_parts {

namespace {

// The system's read-only part: /usr, and /bin, /lib ... as the host has
// them (links into /usr, or folders of their own).
void add_system(std::vector<std::string>& words)
{
    words.insert(words.end(), {"--ro-bind", "/usr", "/usr"});
    for (const char* top : {"/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32"}) {
        struct stat info {};
        if (lstat(top, &info) != 0) continue;
        if (S_ISLNK(info.st_mode)) {
            char target[256];
            const ssize_t length = readlink(top, target, sizeof target - 1);
            if (length <= 0) continue;
            words.insert(words.end(), {"--symlink", std::string(target, static_cast<std::size_t>(length)), top});
        } else if (S_ISDIR(info.st_mode)) {
            words.insert(words.end(), {"--ro-bind", top, top});
        }
    }
    words.insert(words.end(), {"--ro-bind-try", "/etc/ld.so.cache", "/etc/ld.so.cache"});
}

}  // namespace

std::string find_program(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path && *path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t colon = folders.find(':', start);
        if (colon == std::string::npos) colon = folders.size();
        const std::string candidate = folders.substr(start, colon - start) + "/" + name;
        if (colon > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = colon + 1;
    }
    return "";
}

// The job's folders and its /tmp opened (they become the child's
// descriptors 3, 4, ...), and the host paths it may write; false with
// `error`, nothing left open.
bool open_folders(const SandboxJob& job, std::vector<int>& opened, std::vector<std::string>& writable,
                  std::string& error)
{
    const auto open_one = [&](const std::string& path) {
        const int fd = open(path.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            opened.push_back(fd);
            return true;
        }
        error = "cannot open " + path + ": " + std::strerror(errno);
        for (const int other : opened) close(other);
        opened.clear();
        return false;
    };
    for (const SandboxFolder& folder : job.folders)
        if (!open_one(folder.host_path)) return false;
    for (const SandboxFolder& folder : job.folders)
        if (folder.writable) writable.push_back(folder.host_path);
    if (!job.temporary.empty()) {
        if (!open_one(job.temporary)) return false;
        writable.push_back(job.temporary);
    }
    return true;
}

// The job's command in bubblewrap, given `descriptors` opened folders.
Launch sandbox_launch(const SandboxJob& job, std::size_t descriptors)
{
    Launch launch;
    launch.words = {find_program("bwrap"), "--unshare-all", "--unshare-user", "--disable-userns",
                    "--uid", "65534", "--gid", "65534", "--hostname", "sandbox", "--die-with-parent",
                    "--new-session", "--clearenv", "--setenv", "PATH", "/usr/bin:/bin", "--setenv", "HOME",
                    job.directory.empty() ? "/" : job.directory, "--setenv", "LANG", "C.UTF-8",
                    "--setenv", "TMPDIR", "/tmp"};
    add_system(launch.words);
    launch.words.insert(launch.words.end(), {"--proc", "/proc", "--dev", "/dev"});
    if (job.temporary.empty())
        launch.words.insert(launch.words.end(), {"--size", std::to_string(std::min(job.limits.output_bytes, 256L << 20)),
                                                 "--tmpfs", "/tmp"});
    for (std::size_t i = 0; i < job.folders.size(); ++i)
        launch.words.insert(launch.words.end(), {job.folders[i].writable ? "--bind-fd" : "--ro-bind-fd",
                                                 std::to_string(3 + i), job.folders[i].inside});
    if (!job.temporary.empty())
        launch.words.insert(launch.words.end(), {"--bind-fd", std::to_string(3 + job.folders.size()), "/tmp"});
    // Nothing else is writable: not the root, nor /dev and its /dev/shm,
    // which would fill memory that no limit of the job's counts.
    launch.words.insert(launch.words.end(), {"--remount-ro", "/dev", "--remount-ro", "/"});
    if (!job.directory.empty()) launch.words.insert(launch.words.end(), {"--chdir", job.directory});
    launch.words.insert(launch.words.end(), {"--info-fd", std::to_string(3 + descriptors)});
    // The process limit is set inside the new user namespace, where it
    // counts this sandbox's processes only.
    const std::string prlimit = find_program("prlimit");
    launch.words.insert(launch.words.end(), {"--", prlimit.empty() ? "/usr/bin/prlimit" : prlimit,
                                             "--nproc=" + std::to_string(job.limits.processes), "--"});
    launch.words.insert(launch.words.end(), job.command.begin(), job.command.end());
    return launch;
}

// The job's command run directly, in its folder, with a plain environment.
Launch plain_launch(const SandboxJob& job)
{
    Launch launch;
    launch.words = job.command;
    launch.directory = job.directory.empty() ? "/" : job.directory;
    launch.environment = {"PATH=/usr/bin:/bin", "HOME=" + launch.directory, "LANG=C.UTF-8",
                          "TMPDIR=" + launch.directory};
    return launch;
}

}  // namespace sandbox_parts
