// Reading the class folder.  Students' files are read without following
// links: a link handed in must not carry the teacher's own files into the
// sandbox.
#include "tools/grade/class_folder.hpp"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t largest_renderer = 1 << 20;

std::vector<std::string> folder_entries(const std::string& path)
{
    std::vector<std::string> names;
    DIR* folder = opendir(path.c_str());
    if (!folder) return names;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

// In the order of the teacher's language (LC_COLLATE), ties by bytes.
bool name_order(const Student& a, const Student& b)
{
    const int order = std::strcoll(a.name.c_str(), b.name.c_str());
    return order != 0 ? order < 0 : a.name < b.name;
}

void read_student(Student& student)
{
    const std::vector<std::string>& known = renderer_files();
    for (const std::string& name : folder_entries(student.folder)) {
        struct stat info {};
        const std::string path = student.folder + "/" + name;
        if (std::find(known.begin(), known.end(), name) == known.end())
            student.notes.push_back(name + ": ignored, not a renderer's file name");
        else if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            student.notes.push_back(name + ": ignored, not a regular file");
        else if (static_cast<std::size_t>(info.st_size) > largest_renderer)
            student.notes.push_back(name + ": ignored, larger than 1 MiB");
        else
            student.files.push_back(name);
    }
    std::sort(student.files.begin(), student.files.end(), [&](const std::string& a, const std::string& b) {
        return std::find(known.begin(), known.end(), a) < std::find(known.begin(), known.end(), b);
    });
}

}  // namespace

const std::vector<std::string>& renderer_files()
{
    static const std::vector<std::string> files = {"szintvonal1.cpp", "szintvonal2.cpp", "pontfelho.cpp",
                                                   "tegla.cpp",       "fuggveny1.cpp",   "fuggveny3.cpp",
                                                   "fuggveny4.cpp"};
    return files;
}

bool read_class_folder(const std::string& path, ClassFolder& result, std::string& error)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = "cannot read the class folder " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = "not a folder: " + path;
        return false;
    }
    if (access(path.c_str(), R_OK | X_OK) != 0) {
        error = "cannot read the class folder " + path + ": " + std::strerror(errno);
        return false;
    }
    for (const std::string& name : folder_entries(path)) {
        const std::string folder = path + "/" + name;
        if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            result.notes.push_back(name + ": ignored, not a student's folder");
            continue;
        }
        if (name[0] == '.') {
            result.notes.push_back(name + ": ignored, a hidden folder");
            continue;
        }
        Student student;
        student.name = name;
        student.folder = folder;
        read_student(student);
        result.students.push_back(student);
    }
    if (result.students.empty()) {
        error = "the class folder " + path + " holds no student's folder";
        return false;
    }
    std::setlocale(LC_COLLATE, "");
    std::sort(result.students.begin(), result.students.end(), name_order);
    return true;
}

bool read_handed_in(const std::string& path, std::size_t most, std::string& text, std::string& why)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = fd < 0 ? std::strerror(errno) : "not a regular file";
        if (fd >= 0) close(fd);
        return false;
    }
    text.clear();
    char buffer[65536];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) > 0 && text.size() <= most) text.append(buffer, static_cast<std::size_t>(got));
    close(fd);
    if (got < 0 || text.size() > most) {
        why = got < 0 ? std::strerror(errno) : "too large";
        return false;
    }
    return true;
}
