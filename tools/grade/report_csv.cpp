// The grade book's file, in the usual CSV form (RFC 4180), lines ending CRLF-free.
#include "tools/grade/report_csv.hpp"

std::string csv_field(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
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
