// gradebook.csv and the writing of the files for after grading.
#include "tools/grade/report_gradebook.hpp"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "tools/grade/grade_files.hpp"
#include "tools/grade/report_csv.hpp"
#include "tools/grade/report_feedback.hpp"

int StudentScore::percent() const
{
    return total == 0 ? 0 : (200 * identical + total) / (2 * total);
}

StudentScore student_score(const StudentResult& student, std::size_t sizes)
{
    StudentScore score;
    for (std::size_t s = 0; s < sizes; ++s)
        for (int picture = 1; picture <= 12; ++picture, ++score.total)
            score.identical += picture_status(student, s, picture) == Status::identical;
    return score;
}

std::string gradebook_csv(const std::vector<StudentResult>& students, std::size_t sizes)
{
    std::string csv = "student,identical,total,score\n";
    for (const StudentResult& student : students) {
        const StudentScore score = student_score(student, sizes);
        csv += csv_field(student.name) + "," + std::to_string(score.identical) + "," + std::to_string(score.total) +
               "," + std::to_string(score.percent()) + "\n";
    }
    return csv;
}

std::string feedback_file_name(const StudentResult& student)
{
    constexpr std::size_t longest_name = 255;  // bytes, in every Linux file system
    const std::string ending = ".html";
    if (student.name.size() + ending.size() <= longest_name) return student.name + ending;
    const std::string mark = "~" + student.id.substr(0, 8);
    std::size_t cut = longest_name - ending.size() - mark.size();
    while (cut > 0 && (static_cast<unsigned char>(student.name[cut]) & 0xC0) == 0x80) --cut;  // whole characters
    return student.name.substr(0, cut) + mark + ending;
}

bool write_grade_books(const std::string& folder, const ReportPage& page, std::string& error)
{
    const auto write = [&](const std::string& path, const std::string& text) {
        if (write_file(path, text)) return true;
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    };
    if (!write(folder + "/gradebook.csv", gradebook_csv(page.students, page.sizes.size())) ||
        !write(folder + "/junit.xml", grades_junit(page)))
        return false;
    if (mkdir((folder + "/feedback").c_str(), 0777) != 0) {
        error = "cannot make " + folder + "/feedback: " + std::strerror(errno);
        return false;
    }
    for (const StudentResult& student : page.students) {
        std::string html;
        if (!feedback_html(folder, page, student, html, error) ||
            !write(folder + "/feedback/" + feedback_file_name(student), html))
            return false;
    }
    return true;
}
