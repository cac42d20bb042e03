// Running a student's build or program in a sandbox made with bubblewrap:
// its own user, process, network, IPC and host-name namespaces; /usr, / and
// /dev (with /dev/shm) read-only, and only the folders the job names
// writable; limits on wall time, memory, processes, file size, output, and
// on what the writable folders hold (counted while the job runs, so that no
// memory-backed folder and no disk fills beyond them).  When the job ends or
// breaks a limit, everything it started is killed with it.
//
// Run as root, the sandbox itself runs as the unprivileged user "nobody"
// (65534): the kernel does not hold root's processes to a process limit.
// The job's folders are handed over as open descriptors, so nobody needs
// no access to the folders around them.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct SandboxFolder {
    std::string host_path;
    std::string inside;  // where the job sees it
    bool writable = false;
};

struct SandboxLimits {
    double wall_seconds = 60;  // for the whole job
    double line_seconds = 0;   // between two lines on standard output (0: no limit)
    long memory_bytes = 1L << 30;
    int processes = 64;
    long output_bytes = 64L << 20;  // any file written, and standard output and error together
    long long disk_bytes = 256LL << 20;  // all that the writable folders hold
    long long files = 2000;              // files and folders in them
};

struct SandboxJob {
    std::vector<std::string> command;  // in the sandbox's terms: paths of `folders` as `inside`
    std::vector<SandboxFolder> folders;
    std::string directory;  // working directory, in the sandbox's terms
    // A host folder the job sees as /tmp (its files then count against the
    // disk limits); empty: a small /tmp in memory.
    std::string temporary;
    SandboxLimits limits;
};

enum class SandboxStop { none, wall_time, line_time, output, disk, files };

struct SandboxOutcome {
    bool started = false;  // false: the sandbox could not be made (see `error`)
    bool exited = false;   // exited by itself, with `code`
    int code = 0;
    int signal = 0;        // the signal that ended it, when not `exited`
    SandboxStop stop = SandboxStop::none;  // the limit it broke, if any
    int lines = 0;         // lines written to standard output
    std::string output;    // standard output, its first bytes
    std::string errors;    // standard error, its first bytes
    std::string error;     // why it could not start
};

class Sandbox {
public:
    // `enabled` false runs jobs directly, with the limits that the process
    // itself can set, and folders at their host paths.
    explicit Sandbox(bool enabled);

    // Tries a sandbox with nothing in it; false with the reason.
    bool check(std::string& why) const;
    // The path under which the job sees `folder`.
    std::string path(const SandboxFolder& folder) const;
    // The user the job's files belong to (to hand over a writable folder).
    uid_t job_user() const { return job_user_; }
    bool changes_user() const { return job_user_ != self_; }

    SandboxOutcome run(const SandboxJob& job) const;

private:
    bool enabled_;
    uid_t self_;
    uid_t job_user_;
};

// Stops every running job (on SIGINT or SIGTERM): they end as if killed.
void stop_all_sandboxes();
