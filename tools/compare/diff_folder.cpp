// Which diff folders surfcompare may write into.
#include "tools/compare/diff_folder.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "frame/pictures.hpp"
#include "tools/compare/diff_image.hpp"
#include "tools/lib/paths.hpp"
#include "tools/png/png_import.hpp"

namespace {

// There, as a link or anything else.
bool exists(const std::string& path) { return path_exists(path); }

// (by device and file number, or on Windows by volume and file index)
bool same_file(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(fs_path(a), fs_path(b), error) && !error;
}

// A diff picture of an earlier run or nothing: true.  Someone else's file:
// false with `error` saying so; a file that cannot be read: false with why.
bool own_or_missing(const std::string& path, std::string& error)
{
    std::error_code status_error;
    const std::filesystem::file_type type = std::filesystem::symlink_status(fs_path(path), status_error).type();
    if (type == std::filesystem::file_type::not_found) return true;
    const std::string refused = path + " is not a diff picture of surfcompare; give --diff a new or empty folder";
    if (status_error) {
        error = "cannot check " + path + ": " + status_error.message();
        return false;
    }
    if (type != std::filesystem::file_type::regular) {
        error = refused;
        return false;
    }
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
    } else {
        error = "cannot read " + path + " to check that it is surfcompare's own: " + std::strerror(errno);
        return false;
    }
    PngReader reader;
    std::string ignored;
    if (reader.open(path, ignored) && reader.text("Software") == diff_picture_mark) return true;
    error = refused;
    return false;
}

}  // namespace

std::string picture_file_name(int number)
{
    char name[16];
    std::snprintf(name, sizeof name, "%02d.png", number);
    return name;
}

bool DiffFolder::check_before_taking(const std::string& expected_folder, const std::string& actual_folder,
                                     std::string& error) const
{
    const std::string& path = folder_.path();
    if (!exists(path)) {
        std::string level = parent_path(path);
        while (!exists(level) && parent_path(level) != level) level = parent_path(level);
        if (!is_folder(level)) {
            error = "cannot create the diff folder " + path + ": " + level + " is not a folder";
            return false;
        }
        if (access(level.c_str(), W_OK | X_OK) != 0) {
            error = "cannot create the diff folder " + path + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }
    if (!is_folder(path)) {
        error = "the diff folder " + path + " is not a folder";
        return false;
    }
    if (same_file(path, expected_folder) || same_file(path, actual_folder)) {
        error = "the diff folder must not be one of the compared folders";
        return false;
    }
    if (access(path.c_str(), W_OK | X_OK) != 0) {
        error = "cannot write into the diff folder " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool DiffFolder::check_pictures(std::string& error) const
{
    for (int number = 1; number <= picture_count; ++number)
        if (!own_or_missing(join_path(folder_.path(), picture_file_name(number)), error)) return false;
    return true;
}

bool DiffFolder::take(const std::string& expected_folder, const std::string& actual_folder,
                      const std::function<void()>& on_wait, std::string& error)
{
    if (!check_before_taking(expected_folder, actual_folder, error)) return false;
    if (folder_.take(on_wait, error) && check_pictures(error)) return true;
    folder_.discard();
    return false;
}
