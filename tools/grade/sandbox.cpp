// The sandbox: one bubblewrap process per job, watched from here through
// its standard output and error until it ends or breaks a limit.
#include "tools/grade/sandbox.hpp"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/grade/disk_usage.hpp"
#include "tools/grade/sandbox_launch.hpp"

using namespace sandbox_parts;

namespace {

constexpr uid_t nobody = 65534;
constexpr std::size_t kept_bytes = 16384;  // of each stream, for the report
constexpr int signal_exit_base = 128;      // bubblewrap exits with 128 + N for signal N
std::atomic<bool> stopping{false};

using Clock = std::chrono::steady_clock;
// (counting the folders costs a walk of them: not at every poll)
constexpr double count_seconds = 0.2;

struct Pipes {
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    int info[2] = {-1, -1};  // bubblewrap tells the sandbox's first process here
    int null = -1;
    ~Pipes()
    {
        for (const int fd : {out[0], out[1], err[0], err[1], info[0], info[1], null})
            if (fd >= 0) close(fd);
    }
};

// Between fork and exec only async-signal-safe calls: everything the child
// needs was made before the fork.
[[noreturn]] void start_child(const Pipes& pipes, const std::vector<int>& folder_fds, char* const* argv,
                              char* const* envp, const char* directory, const SandboxLimits& limits,
                              bool enabled, bool drop_user)
{
    setsid();
    dup2(pipes.null, 0);
    dup2(pipes.out[1], 1);
    dup2(pipes.err[1], 2);
    const int count = static_cast<int>(folder_fds.size());
    int high[16];
    for (int i = 0; i < count && i < 16; ++i) high[i] = fcntl(folder_fds[static_cast<std::size_t>(i)], F_DUPFD_CLOEXEC, 1000);
    const int info = fcntl(pipes.info[1], F_DUPFD_CLOEXEC, 1000);
    for (int i = 0; i < count && i < 16; ++i) dup2(high[i], 3 + i);
    dup2(info, 3 + count);
    // Nothing else of this process reaches the job: not another student's
    // folder, not a picture being compared on another thread.
    close_range(static_cast<unsigned>(4 + count), ~0U, 0);
    const rlim_t memory = static_cast<rlim_t>(limits.memory_bytes);
    const rlim_t output = static_cast<rlim_t>(limits.output_bytes);
    const rlimit memory_limit{memory, memory}, output_limit{output, output}, none{0, 0};
    setrlimit(RLIMIT_AS, &memory_limit);
    setrlimit(RLIMIT_FSIZE, &output_limit);
    setrlimit(RLIMIT_CORE, &none);
    if (drop_user) {
        if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) _exit(126);
    }
    if (!enabled && chdir(directory) != 0) _exit(126);
    execve(argv[0], argv, envp);
    _exit(127);
}

std::vector<char*> pointers(std::vector<std::string>& words)
{
    std::vector<char*> result;
    for (std::string& word : words) result.push_back(word.data());
    result.push_back(nullptr);
    return result;
}

// Reads what is there; false at the end of the stream (or, with `rest`,
// when nothing more is there now).
bool drain(int fd, std::string& kept, long& total, int* lines, bool rest = false)
{
    char buffer[65536];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0) return !rest && (errno == EINTR || errno == EAGAIN);
    if (got == 0) return false;
    total += got;
    if (kept.size() < kept_bytes)
        kept.append(buffer, std::min(static_cast<std::size_t>(got), kept_bytes - kept.size()));
    if (lines)
        for (ssize_t i = 0; i < got; ++i) *lines += buffer[i] == '\n';
    return true;
}

// The host's process id of the sandbox's first process, from bubblewrap's
// {"child-pid": N, ...}; 0 until it is there.  Trusted only while that
// process is bubblewrap's own child.
pid_t sandbox_init(const std::string& info, pid_t bubblewrap)
{
    const std::string key = "\"child-pid\":";
    const std::size_t at = info.find(key);
    if (at == std::string::npos || info.find('}') == std::string::npos) return 0;
    const long pid = std::strtol(info.c_str() + at + key.size(), nullptr, 10);
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const std::size_t close = text.rfind(')');
    long parent = -1;
    if (close != std::string::npos) std::sscanf(text.c_str() + close + 1, " %*c %ld", &parent);
    return pid > 1 && parent == bubblewrap ? static_cast<pid_t>(pid) : 0;
}

// Kills the job and waits until all of it is gone.  The sandbox's first
// process is killed first: it ends only when every other process of the
// sandbox has ended, and bubblewrap only after it.
void kill_job(pid_t pid, pid_t init, int& status)
{
    if (init > 0) {
        kill(init, SIGKILL);
        for (int wait = 0; wait < 1000; ++wait) {
            if (waitpid(pid, &status, WNOHANG) == pid) return;
            usleep(10000);
        }
    }
    kill(pid, SIGKILL);
    kill(-pid, SIGKILL);  // its group, for jobs without a sandbox
    waitpid(pid, &status, 0);
}

SandboxStop over_disk(const std::vector<std::string>& folders, const SandboxLimits& limits)
{
    if (folders.empty()) return SandboxStop::none;
    const DiskUsage usage = count_usage(folders, limits.disk_bytes, limits.files);
    if (usage.bytes > limits.disk_bytes) return SandboxStop::disk;
    return usage.files > limits.files || usage.too_deep ? SandboxStop::files : SandboxStop::none;
}

// Watches the job until it ends or breaks a limit.
void watch(pid_t pid, Pipes& pipes, const SandboxLimits& limits, const std::vector<std::string>& writable,
           SandboxOutcome& outcome)
{
    Clock::time_point counted = Clock::now();
    const Clock::time_point start = Clock::now();
    Clock::time_point last_line = start;
    long total = 0, info_total = 0;
    bool out_open = true, err_open = true, info_open = pipes.info[0] >= 0;
    std::string info;
    pid_t init = 0;
    int status = 0;
    bool reaped = false;
    while (!reaped) {
        const Clock::time_point now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - start).count();
        const double since_line = std::chrono::duration<double>(now - last_line).count();
        if (stopping) outcome.stop = SandboxStop::wall_time;
        else if (elapsed > limits.wall_seconds) outcome.stop = SandboxStop::wall_time;
        else if (limits.line_seconds > 0 && since_line > limits.line_seconds) outcome.stop = SandboxStop::line_time;
        else if (total > limits.output_bytes) outcome.stop = SandboxStop::output;
        else if (std::chrono::duration<double>(now - counted).count() > count_seconds) {
            outcome.stop = over_disk(writable, limits);
            counted = Clock::now();
        }
        if (outcome.stop != SandboxStop::none) {
            kill_job(pid, init, status);
            return;
        }
        pollfd fds[3] = {{out_open ? pipes.out[0] : -1, POLLIN, 0},
                         {err_open ? pipes.err[0] : -1, POLLIN, 0},
                         {info_open ? pipes.info[0] : -1, POLLIN, 0}};
        poll(fds, 3, 50);
        const int lines_before = outcome.lines;
        if (fds[0].revents) out_open = drain(pipes.out[0], outcome.output, total, &outcome.lines);
        if (fds[1].revents) err_open = drain(pipes.err[0], outcome.errors, total, nullptr);
        if (fds[2].revents) {
            info_open = drain(pipes.info[0], info, info_total, nullptr) && info_total < 4096;
            if ((init = sandbox_init(info, pid)) > 0) info_open = false;
        }
        if (outcome.lines != lines_before) last_line = Clock::now();
        if (waitpid(pid, &status, WNOHANG) == pid) reaped = true;
    }
    // Whatever it left behind goes with it; then the rest of its output.
    kill(-pid, SIGKILL);
    while (out_open && drain(pipes.out[0], outcome.output, total, &outcome.lines, true)) {}
    while (err_open && drain(pipes.err[0], outcome.errors, total, nullptr, true)) {}
    if (total > limits.output_bytes) outcome.stop = SandboxStop::output;
    // (a job that filled them between two counts and ended)
    if (outcome.stop == SandboxStop::none) outcome.stop = over_disk(writable, limits);
    if (WIFEXITED(status)) {
        outcome.exited = true;
        outcome.code = WEXITSTATUS(status);
    } else {
        outcome.signal = WTERMSIG(status);
    }
}

// After the fork: the parent's reading ends, non-blocking, and no writing
// end (the info pipe only where bubblewrap writes it).
void keep_parent_ends(Pipes& pipes, bool sandboxed)
{
    // Only this end is non-blocking: a job's output must wait for reading.
    for (const int fd : {pipes.out[0], pipes.err[0], pipes.info[0]}) fcntl(fd, F_SETFL, O_NONBLOCK);
    close(pipes.out[1]);
    close(pipes.err[1]);
    close(pipes.info[1]);
    pipes.out[1] = pipes.err[1] = pipes.info[1] = -1;
    if (!sandboxed) {
        close(pipes.info[0]);
        pipes.info[0] = -1;
    }
}

}  // namespace

void stop_all_sandboxes()
{
    stopping = true;
}

Sandbox::Sandbox(bool enabled)
    : enabled_(enabled), self_(getuid()), job_user_(enabled && getuid() == 0 ? nobody : getuid())
{
}

std::string Sandbox::path(const SandboxFolder& folder) const
{
    return enabled_ ? folder.inside : folder.host_path;
}

bool Sandbox::check(std::string& why) const
{
    if (!enabled_) return true;
    if (find_program("bwrap").empty()) {
        why = "bubblewrap (bwrap) is not installed";
        return false;
    }
    SandboxJob job;
    job.command = {"/usr/bin/true"};
    job.limits.wall_seconds = 60;
    const SandboxOutcome outcome = run(job);
    if (outcome.started && outcome.exited && outcome.code == 0) return true;
    std::string message = outcome.error.empty() ? outcome.errors : outcome.error;
    while (!message.empty() && message.back() == '\n') message.pop_back();
    const std::size_t newline = message.find('\n');
    why = message.empty() ? "bwrap failed" : message.substr(0, newline);
    return false;
}

SandboxOutcome Sandbox::run(const SandboxJob& job) const
{
    SandboxOutcome outcome;
    std::vector<int> opened;
    std::vector<std::string> writable;
    if (!open_folders(job, opened, writable, outcome.error)) return outcome;
    Launch launch = enabled_ ? sandbox_launch(job, opened.size()) : plain_launch(job);
    std::vector<char*> argv = pointers(launch.words);
    std::vector<char*> envp = pointers(launch.environment);

    Pipes pipes;
    if (pipe2(pipes.out, O_CLOEXEC) != 0 || pipe2(pipes.err, O_CLOEXEC) != 0 || pipe2(pipes.info, O_CLOEXEC) != 0 ||
        (pipes.null = open("/dev/null", O_RDONLY | O_CLOEXEC)) < 0) {
        outcome.error = std::string("cannot make pipes: ") + std::strerror(errno);
        for (const int fd : opened) close(fd);
        return outcome;
    }
    const pid_t pid = fork();
    if (pid == 0)
        start_child(pipes, opened, argv.data(), envp.data(), launch.directory.c_str(), job.limits, enabled_,
                    changes_user());
    for (const int fd : opened) close(fd);
    if (pid < 0) {
        outcome.error = std::string("cannot start a process: ") + std::strerror(errno);
        return outcome;
    }
    keep_parent_ends(pipes, enabled_);
    outcome.started = true;
    watch(pid, pipes, job.limits, writable, outcome);
    if (enabled_ && outcome.exited && outcome.code > signal_exit_base && outcome.code <= signal_exit_base + 64) {
        outcome.exited = false;
        outcome.signal = outcome.code - signal_exit_base;
    }
    return outcome;
}
