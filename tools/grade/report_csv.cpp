// The grade book's file, in the usual CSV form (RFC 4180), lines ending CRLF-free.
#include "tools/grade/report_csv.hpp"

namespace {

// A spreadsheet takes a cell that starts with one of these for a formula; a
// student's folder name must stay text, so it gets an apostrophe before it.
bool read_as_formula(const std::string& text)
{
    return !text.empty() && std::string("=+-@\t\r").find(text.front()) != std::string::npos;
}

}  // namespace

std::string csv_field(const std::string& text)
{
    const bool formula = read_as_formula(text);
    if (!formula && text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = formula ? "\"'" : "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string grades_csv(const std::vector<StudentResult>& students, const std::vector<PictureSize>& sizes)
{
    std::string csv = "student,size,picture,status,differing_pixels\n";
    for (const StudentResult& student : students)
        for (std::size_t s = 0; s < sizes.size(); ++s)
            for (int picture = 1; picture <= 12; ++picture) {
                const Status status = picture_status(student, s, picture);
                const bool compared = status == Status::identical || status == Status::differs;
                csv += csv_field(student.name) + "," + sizes[s].text() + "," + std::to_string(picture) + "," +
                       status_name(status) + "," +
                       (compared ? std::to_string(student.sizes[s].differing[static_cast<std::size_t>(picture - 1)])
                                 : std::string()) +
                       "\n";
            }
    return csv;
}
