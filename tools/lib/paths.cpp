#include "tools/lib/paths.hpp"

#include <system_error>

namespace {

#ifdef _WIN32
constexpr char own_separator = '\\';
#else
constexpr char own_separator = '/';
#endif

std::size_t skip_separators(const std::string& path, std::size_t at)
{
    while (at < path.size() && is_separator(path[at])) ++at;
    return at;
}

std::size_t skip_name(const std::string& path, std::size_t at)
{
    while (at < path.size() && !is_separator(path[at])) ++at;
    return at;
}

// The length of the root: leading separators; on Windows also a drive
// letter's "C:" or a share's "\\server\share\" (and "\\?\C:\").
std::size_t root_length(const std::string& path)
{
#ifdef _WIN32
    if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]))
        return skip_separators(path, skip_name(path, skip_separators(path, skip_name(path, 2))));
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (drive) return skip_separators(path, 2);
#endif
    return skip_separators(path, 0);
}

}  // namespace

std::filesystem::path fs_path(const std::string& utf8)
{
    // (u8path is the C++17 way to say "these bytes are UTF-8")
    return std::filesystem::u8path(utf8);
}

bool is_separator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

std::string as_folder(const std::string& folder)
{
    if (!folder.empty() && is_separator(folder.back())) return folder;
    char separator = own_separator;
    for (char c : folder)
        if (is_separator(c)) separator = c;
    return folder + separator;
}

std::string join_path(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : as_folder(folder) + name;
}

std::string parent_path(const std::string& path)
{
    const std::size_t root = root_length(path);
    std::size_t end = path.size();
    while (end > root && is_separator(path[end - 1])) --end;
    while (end > root && !is_separator(path[end - 1])) --end;
    if (end <= root) return root > 0 ? path.substr(0, root) : ".";
    while (end > root && is_separator(path[end - 1])) --end;
    return path.substr(0, end);
}

std::vector<std::string> path_levels(const std::string& path)
{
    std::vector<std::string> levels;
    for (std::size_t at = root_length(path); at < path.size(); at = skip_separators(path, at)) {
        at = skip_name(path, at);
        levels.push_back(path.substr(0, at));
    }
    return levels;
}

bool path_exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(fs_path(path), error));
}

bool is_folder(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(fs_path(path), error);
}
