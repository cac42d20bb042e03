// grades.csv: one line per student, size and picture, for a grade book.
#pragma once

#include <string>
#include <vector>

#include "tools/grade/results.hpp"

// A field as CSV needs it: quoted when it holds a comma, a quote or a line break.
std::string csv_field(const std::string& text);

std::string grades_csv(const std::vector<StudentResult>& students, const std::vector<PictureSize>& sizes);
