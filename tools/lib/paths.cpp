// Paths of the tools' folders and files.
#include "tools/lib/paths.hpp"

namespace {

#ifdef _WIN32
constexpr const char* separators = "/\\";
#else
constexpr const char* separators = "/";
#endif

bool is_separator(char c) { return std::string(separators).find(c) != std::string::npos; }

}  // namespace

std::string join_path(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    return is_separator(folder.back()) ? folder + name : folder + "/" + name;
}

std::string parent_folder(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && is_separator(trimmed.back())) trimmed.pop_back();
    const std::size_t slash = trimmed.find_last_of(separators);
    if (slash == std::string::npos) return ".";
    return slash == 0 ? trimmed.substr(0, 1) : trimmed.substr(0, slash);
}

std::string last_part(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && is_separator(trimmed.back())) trimmed.pop_back();
    const std::size_t slash = trimmed.find_last_of(separators);
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}
