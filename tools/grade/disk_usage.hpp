// What a job's writable folders hold, counted while it runs: a student's
// program is stopped when it fills more disk, or makes more files, than
// its limits allow.
#pragma once

#include <string>
#include <vector>

struct DiskUsage {
    long long bytes = 0;  // taken on the disk, folders included
    long long files = 0;  // entries of every kind, folders included
    bool too_deep = false;  // folders nested deeper than any build makes
};

// Counts the trees of `folders`, without following links; the count stops
// early once it is over `most_bytes` or `most_files`.
DiskUsage count_usage(const std::vector<std::string>& folders, long long most_bytes, long long most_files);
