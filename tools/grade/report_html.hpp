// index.html: one page, a row per student and a column per picture, each
// cell the student's picture framed in the colour of its state; a click
// shows it beside the expected picture and the diff.  Everything it shows
// is in the report's folder: it opens from the disk, without a server.
#pragma once

#include <string>
#include <vector>

#include "tools/grade/results.hpp"

struct ReportPage {
    std::string class_name;
    std::vector<PictureSize> sizes;
    std::vector<StudentResult> students;  // in the order of their names
    std::vector<std::string> notes;       // about the class folder
    std::string version;                  // "surfgrade 1.0.0"
};

// Text for HTML: & < > " ' as entities.
std::string html_text(const std::string& text);

std::string report_html(const ReportPage& page);
