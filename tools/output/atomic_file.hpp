// Writing files so that no partial file is ever left behind and a run that
// fails changes nothing: each file is written under a fresh hidden name in
// its folder and renamed to its own name only when the run commits.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Runs `encode` on an open file and closes it; false with "cannot write
// SHOWN: REASON" in `error` when the encoding, the flush or the close fails.
bool encode_and_close(std::FILE* file, const std::function<bool(std::FILE*)>& encode, const std::string& shown,
                      std::string& error);

// Waits until the file's bytes, or the folder's names (files created,
// renamed, removed in it), are on the disk: a commit that a power loss may
// cut relies on what came before.  Files are synced by name, all of a set
// at the end: the first sync then writes the others' records too.  A
// folder is synced on POSIX only (Windows keeps its folders' names in its
// own journal).  False with errno set.
bool sync_file(const std::string& path);
bool sync_folder(const std::string& path);

class PendingFiles {
public:
    PendingFiles() = default;
    PendingFiles(const PendingFiles&) = delete;
    PendingFiles& operator=(const PendingFiles&) = delete;
    // Removes every file not yet committed.
    ~PendingFiles() { discard(); }

    // Runs `encode` on a new temporary file beside `path`.  False with a
    // one-line `error` naming `path` (never the temporary name); the
    // temporary is then removed.  Floating-point traps are masked while the
    // libraries run.
    bool add(const std::string& path, const std::function<bool(std::FILE*)>& encode, std::string& error);
    // Syncs every file, then renames each to its own name, in the order added.
    bool commit(std::string& error);
    // Removes every file not yet committed.
    void discard();
    // The temporary names, for a last-moment clean-up.
    const std::vector<std::pair<std::string, std::string>>& files() const { return files_; }

private:
    std::vector<std::pair<std::string, std::string>> files_;  // temporary name, own name
};

// One file written through PendingFiles and committed at once.
bool write_file_atomically(const std::string& path, const std::function<bool(std::FILE*)>& encode,
                           std::string& error);
