// Whole files and trees.
#include "tools/grade/grade_files.hpp"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

bool read_file(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

bool write_file(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

bool copy_tree(const std::string& from, const std::string& to)
{
    if (mkdir(to.c_str(), 0777) != 0 && errno != EEXIST) return false;
    DIR* folder = opendir(from.c_str());
    if (!folder) return false;
    bool ok = true;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string source = from + "/" + name, target = to + "/" + name;
        struct stat info {};
        if (lstat(source.c_str(), &info) != 0) ok = false;
        else if (S_ISDIR(info.st_mode)) ok = copy_tree(source, target) && ok;
        else if (S_ISREG(info.st_mode) && link(source.c_str(), target.c_str()) != 0) {
            std::string text;
            ok = read_file(source, text) && write_file(target, text) && ok;
        }
    }
    closedir(folder);
    return ok;
}


namespace {

// Folders deeper than this are moved up to the top of the tree and removed
// from there: the open handles stay few however deep the tree.
constexpr int deepest_open = 32;

struct TreeRemoval {
    int top = -1;           // the tree's own folder
    std::vector<std::string> moved_up;  // deep folders now in `top`
    int moved = 0;
    bool complete = true;
};

// Its rights given back: a folder the student made unreadable can be emptied.
int open_folder(int parent, const char* name)
{
    const int handle = openat(parent, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (handle < 0) return -1;
    const std::string self = "/proc/self/fd/" + std::to_string(handle);
    chmod(self.c_str(), 0700);
    close(handle);
    return openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

std::vector<std::string> folder_names(int folder)
{
    std::vector<std::string> names;
    const int copy = dup(folder);
    DIR* listing = copy < 0 ? nullptr : fdopendir(copy);
    if (!listing) {
        if (copy >= 0) close(copy);
        return names;
    }
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(listing);
    return names;
}

void empty_folder(int folder, int depth, TreeRemoval& removal)
{
    for (const std::string& name : folder_names(folder)) {
        struct stat info {};
        if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(info.st_mode)) {
            removal.complete = unlinkat(folder, name.c_str(), 0) == 0 && removal.complete;
            continue;
        }
        if (depth >= deepest_open) {
            const std::string up = ".removed-" + std::to_string(removal.moved++);
            if (renameat(folder, name.c_str(), removal.top, up.c_str()) == 0) {
                removal.moved_up.push_back(up);
                continue;
            }
        }
        const int inner = open_folder(folder, name.c_str());
        if (inner >= 0) {
            empty_folder(inner, depth + 1, removal);
            close(inner);
        }
        removal.complete = unlinkat(folder, name.c_str(), AT_REMOVEDIR) == 0 && removal.complete;
    }
}

std::string parent_folder(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool remove_tree(const std::string& path)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return errno == ENOENT;
    if (!S_ISDIR(info.st_mode)) return unlink(path.c_str()) == 0;
    const int parent = open(parent_folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string name = path.substr(path.find_last_of('/') + 1);
    TreeRemoval removal;
    removal.top = parent < 0 ? -1 : open_folder(parent, name.c_str());
    if (removal.top >= 0) {
        empty_folder(removal.top, 1, removal);
        // (each folder moved up is emptied in turn, and may move more up)
        for (std::size_t next = 0; next < removal.moved_up.size(); ++next) {
            const int inner = open_folder(removal.top, removal.moved_up[next].c_str());
            if (inner >= 0) {
                empty_folder(inner, 2, removal);
                close(inner);
            }
            removal.complete = unlinkat(removal.top, removal.moved_up[next].c_str(), AT_REMOVEDIR) == 0 &&
                               removal.complete;
        }
        close(removal.top);
    }
    const bool removed = parent >= 0 && unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0;
    if (parent >= 0) close(parent);
    return removed;
}

std::size_t png_data_end(const std::string& file)
{
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    if (file.compare(0, 8, signature, 8) != 0) return 0;
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(file[at]); };
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const unsigned long long length = (static_cast<unsigned long long>(byte(at)) << 24) | (byte(at + 1) << 16) |
                                          (byte(at + 2) << 8) | byte(at + 3);
        if (length > file.size() - at - 12) return 0;
        const std::size_t end = at + 12 + static_cast<std::size_t>(length);
        if (file.compare(at + 4, 4, "IEND") == 0) return end;
        at = end;
    }
    return 0;
}

long long largest_png(int width, int height)
{
    // Its rows of RGB with their filter bytes, stored without compression
    // (a few bytes a block of 16 KiB more), and its other chunks.
    const long long raw = (3LL * width + 1) * height;
    return raw + raw / 1024 + (64LL << 10);
}

std::string read_picture(int folder, const std::string& file, long long most, std::string& message)
{
    const int fd = openat(folder, file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    std::string text;
    bool ok = fd >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (ok && info.st_size > most) {
        message = "the export's " + file + " is " + std::to_string(info.st_size) +
                  " bytes, more than a picture of its size can be";
        ok = false;
    }
    char buffer[65536];
    ssize_t got = 0;
    while (ok && static_cast<long long>(text.size()) <= most && (got = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    if (fd >= 0) close(fd);
    if (!message.empty()) return "";
    const std::size_t end = ok && got == 0 ? png_data_end(text) : 0;
    if (!ok || got != 0 || static_cast<long long>(text.size()) > most)
        message = "the export left no picture " + file;
    else if (end == 0)
        message = "the export's " + file + " is not a whole PNG file";
    else if (end != text.size())
        message = "the export's " + file + " has " + std::to_string(text.size() - end) +
                  " bytes after the end of its PNG data";
    return message.empty() ? text : "";
}
