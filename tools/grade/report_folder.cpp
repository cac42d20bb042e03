// Making and swapping the report's folder.
#include "tools/grade/report_folder.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A report of ours says so in this file, which surfgrade writes first.
constexpr const char* marker = ".surfgrade-report";

std::vector<std::string> entries(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* folder = opendir(path.c_str())) {
        while (const dirent* entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(folder);
    }
    return names;
}

std::string parent_of(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ReportFolder::~ReportFolder()
{
    discard();
    lock_.remove_and_release();
}

bool ReportFolder::take_lock(const std::function<void()>& on_wait, std::string& error)
{
    const std::string lock = parent_of(path_) + "/." + base_of(path_) + ".surfgrade-lock";
    std::string reason;
    // (another run may remove the file just as this one opens it)
    for (int attempt = 0; attempt < 100; ++attempt) {
        const FolderLock::Result result = lock_.take(lock, on_wait, reason);
        if (result == FolderLock::Result::held) return true;
        if (result == FolderLock::Result::failed) break;
    }
    error = "cannot lock " + lock + " against another surfgrade run: " +
            (reason.empty() ? "it keeps being removed" : reason);
    return false;
}

void ReportFolder::discard()
{
    if (!temporary_.empty()) remove_tree(temporary_);
    temporary_.clear();
}

bool ReportFolder::prepare(const std::string& given, const std::function<void()>& on_wait, std::string& error)
{
    path_ = given;
    while (path_.size() > 1 && path_.back() == '/') path_.pop_back();
    struct stat info {};
    const std::string beside = parent_of(path_);
    const int found = stat(beside.c_str(), &info) == 0 ? 0 : errno;
    if (found != 0 || !S_ISDIR(info.st_mode)) {
        error = "cannot write the report " + path_ + ": " +
                (found == ENOENT ? "the folder " + beside + " does not exist"
                 : found == 0 || found == ENOTDIR ? beside + " is not a folder"
                                                  : std::string(std::strerror(found)));
        return false;
    }
    if (!take_lock(on_wait, error)) return false;
    if (lstat(path_.c_str(), &info) == 0) {
        exists_ = true;
        if (!S_ISDIR(info.st_mode)) {
            error = path_ + " is not a folder: refused";
            return false;
        }
        const std::vector<std::string> names = entries(path_);
        const std::string mark = path_ + "/" + marker;
        if (!names.empty()) {
            if (lstat(mark.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
                error = path_ + " holds files that are not a surfgrade report: refused, nothing changed";
                return false;
            }
            previous_ = path_;
        }
    } else if (errno != ENOENT) {
        error = "cannot use " + path_ + ": " + std::strerror(errno);
        return false;
    }
    const std::string parent = parent_of(path_);
    std::string pattern = parent + "/." + base_of(path_) + ".surfgrade-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        error = "cannot write a report beside " + path_ + ": " + std::strerror(errno);
        return false;
    }
    temporary_ = pattern;
    // mkdtemp's folder is private; the report gets the usual rights.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temporary_.c_str(), 0777 & ~mask);
    const std::string mark = temporary_ + "/" + marker;
    if (std::FILE* file = std::fopen(mark.c_str(), "w")) {
        std::fputs("This folder is a report of surfgrade; grading again replaces it.\n", file);
        if (std::fclose(file) == 0) return true;
    }
    error = "cannot write into " + parent + ": " + std::strerror(errno);
    discard();
    return false;
}

bool ReportFolder::commit(std::string& error)
{
    if (exists_) {
        // Swapped at once: REPORT is always a whole report, old or new.
        if (renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE) != 0) {
            error = "cannot put the report in place of " + path_ + ": " + std::strerror(errno);
            return false;
        }
    } else if (rename(temporary_.c_str(), path_.c_str()) != 0) {
        error = "cannot put the report in place at " + path_ + ": " + std::strerror(errno);
        return false;
    }
    discard();  // the earlier report, now under the temporary name
    return true;
}
