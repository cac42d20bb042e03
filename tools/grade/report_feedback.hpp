// feedback/NAME.html: one student's own page, to hand back to that
// student alone: their pictures beside the expected ones and the
// differences, and why a build or a run failed.  The pictures are inside
// the page (data: URLs), so the one file is all a student needs, and it
// holds nothing of anyone else's.
#pragma once

#include <string>

#include "tools/grade/report_html.hpp"

// The page of `student`, its pictures read from the report being made in
// `folder`; false with a one-line `error` when one cannot be read.
bool feedback_html(const std::string& folder, const ReportPage& page, const StudentResult& student,
                   std::string& html, std::string& error);

// RFC 4648 base64.
std::string base64(const std::string& bytes);
