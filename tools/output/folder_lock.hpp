// The lock that keeps two runs out of one output folder: an advisory lock on
// a hidden file in the folder, held for the whole run and removed with it.
#pragma once

#include <functional>
#include <string>

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock() { close(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    enum class Result { held, removed, failed };
    // Opens `path` (creating it) and takes its lock, waiting for another run
    // that holds it; `on_wait` is called before waiting.  `removed`: the
    // holder removed the file (or the folder) meanwhile, try again.
    Result take(const std::string& path, const std::function<void()>& on_wait, std::string& error);
    bool held() const { return held_; }
    // Removes the file while the lock is held, then lets go.  A lock not
    // held is taken first when free; a file another run holds stays.
    void remove_and_release();
    void close();

private:
    std::string path_;
    int fd_ = -1;
    bool held_ = false;
};

// This process's number, and whether another one of that number still runs.
long own_process_id();
bool process_runs(long pid);

// When a process started, in the system's own units (clock ticks since the
// machine started on Linux, a file time on Windows): with its number, it
// names one process for good, where a number alone is reused.  0 when it
// cannot be known.
unsigned long long process_start(long pid);
// This process's start, read once.
unsigned long long own_start();
// The process `pid` that started at `start` still runs.  A start of 0 (not
// known when the name was made) or one that cannot be read now counts as
// the same process: only a run that surely ended is taken for ended.
bool process_runs(long pid, unsigned long long start);
// The process now running as `pid` started after `seconds` (a file's
// modification time, seconds since 1970): a file it last changed before
// then is not its own.  False when that cannot be known.
bool process_started_after(long pid, long long seconds);
