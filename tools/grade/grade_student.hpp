// Grading one student: the handed-in files copied into the report, the
// kit built with them in a sandbox, the pictures exported at every size in
// a sandbox and compared with the finished program's.
#pragma once

#include <string>
#include <vector>

#include "tools/grade/class_folder.hpp"
#include "tools/grade/grade_kit.hpp"
#include "tools/grade/grade_options.hpp"
#include "tools/grade/results.hpp"
#include "tools/grade/sandbox.hpp"

struct GradeContext {
    const GradeOptions* options = nullptr;
    const GradeKit* kit = nullptr;
    const Sandbox* sandbox = nullptr;
    std::string report;    // the report being written
    std::string previous;  // the earlier report, or empty
    // A private folder for the students' build folders, which the sandbox's
    // user can reach (a report under /root, say, it could not).
    std::string scratch;
    // A hash of the expected pictures: when the finished program changes,
    // every student is graded again.
    std::string expected_id;
};

// The student's folder in the report: a hash of the name, so that it is the
// same in every report and needs no quoting.
std::string student_id(const std::string& name);
// Where the expected pictures of `size` are, in the report.
std::string expected_folder(const std::string& report, const PictureSize& size);

// A hash of the expected pictures of every size.
std::string expected_pictures_id(const std::string& report, const std::vector<PictureSize>& sizes);

StudentResult grade_student(const Student& student, const GradeContext& context);

// The compiler's first error lines, with the sandbox's folder names taken out.
std::string first_error_lines(const std::string& output);
