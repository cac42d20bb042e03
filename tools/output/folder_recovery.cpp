// An output folder's recovery: the journal of a commit, its roll-back, and
// what runs that ended before their commit was through left behind.
#include "tools/output/output_folder_parts.hpp"

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

namespace output_parts {

using Change = OutputFolder::Change;

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

}  // namespace output_parts

using namespace output_parts;

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
