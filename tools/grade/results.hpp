// What grading found for each student: the build, then for every size the
// run and the twelve comparisons.  Kept in each student's folder of the
// report, so that grading again can reuse a student whose files did not change.
#pragma once

#include <string>
#include <vector>

enum class Status { identical, differs, build_failed, run_failed, timed_out, killed };

// The name grades.csv gives a status.
const char* status_name(Status status);

struct PictureSize {
    int width = 0, height = 0;
    std::string text() const;  // "640x480"
};

struct SizeResult {
    PictureSize size;
    bool ran = false;            // the export finished and was compared
    Status failure = Status::run_failed;  // when it did not
    std::string message;         // why it did not, a few lines
    std::vector<long long> differing;  // pixels, per picture 1..12, when it ran
};

struct StudentResult {
    std::string name;
    std::string id;               // its folder in the report
    std::vector<std::string> files;  // the renderer files it handed in
    std::vector<std::string> notes;  // files ignored, and why
    bool built = false;
    Status build_failure = Status::build_failed;
    std::string build_message;   // the compiler's first error lines
    std::vector<SizeResult> sizes;
    bool reused = false;         // taken over from the previous report

    // Statuses that depend on the machine's load are never reused.
    bool reusable() const;
};

// The status of one picture at one size.
Status picture_status(const StudentResult& result, std::size_t size_index, int picture);

// The result as a small text file of the report's student folder; `key`
// names the files and settings it was graded from.  read_result is false
// for anything that is not such a file.
std::string write_result(const StudentResult& result, const std::string& key);
bool read_result(const std::string& text, const std::string& key, StudentResult& result);
