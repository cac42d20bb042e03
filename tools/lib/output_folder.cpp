// The output folder's set of new files, put in place all at once.
#include "tools/lib/output_folder.hpp"

#include "tools/lib/atomic_file.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/checks.hpp"
#include "tools/lib/paths.hpp"

namespace fs = std::filesystem;

namespace {

using Change = OutputFolder::Change;

constexpr const char* journal_name = "journal";
constexpr const char* done_name = "done";
std::string old_name(const std::string& name) { return "old-" + name; }

bool there(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(fs_path(path), error));
}

// A folder itself, not a link to one.
bool is_real_folder(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(fs::symlink_status(fs_path(path), error));
}

void remove_tree(const std::string& path)
{
    std::error_code error;
    fs::remove_all(fs_path(path), error);
}

#ifdef _WIN32
int make_folder(const std::string& path) { return ::mkdir(path.c_str()); }
#else
int make_folder(const std::string& path) { return ::mkdir(path.c_str(), 0777); }
#endif

std::string journal_text(const std::vector<Change>& changes)
{
    std::string text;
    for (const Change& change : changes)
        text += change.name + " " + (change.had_old ? "1" : "0") + " " + (change.has_new ? "1" : "0") + "\n";
    return text;
}

bool read_journal(const std::string& path, std::vector<Change>& changes)
{
    std::ifstream in(fs_path(path));
    Change change;
    int had_old = 0, has_new = 0;
    while (in >> change.name >> had_old >> has_new) {
        change.had_old = had_old != 0;
        change.has_new = has_new != 0;
        changes.push_back(change);
    }
    return in.eof();
}

bool write_journal(const std::string& work, const std::vector<Change>& changes)
{
    const std::string part = join_path(work, std::string(journal_name) + ".part");
    {
        std::ofstream out(fs_path(part), std::ios::binary);
        out << journal_text(changes);
        out.flush();
        if (!out) return false;
    }
    std::error_code error;
    fs::rename(fs_path(part), fs_path(join_path(work, journal_name)), error);
    return !error;
}

// Every file as it was before the commit began; safe to run again on what
// an earlier roll-back left.
void roll_back(const std::string& folder, const std::string& work, const std::vector<Change>& changes)
{
    for (const Change& change : changes) {
        const std::string own = join_path(folder, change.name);
        std::error_code error;
        if (change.had_old) {
            const std::string old = join_path(work, old_name(change.name));
            if (there(old)) fs::rename(fs_path(old), fs_path(own), error);
        } else if (change.has_new && !there(join_path(work, change.name))) {
            fs::remove(fs_path(own), error);  // the new one was in place
        }
    }
}

// Moves `from` to `to`; false with `reason`.
bool move(const std::string& from, const std::string& to, std::string& reason)
{
    std::error_code error;
    fs::rename(fs_path(from), fs_path(to), error);
    if (error) reason = error.message();
    return !error;
}

bool all_digits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// ".NN.png.PID.N.part": a part file of an older version of the tools.
bool old_part_file(const std::string& name, long& pid)
{
    if (name.size() < 14 || name[0] != '.' || name.compare(3, 5, ".png.") != 0 || !all_digits(name.substr(1, 2)) ||
        name.compare(name.size() - 5, 5, ".part") != 0)
        return false;
    const std::string numbers = name.substr(8, name.size() - 13);  // "PID.N"
    const std::size_t dot = numbers.find('.');
    if (dot == std::string::npos || !all_digits(numbers.substr(0, dot)) || !all_digits(numbers.substr(dot + 1)))
        return false;
    pid = std::stol(numbers.substr(0, dot));
    return true;
}

void recover_work(const std::string& folder, const std::string& work)
{
    std::vector<Change> changes;
    if (!there(join_path(work, done_name)) && read_journal(join_path(work, journal_name), changes))
        roll_back(folder, work, changes);
    remove_tree(work);
}

}  // namespace

void recover_folder(const std::string& folder)
{
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    std::error_code error;
    std::vector<std::pair<std::string, bool>> stale;  // name, a work folder
    for (fs::directory_iterator entry(fs_path(folder), error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().u8string();
        const std::string prefix = OutputFolder::work_prefix;
        long pid = 0;
        const bool work = name.compare(0, prefix.size(), prefix) == 0 && all_digits(name.substr(prefix.size()));
        if (work)
            pid = std::stol(name.substr(prefix.size()));
        else if (!old_part_file(name, pid))
            continue;
        if (pid != own_process_id() && !process_runs(pid)) stale.emplace_back(name, work);
    }
    for (const auto& [name, work] : stale) {
        const std::string path = join_path(folder, name);
        if (work && is_real_folder(path))
            recover_work(folder, path);
        else if (!work)
            fs::remove(fs_path(path), error);
    }
}

OutputFolder::OutputFolder(std::string path, std::string label)
    : path_(std::move(path)), label_(std::move(label)), cleanup_([this] { discard(); })
{
}

OutputFolder::~OutputFolder() { discard(); }

bool OutputFolder::create_levels(std::string& error)
{
    std::vector<std::string> missing;
    for (std::string level = path_; !there(level); level = parent_path(level)) {
        missing.push_back(level);
        if (parent_path(level) == level) break;
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        if (make_folder(*level) == 0) {
            created_.push_back(*level);
        } else if (errno != EEXIST) {
            // (Windows says a level below a file is missing, where POSIX says
            // the file is no folder)
            const int reason = errno;
            const std::string parent = parent_path(*level);
            const bool below_file = (reason == ENOTDIR || reason == ENOENT) && there(parent) && !is_real_folder(parent);
            error = "cannot create " + label_ + " " + path_ + ": " +
                    (below_file ? parent + " is not a folder" : std::strerror(reason));
            return false;
        }
    }
    return true;
}

bool OutputFolder::take(const std::function<void()>& on_wait, std::string& error)
{
    for (;;) {
        {
            const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
            if (!create_levels(error)) {
                remove_created_levels();
                return false;
            }
        }
        struct stat info {};
        if (stat(path_.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
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
        const FolderLock::Result result = lock_.take(join_path(path_, lock_name), on_wait, reason);
        if (result == FolderLock::Result::held) break;
        if (result == FolderLock::Result::failed) {
            error = "cannot write into " + label_ + " " + path_ + ": " + reason;
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
    work_ = join_path(path_, work_prefix + std::to_string(own_process_id()));
    remove_tree(work_);
    if (make_folder(work_) == 0) return true;
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
            discard();
            return confirmed;
        }
        if (!check_replaceable(new_names_, error) || !open_work(error) || !place(error)) return false;
    }
    // Without the lock: an interrupt while the confirmation waits on its
    // output rolls the change back.
    if (confirm && !confirm(error)) {
        discard();
        return false;
    }
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    std::string reason;
    if (!move(join_path(work_, journal_name), join_path(work_, done_name), reason)) {
        error = "cannot write into " + label_ + " " + path_ + ": " + reason;
        discard();
        return false;
    }
    changes_.clear();
    new_names_.clear();
    removed_names_.clear();
    remove_tree(work_);
    work_.clear();
    release();
    return true;
}

bool OutputFolder::place(std::string& error)
{
    changes_.clear();
    for (const std::string& name : new_names_) changes_.push_back({name, there(join_path(path_, name)), true});
    for (const std::string& name : removed_names_) changes_.push_back({name, there(join_path(path_, name)), false});
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
    for (const Change& change : changes_)
        if (failed.empty() && change.has_new && !move(join_path(work_, change.name), join_path(path_, change.name), reason))
            failed = change.name;
    if (failed.empty()) return true;
    error = "cannot write " + join_path(path_, failed) + ": " + reason;
    discard();
    return false;
}

void OutputFolder::discard()
{
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    if (!changes_.empty()) roll_back(path_, work_, changes_);
    changes_.clear();
    if (!work_.empty()) remove_tree(work_);
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
