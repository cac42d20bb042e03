// The parts of an output folder that its commit (output_folder.cpp) and
// its recovery (folder_recovery.cpp) share: the work folder's names, its
// journal and the roll-back of a commit.
#pragma once

#include <string>
#include <sys/stat.h>
#include <vector>

#include "tools/output/output_folder.hpp"

namespace output_parts {

constexpr const char* journal_name = "journal";
constexpr const char* done_name = "done";
std::string old_name(const std::string& name);
bool there(const std::string& path);
// A folder itself, not a link to one.
bool is_real_folder(const std::string& path);
// Made by this user: a stranger's file is never acted on as our own.
bool ours(const struct stat& info);
int make_private_folder(const std::string& path);
int make_folder(const std::string& path);
void remove_tree(const std::string& path);
bool write_journal(const std::string& work, const std::vector<OutputFolder::Change>& changes);
// Every file as it was before the commit began; safe to run again on what
// an earlier roll-back left.  False when a file could not be put back.
bool roll_back(const std::string& folder, const std::string& work, const std::vector<OutputFolder::Change>& changes);
// Moves `from` to `to`; false with `reason`.
bool move(const std::string& from, const std::string& to, std::string& reason);
// Removes a work folder, its record first.
void remove_work(const std::string& work);
// The names moved between the folder and its work folder stay moved after
// a power loss.
bool sync_both(const std::string& folder, const std::string& work);

}  // namespace output_parts
