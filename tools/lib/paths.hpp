// File and folder names as the user typed them.  On Windows a folder ends
// at either slash, a name may start with a drive (C:) or a share
// (\\server\share), and the text is UTF-8, as on Linux; messages show a
// name as it was typed, and a file in a folder is joined with the folder's
// own separator.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The name for std::filesystem: from UTF-8 on every system (a plain
// std::string would be taken in another code page on Windows).
std::filesystem::path fs_path(const std::string& utf8);

bool is_separator(char c);

// `name` in `folder`, joined with the separator the folder was typed with.
std::string join_path(const std::string& folder, const std::string& name);
// The folder as shown before a file name: "shots/" or "shots\".
std::string as_folder(const std::string& folder);
// The folder that holds `path`: its root when there is no other ("/",
// "C:\", "\\server\share\"), "." for a plain relative name.
std::string parent_path(const std::string& path);
// The folders of `path` from the outermost, each as typed, its root left
// out: "a\b\c" gives "a", "a\b", "a\b\c".
std::vector<std::string> path_levels(const std::string& path);

// A folder, a file or a link: anything there.
bool path_exists(const std::string& path);
bool is_folder(const std::string& path);
