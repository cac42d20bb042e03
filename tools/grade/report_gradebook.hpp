// The files of a report for what comes after grading: gradebook.csv (one
// row per student, for a grade book), junit.xml (for a CI service) and
// feedback/NAME.html (each student's own page, to hand back).
#pragma once

#include <string>
#include <vector>

#include "tools/grade/report_html.hpp"
#include "tools/grade/results.hpp"

// How many of the student's (picture, size) pairs are identical, and of how many.
struct StudentScore {
    int identical = 0, total = 0;
    int percent() const;  // rounded to a whole number, halves up
};
StudentScore student_score(const StudentResult& student, std::size_t sizes);

std::string gradebook_csv(const std::vector<StudentResult>& students, std::size_t sizes);

std::string grades_junit(const ReportPage& page);

// The student's folder name with ".html"; a name too long for a file name
// is cut, whole characters kept, and marked with its own id, so that two
// names alike in their first 240 bytes still get pages of their own.
std::string feedback_file_name(const StudentResult& student);

// Writes the three into `folder`, the report being made (whose pictures the
// feedback pages take in); false with a one-line `error`.
bool write_grade_books(const std::string& folder, const ReportPage& page, std::string& error);
