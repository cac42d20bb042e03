// Grading one student: the handed-in files copied into the report, the
// kit built with them in a sandbox, the pictures exported at every size in
// a sandbox and compared with the finished program's.
#pragma once

#include <string>
#include <vector>

#include "tools/grade/class_folder.hpp"
#include "tools/grade/grade_options.hpp"
#include "tools/grade/results.hpp"
#include "tools/grade/sandbox.hpp"

// The kit as compiled once for grading (kit.txt beside its archives).
struct GradeKit {
    std::string folder;
    std::string compiler;
    std::vector<std::string> compile_flags;
    std::vector<std::string> archives;  // the first holds main
    std::vector<std::string> link_flags;
    std::string id;  // a hash of all of it: a rebuilt kit regrades everyone
    std::string prelude_folder;  // the precompiled standard headers, or empty
};

bool load_grade_kit(const std::string& folder, GradeKit& kit, std::string& error);

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

// Precompiles, into `folder`, the standard headers that the kit's own
// headers include, for every student's files: most of a renderer's build
// is otherwise spent reading them.  False (and no prelude) when it fails.
bool precompile_prelude(GradeKit& kit, const std::string& folder);

// Copies the kit into `folder`, readable by all, for a sandbox that runs as
// another user.
bool copy_grade_kit(GradeKit& kit, const std::string& folder, std::string& error);

// A hash of the expected pictures of every size.
std::string expected_pictures_id(const std::string& report, const std::vector<PictureSize>& sizes);

StudentResult grade_student(const Student& student, const GradeContext& context);

// The compiler's first error lines, with the sandbox's folder names taken out.
std::string first_error_lines(const std::string& output);
