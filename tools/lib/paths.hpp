// Splitting and joining the tools' paths, in this one place.
#pragma once

#include <string>

// `name` inside `folder`, with one separator between them.
std::string join_path(const std::string& folder, const std::string& name);
// The folder that holds `path`: "." for a bare name, "/" at the root.
std::string parent_folder(const std::string& path);
// The last part of `path`.
std::string last_part(const std::string& path);
