// The output folder's set of new files, put in place all at once.
#include "tools/output/output_folder.hpp"

#include "tools/output/atomic_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/checks.hpp"
#include "tools/lib/paths.hpp"
#include "tools/output/output_folder_parts.hpp"

namespace fs = std::filesystem;
using namespace output_parts;

OutputFolder::OutputFolder(std::string path, std::string label)
    : path_(std::move(path)), label_(std::move(label)), cleanup_([this] { interrupted(); })
{
}

void OutputFolder::interrupted()
{
    const bool placed = !changes_.empty();
    discard();
    if (placed) interrupt_undid_change();
}

OutputFolder::~OutputFolder() { discard(); }

bool OutputFolder::create_levels(std::string& error)
{
    // Another run may remove a level it made (and left empty) while this
    // one makes the levels below: then they are made again.
    for (int attempt = 1;; ++attempt) {
        const bool last = attempt == max_attempts;
        const Levels result = create_missing_levels(error, !last);
        if (result != Levels::vanished) return result == Levels::made;
    }
}

OutputFolder::Levels OutputFolder::create_missing_levels(std::string& error, bool may_retry)
{
    std::vector<std::string> missing;
    for (std::string level = path_; !there(level); level = parent_path(level)) {
        missing.push_back(level);
        if (parent_path(level) == level) break;
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        if (make_folder(*level) == 0) {
            created_.push_back(*level);
        } else if (errno == ENOENT && may_retry && !there(parent_path(*level))) {
            return Levels::vanished;
        } else if (errno != EEXIST) {
            // (Windows says a level below a file is missing, where POSIX says
            // the file is no folder)
            const int reason = errno;
            const std::string parent = parent_path(*level);
            const bool below_file = (reason == ENOTDIR || reason == ENOENT) && there(parent) && !is_real_folder(parent);
            error = "cannot create " + label_ + " " + path_ + ": " +
                    (below_file ? parent + " is not a folder" : std::strerror(reason));
            return Levels::failed;
        }
    }
    return Levels::made;
}

bool OutputFolder::take(const std::function<void()>& on_wait, std::string& error)
{
    // (said once, though a lock let go of while waiting is taken anew)
    bool said = false;
    int attempts = 0;
    const std::function<void()> say_once = [&] {
        if (!said && on_wait) on_wait();
        said = true;
    };
    for (;;) {
        {
            const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
            if (!create_levels(error)) {
                remove_created_levels();
                return false;
            }
        }
        struct stat info {};
        const bool found = stat(path_.c_str(), &info) == 0;
        if (!found && errno == ENOENT && ++attempts < max_attempts) continue;  // (removed meanwhile, as above)
        if (!found || !S_ISDIR(info.st_mode)) {
            error = "not a folder: " + path_;
            discard();
            return false;
        }
        if (access(path_.c_str(), W_OK | X_OK) != 0) {
            error = "cannot write into " + label_ + " " + path_ + ": " + std::strerror(errno);
            discard();
            return false;
        }
        std::string reason;
        const FolderLock::Result result = lock_.take(join_path(path_, lock_name), say_once, reason);
        if (result == FolderLock::Result::held) break;
        if (result == FolderLock::Result::failed || ++attempts == max_attempts) {
            error = "cannot write into " + label_ + " " + path_ + ": " +
                    (reason.empty() ? "it keeps being removed by another program" : reason);
            discard();
            return false;
        }
    }
    recover_folder(path_);
    return true;
}

bool OutputFolder::check_replaceable(const std::vector<std::string>& names, std::string& error) const
{
    for (const std::string& name : names) {
        const std::string path = join_path(path_, name);
        if (!is_real_folder(path)) continue;
        error = "cannot write " + path + ": a folder is in its place";
        return false;
    }
    return true;
}

bool OutputFolder::open_work(std::string& error)
{
    if (!work_.empty()) return true;
    const unsigned long long start = own_start();
    work_ = join_path(path_, work_prefix + std::to_string(own_process_id()) +
                                 (start ? "." + std::to_string(start) : std::string()));
    remove_tree(work_);
    // (private: nobody else can plant a journal or a kept file in it)
    if (make_private_folder(work_) == 0) return true;
    error = "cannot write into " + label_ + " " + path_ + ": " + std::strerror(errno);
    work_.clear();
    return false;
}

bool OutputFolder::add(const std::string& name, const std::function<bool(std::FILE*)>& encode, std::string& error)
{
    LibraryCallScope library;
    const std::string shown = join_path(path_, name);
    std::string temporary;  // once the work folder is there
    std::FILE* file = nullptr;
    {
        const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
        if (!open_work(error)) return false;
        temporary = join_path(work_, name);
        file = std::fopen(temporary.c_str(), "wb");
    }
    if (!file) {
        error = "cannot write " + shown + ": " + std::strerror(errno);
        return false;
    }
    if (!encode_and_close(file, encode, shown, error)) {
        const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
        std::error_code ignored;
        fs::remove(fs_path(temporary), ignored);
        return false;
    }
    new_names_.push_back(name);
    return true;
}

void OutputFolder::remove_at_commit(const std::string& name) { removed_names_.push_back(name); }

bool OutputFolder::commit(std::string& error, const std::function<bool(std::string&)>& confirm)
{
    {
        const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
        if (!has_changes()) {
            const bool confirmed = !confirm || confirm(error);
            if (confirmed) set_interrupt_note("");
            discard();
            return confirmed;
        }
        if (!check_replaceable(new_names_, error) || !open_work(error) || !place(error)) {
            fail(error);
            return false;
        }
    }
    // Without the lock: an interrupt while the confirmation waits on its
    // output rolls the change back.
    if (confirm && !confirm(error)) {
        fail(error);
        return false;
    }
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    std::string reason;
    // "done" is on the disk before the old files go: a power loss then
    // never takes their absence for a change to roll back.
    if (!move(join_path(work_, journal_name), join_path(work_, done_name), reason) || !sync_folder(work_)) {
        error = "cannot write into " + label_ + " " + path_ + ": " + (reason.empty() ? std::strerror(errno) : reason);
        fail(error);
        return false;
    }
    // (done: an interrupt from now on undoes nothing, and has nothing to say)
    set_interrupt_note("");
    changes_.clear();
    new_names_.clear();
    removed_names_.clear();
    remove_work(work_);
    work_.clear();
    release();
    return true;
}

bool OutputFolder::place(std::string& error)
{
    changes_.clear();
    for (const std::string& name : new_names_) changes_.push_back({name, there(join_path(path_, name)), true});
    for (const std::string& name : removed_names_) changes_.push_back({name, there(join_path(path_, name)), false});
    for (const std::string& name : new_names_) {
        if (sync_file(join_path(work_, name))) continue;
        error = "cannot write " + join_path(path_, name) + ": " + std::strerror(errno);
        changes_.clear();
        return false;
    }
    if (!write_journal(work_, changes_)) {
        error = "cannot write into " + label_ + " " + path_ + ": " + std::strerror(errno ? errno : EIO);
        changes_.clear();
        return false;
    }
    std::string reason, failed;
    for (const Change& change : changes_)
        if (failed.empty() && change.had_old &&
            !move(join_path(path_, change.name), join_path(work_, old_name(change.name)), reason))
            failed = change.name;
    // The old files are kept aside on the disk before a new one takes a
    // name of theirs.
    if (failed.empty() && !sync_both(path_, work_)) {
        error = "cannot write into " + label_ + " " + path_ + ": " + std::strerror(errno ? errno : EIO);
        return false;
    }
    for (const Change& change : changes_)
        if (failed.empty() && change.has_new && !move(join_path(work_, change.name), join_path(path_, change.name), reason))
            failed = change.name;
    if (failed.empty() && !sync_both(path_, work_)) {
        error = "cannot write into " + label_ + " " + path_ + ": " + std::strerror(errno ? errno : EIO);
        return false;
    }
    if (failed.empty()) return true;
    error = "cannot write " + join_path(path_, failed) + ": " + reason;
    return false;
}

void OutputFolder::fail(std::string& error)
{
    discard();
    if (!kept_.empty())
        error += "; the old files could not all be put back: the next run into " + path_ + " puts them back";
}

void OutputFolder::discard()
{
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    if (!changes_.empty()) {
        // (a commit that failed after its "done": a power loss during the
        // roll-back must not finish it instead)
        std::error_code ignored;
        if (there(join_path(work_, done_name)))
            fs::rename(fs_path(join_path(work_, done_name)), fs_path(join_path(work_, journal_name)), ignored);
        // What cannot be put back now stays for the next run to put back.
        if (!roll_back(path_, work_, changes_)) kept_ = work_;
        sync_both(path_, work_);
    }
    changes_.clear();
    if (!work_.empty() && kept_ != work_) remove_work(work_);
    work_.clear();
    new_names_.clear();
    removed_names_.clear();
    release();
}

void OutputFolder::release()
{
    lock_.remove_and_release();
    remove_created_levels();
}

void OutputFolder::remove_created_levels()
{
    // Only empty ones go: a level that holds anything now is not ours alone.
    for (auto level = created_.rbegin(); level != created_.rend(); ++level) ::rmdir(level->c_str());
    created_.clear();
}

bool OutputFolder::is_own_name(const std::string& name)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return name.size() == 6 && digit(name[0]) && digit(name[1]) && name.compare(2, 4, ".png") == 0;
}
