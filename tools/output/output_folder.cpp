// The output folder's set of new files, put in place all at once.
#include "tools/output/output_folder.hpp"

#include "tools/output/atomic_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
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

#ifdef _WIN32
constexpr int no_follow = 0;
// (no links to tell from their targets there)
int lstat(const char* path, struct stat* info) { return ::stat(path, info); }
bool ours(const struct stat&) { return true; }
int make_private_folder(const std::string& path) { return ::mkdir(path.c_str()); }
#else
constexpr int no_follow = O_NOFOLLOW;
// Made by this user: a stranger's file is never acted on as our own.
bool ours(const struct stat& info) { return info.st_uid == geteuid(); }
int make_private_folder(const std::string& path) { return ::mkdir(path.c_str(), 0700); }
#endif

// What is found in the folder and left alone, said once on standard error.
void note(const std::string& path, const std::string& why)
{
#ifdef __GLIBC__
    std::fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, path.c_str(), why.c_str());
#else
    std::fprintf(stderr, "%s: %s\n", path.c_str(), why.c_str());
#endif
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

enum class Journal { none, read, refused };

// One line "NAME HAD_OLD HAS_NEW" of a journal, as this code writes it.
bool parse_change(const std::string& line, Change& change)
{
    const std::size_t first = line.find(' '), second = line.find(' ', first + 1);
    if (second == std::string::npos || second + 2 != line.size()) return false;
    change.name = line.substr(0, first);
    const std::string had = line.substr(first + 1, second - first - 1), has = line.substr(second + 1);
    if (!OutputFolder::is_own_name(change.name) || (had != "0" && had != "1") || (has != "0" && has != "1"))
        return false;
    change.had_old = had == "1";
    change.has_new = has == "1";
    return true;
}

// Only a journal this user's own run wrote is read: a regular file of ours,
// small, naming only files our commands write.  Anything else is refused
// with `why`, and nothing it names is touched.
Journal read_journal(const std::string& path, std::vector<Change>& changes, std::string& why)
{
    const int fd = ::open(path.c_str(), O_RDONLY | no_follow);
    if (fd < 0 && errno == ENOENT) return Journal::none;
    struct stat info {};
    std::string text;
    char buffer[4096];
    const bool usable = fd >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ours(info) &&
                        info.st_size < static_cast<off_t>(sizeof buffer);
    const auto got = usable ? ::read(fd, buffer, sizeof buffer) : -1;
    if (fd >= 0) ::close(fd);
    if (!usable || got < 0) {
        why = fd < 0 ? std::strerror(errno) : "not a journal of this user's";
        return Journal::refused;
    }
    text.assign(buffer, static_cast<std::size_t>(got));
    std::istringstream lines(text);
    Change change;
    for (std::string line; std::getline(lines, line);) {
        if (!parse_change(line, change)) {
            why = "names a file our commands never write";
            return Journal::refused;
        }
        changes.push_back(change);
    }
    return Journal::read;
}

bool write_journal(const std::string& work, const std::vector<Change>& changes)
{
    const std::string part = join_path(work, std::string(journal_name) + ".part");
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (!file) return false;
    const std::string text = journal_text(changes);
    std::string error;
    if (!encode_and_close(
            file, [&](std::FILE* out) { return std::fwrite(text.data(), 1, text.size(), out) == text.size(); }, part,
            error) ||
        !sync_file(part))
        return false;
    std::error_code renamed;
    fs::rename(fs_path(part), fs_path(join_path(work, journal_name)), renamed);
    // On the disk before the first file moves: a power loss after it can
    // always be rolled back.
    return !renamed && sync_folder(work);
}

// Every file as it was before the commit began; safe to run again on what
// an earlier roll-back left.  False when a file could not be put back.
bool roll_back(const std::string& folder, const std::string& work, const std::vector<Change>& changes)
{
    bool all_back = true;
    for (const Change& change : changes) {
        const std::string own = join_path(folder, change.name);
        std::error_code error;
        if (change.had_old) {
            const std::string old = join_path(work, old_name(change.name));
            if (there(old)) fs::rename(fs_path(old), fs_path(own), error);
        } else if (change.has_new && !there(join_path(work, change.name))) {
            fs::remove(fs_path(own), error);  // the new one was in place
        }
        all_back = all_back && !error;
    }
    return all_back;
}

// Moves `from` to `to`; false with `reason`.
bool move(const std::string& from, const std::string& to, std::string& reason)
{
    std::error_code error;
    fs::rename(fs_path(from), fs_path(to), error);
    if (error) reason = error.message();
    return !error;
}

// A number of at most `max_digits` digits and nothing else.
bool parse_count(const std::string& text, std::size_t max_digits, unsigned long long& value)
{
    if (text.empty() || text.size() > max_digits || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoull(text);
    return true;
}

// (a process number is a long here, 32 bits on Windows)
constexpr unsigned long long max_pid = static_cast<unsigned long long>(std::numeric_limits<long>::max());

// The process that made one of our hidden names, as far as the name tells.
struct Owner {
    long pid = 0;
    unsigned long long start = 0;  // 0: not in the name
    bool work = false;             // a work folder, not a part file
};

// ".surf-work.PID.START", or ".surf-work.PID" of an older version or of a
// system that tells no start.
bool work_folder_owner(const std::string& name, Owner& owner)
{
    const std::string prefix = OutputFolder::work_prefix;
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string numbers = name.substr(prefix.size());
    const std::size_t dot = numbers.find('.');
    unsigned long long pid = 0, start = 0;
    if (!parse_count(numbers.substr(0, dot), 10, pid) || pid > max_pid ||
        (dot != std::string::npos && !parse_count(numbers.substr(dot + 1), 19, start)))
        return false;
    owner = {static_cast<long>(pid), start, true};
    return true;
}

// ".NN.png.PID.N.part": a part file of an older version of the tools.
bool old_part_file_owner(const std::string& name, Owner& owner)
{
    if (name.size() < 14 || name[0] != '.' || name.compare(3, 5, ".png.") != 0 ||
        name.compare(name.size() - 5, 5, ".part") != 0)
        return false;
    unsigned long long number = 0, pid = 0, count = 0;
    const std::string numbers = name.substr(8, name.size() - 13);  // "PID.N"
    const std::size_t dot = numbers.find('.');
    if (!parse_count(name.substr(1, 2), 2, number) || dot == std::string::npos ||
        !parse_count(numbers.substr(0, dot), 10, pid) || pid > max_pid || !parse_count(numbers.substr(dot + 1), 19, count))
        return false;
    owner = {static_cast<long>(pid), 0, false};
    return true;
}

// The run that made `path` has surely ended.  With its start in the name,
// the process must be that very one; without, a process that started after
// the file last changed has only been given the same number again.
bool owner_ended(const Owner& owner, const std::string& path)
{
    if (owner.pid == own_process_id() && owner.start == own_start()) return false;
    if (owner.start != 0) return !process_runs(owner.pid, owner.start);
    struct stat info {};
    return !process_runs(owner.pid) ||
           (stat(path.c_str(), &info) == 0 && process_started_after(owner.pid, static_cast<long long>(info.st_mtime)));
}

// Removes a work folder, its record first: what remains of it after a power
// loss is then never taken for a change to roll back.
void remove_work(const std::string& work)
{
    std::error_code error;
    fs::remove(fs_path(join_path(work, journal_name)), error);
    fs::remove(fs_path(join_path(work, done_name)), error);
    remove_tree(work);
}

// The names moved between the folder and its work folder stay moved after
// a power loss.
bool sync_both(const std::string& folder, const std::string& work)
{
    const bool synced = sync_folder(folder);
    return sync_folder(work) && synced;
}

void recover_work(const std::string& folder, const std::string& work)
{
    struct stat info {};
    if (lstat(work.c_str(), &info) != 0) return;
    if (!S_ISDIR(info.st_mode) || !ours(info)) {
        note(work, S_ISDIR(info.st_mode) ? "left alone: another user's folder" : "left alone: not a folder");
        return;
    }
    std::vector<Change> changes;
    std::string why;
    const Journal journal =
        there(join_path(work, done_name)) ? Journal::none : read_journal(join_path(work, journal_name), changes, why);
    if (journal == Journal::refused) {
        note(join_path(work, journal_name), "ignored, and its folder left alone: " + why);
        return;
    }
    if (journal == Journal::read) {
        // (what cannot be put back now stays for the next run to try)
        if (!roll_back(folder, work, changes)) return;
        sync_both(folder, work);
    }
    remove_work(work);
}

// A part file of an older version, when it is a file of this user's.
void remove_part_file(const std::string& path)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return;
    if (!S_ISREG(info.st_mode) || !ours(info)) {
        note(path, "left alone: not a file of this user's");
        return;
    }
    std::error_code error;
    fs::remove(fs_path(path), error);
}

}  // namespace

void recover_folder(const std::string& folder)
{
    const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
    std::error_code error;
    std::vector<std::pair<std::string, Owner>> stale;
    for (fs::directory_iterator entry(fs_path(folder), error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().u8string();
        Owner owner;
        if ((work_folder_owner(name, owner) || old_part_file_owner(name, owner)) &&
            owner_ended(owner, join_path(folder, name)))
            stale.emplace_back(name, owner);
    }
    for (const auto& [name, owner] : stale) {
        const std::string path = join_path(folder, name);
        if (owner.work)
            recover_work(folder, path);
        else
            remove_part_file(path);
    }
}

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
