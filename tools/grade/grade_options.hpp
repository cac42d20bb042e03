// surfgrade's command line: the class, the report, the sizes, the number of
// students graded at once and the sandbox's limits.
#pragma once

#include <string>
#include <vector>

#include "frame/command_line.hpp"
#include "tools/grade/results.hpp"

// What one student's code may use; every limit has an option.
struct GradeLimits {
    double build_seconds = 120;   // compiling and linking one student
    double picture_seconds = 20;  // one picture of an export
    long memory_mib = 1024;       // address space of each process
    int processes = 64;           // at once, in one sandbox
    long output_mib = 64;         // any file written, and all that is printed
    // What the build folder and /tmp hold together: a few jobs at once fit
    // a lab machine's memory even where /tmp is kept in memory.
    long disk_mib = 256;
    long files = 2000;
};

struct GradeOptions {
    std::string class_folder;
    std::string report_folder;
    std::vector<PictureSize> sizes;
    int jobs = 0;  // students at once; 0: one per processor
    GradeLimits limits;
    bool sandbox = true;
};

bool parse_grade_arguments(int argc, char** argv, GradeOptions& options, CommandLine& line, std::string& error);
std::string grade_usage(const std::string& program);
