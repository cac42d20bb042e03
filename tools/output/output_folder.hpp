// An output folder that takes a whole set of files at once, or none of them.
//
// The run holds the folder's lock from take() to its end, so two runs never
// mix.  New files are written into a private hidden folder inside it
// (".surf-work.PID"); commit() moves the files they replace into that
// folder, moves the new ones in, and only then drops the old ones.  A
// journal there ("journal", renamed to "done" once every new file is in
// place) lets the next run in the folder put back what a killed run left
// half done: taking the lock, it rolls back or finishes every work folder
// of a process that no longer runs, and removes it.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/output/folder_lock.hpp"
#include "tools/output/interrupts.hpp"

class OutputFolder {
public:
    // `label` names the folder in messages: "folder", "the diff folder".
    OutputFolder(std::string path, std::string label);
    // Discards whatever is not committed.
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    const std::string& path() const { return path_; }

    // Creates the folder and its missing levels (they are removed again on
    // failure), takes its lock (calling `on_wait` before it waits for another
    // run) and puts back what killed runs left.  False with a one-line
    // `error`.
    bool take(const std::function<void()>& on_wait, std::string& error);

    // Writes a new `name` with `encode`; false with a one-line `error`
    // naming the file as the user knows it.
    bool add(const std::string& name, const std::function<bool(std::FILE*)>& encode, std::string& error);
    // False with a one-line `error` when a folder stands where one of
    // `names` would go.
    bool check_replaceable(const std::vector<std::string>& names, std::string& error) const;
    // `name` (of this folder) is removed at commit().
    void remove_at_commit(const std::string& name);
    bool has_changes() const { return !new_names_.empty() || !removed_names_.empty(); }

    // Puts every new file in place and removes the ones asked for, all or
    // none; then lets go of the folder (a folder this run made and left
    // empty is removed).  `confirm`, when given, runs once the new files are
    // in place and the old ones still kept: when it fails, with its
    // `error`, everything is put back.
    bool commit(std::string& error, const std::function<bool(std::string&)>& confirm = {});
    // Removes what this run wrote and the folders it made, and lets go.
    void discard();

    // The hidden names of the folder that are the tools' own.
    static constexpr const char* lock_name = ".surf-lock";
    static constexpr const char* work_prefix = ".surf-work.";
    // A file name our commands write into an output folder ("07.png"): the
    // only names a journal may hold.
    static bool is_own_name(const std::string& name);

    // One file of a commit: whether the folder had it before, whether the
    // run brings a new one.
    struct Change {
        std::string name;
        bool had_old = false;
        bool has_new = false;
    };

private:
    // Moves the files; false with `error`, the change left for discard().
    bool place(std::string& error);
    bool create_levels(std::string& error);
    // `vanished`: a level was removed meanwhile (only when `may_retry`).
    enum class Levels { made, vanished, failed };
    Levels create_missing_levels(std::string& error, bool may_retry);
    bool open_work(std::string& error);
    // discard(), and says in `error` when an old file could not be put back.
    void fail(std::string& error);
    void release();
    void interrupted();
    void remove_created_levels();

    // Tries before a folder that keeps vanishing under this run counts as failed.
    static constexpr int max_attempts = 100;

    std::string path_, label_;
    std::string work_;  // the private folder; empty until needed
    std::vector<std::string> created_;  // levels made by this run, outermost first
    std::vector<std::string> new_names_, removed_names_;
    std::vector<Change> changes_;  // while a commit is under way
    std::string kept_;  // a work folder left for the next run: not all put back
    FolderLock lock_;
    InterruptCleanup cleanup_;
};

// What killed runs left in `folder`: their work folders rolled back (or
// finished when they had put every file in place) and removed, and the
// hidden part files of older versions removed.  Only what this user's own
// runs wrote is acted on: a work folder, journal or part file of another
// user, a link in place of one, or a journal naming anything but our own
// files is left alone, and said so on standard error.  Only for a caller that
// holds the folder's lock; a work folder of a process that still runs stays.
void recover_folder(const std::string& folder);
