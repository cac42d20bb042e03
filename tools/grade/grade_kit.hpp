// The kit as surfgrade uses it: the exercise frame compiled once (archives
// and headers, with the build settings in kit.txt), and the standard
// headers precompiled once per grading.
#pragma once

#include <string>
#include <vector>

// The kit as compiled once for grading (kit.txt beside its archives).
struct GradeKit {
    std::string folder;
    std::string compiler;
    std::vector<std::string> compile_flags;
    std::vector<std::string> archives;  // the first holds main
    std::vector<std::string> link_flags;
    std::string id;  // a hash of all of it: a rebuilt kit regrades everyone
    std::string prelude_folder;  // the precompiled standard headers, or empty
    std::string prelude_header;  // their header's name in that folder
};

bool load_grade_kit(const std::string& folder, GradeKit& kit, std::string& error);

// Precompiles, into `folder`, the standard headers that the kit's own
// headers include, for every student's files: most of a renderer's build
// is otherwise spent reading them.  False (and no prelude) when it fails.
bool precompile_prelude(GradeKit& kit, const std::string& folder);

// Copies the kit into `folder`, readable by all, for a sandbox that runs as
// another user.
bool copy_grade_kit(GradeKit& kit, const std::string& folder, std::string& error);
