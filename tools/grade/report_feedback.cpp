// Writing a student's feedback page.
#include "tools/grade/report_feedback.hpp"

#include "tools/grade/grade_files.hpp"
#include "tools/grade/report_gradebook.hpp"
#include "tools/compare/compare.hpp"

namespace {

const char* style = R"(
body { font: 15px/1.4 system-ui, sans-serif; margin: 16px; color: #222; max-width: 1400px; }
h1 { font-size: 22px; margin: 0 0 4px; }
h2 { font-size: 17px; margin: 20px 0 6px; border-bottom: 1px solid #ddd; }
figure { display: inline-block; margin: 0 12px 8px 0; vertical-align: top; }
figcaption { font-size: 13px; color: #555; }
img { display: block; max-width: 44vw; image-rendering: pixelated; background: #000; }
pre, .why { background: #fdecea; padding: 6px; white-space: pre-wrap; font-size: 13px; }
.identical { color: #2e7d32; font-weight: 600; }
.differs { color: #b26a00; font-weight: 600; }
.failed { color: #7b1fa2; font-weight: 600; }
.notes { color: #666; font-size: 13px; }
)";

// The picture as a data: URL, read from the report being made.
bool picture_url(const std::string& path, std::string& url, std::string& error)
{
    std::string bytes;
    if (!read_file(path, bytes)) {
        error = "cannot read " + path + " for a feedback page";
        return false;
    }
    url = "data:image/png;base64," + base64(bytes);
    return true;
}

std::string figure(const std::string& caption, const std::string& url)
{
    return "<figure><figcaption>" + caption + "</figcaption><img alt=\"" + caption + "\" src=\"" + url +
           "\"></figure>";
}

// One picture at one size: the verdict, then the pictures to look at.
bool picture_part(const std::string& folder, const StudentResult& student, std::size_t s, const PictureSize& size,
                  int number, std::string& html, std::string& error)
{
    const Status status = picture_status(student, s, number);
    const std::string name = picture_file_name(number);
    std::string expected, mine, diff;
    if (!picture_url(folder + "/expected/" + size.text() + "/" + name, expected, error)) return false;
    html += "<h3>" + size.text() + ": ";
    if (status == Status::identical) {
        html += "<span class=\"identical\">identical</span></h3>\n" + figure("yours, as expected", expected) + "\n";
        return true;
    }
    if (status != Status::differs) {
        html += "<span class=\"failed\">not drawn (" + std::string(status_name(status)) + ")</span></h3>\n" +
                figure("expected", expected) + "\n";
        return true;
    }
    const std::string own = folder + "/students/" + student.id + "/" + size.text() + "/";
    if (!picture_url(own + name, mine, error) || !picture_url(own + "diff/" + name, diff, error)) return false;
    const long long differing = student.sizes[s].differing[static_cast<std::size_t>(number - 1)];
    html += "<span class=\"differs\">" + std::to_string(differing) +
            (differing == 1 ? " pixel differs" : " pixels differ") + "</span></h3>\n" + figure("yours", mine) +
            figure("expected", expected) +
            figure("difference (magenta: missing, cyan: extra, yellow: another colour)", diff) + "\n";
    return true;
}

std::string summary(const ReportPage& page, const StudentResult& student)
{
    const StudentScore score = student_score(student, page.sizes.size());
    std::string html = "<p>" + std::to_string(score.identical) + " of " + std::to_string(score.total) +
                       " pictures identical to the finished program's (" + std::to_string(score.percent()) +
                       "%), compared pixel for pixel by " + html_text(page.version) + ".</p>\n<p class=\"notes\">";
    html += student.files.empty() ? "No renderer handed in." : "Renderers handed in:";
    for (const std::string& file : student.files) html += " " + html_text(file);
    html += "</p>\n";
    for (const std::string& note : student.notes) html += "<p class=\"notes\">" + html_text(note) + "</p>\n";
    if (!student.built)
        return html + "<h2>The build " + (student.build_failure == Status::build_failed ? "failed" : "was stopped") +
               "</h2>\n<pre>" + html_text(student.build_message) + "</pre>\n";
    for (std::size_t s = 0; s < page.sizes.size(); ++s)
        if (!student.sizes[s].ran)
            html += "<h2>The run at " + page.sizes[s].text() + " failed</h2>\n<pre>" +
                    html_text(student.sizes[s].message) + "</pre>\n";
    return html;
}

}  // namespace

std::string base64(const std::string& bytes)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        unsigned long group = static_cast<unsigned char>(bytes[i]) << 16;
        if (left > 1) group |= static_cast<unsigned long>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (left > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
        out += digits[group >> 18 & 63];
        out += digits[group >> 12 & 63];
        out += left > 1 ? digits[group >> 6 & 63] : '=';
        out += left > 2 ? digits[group & 63] : '=';
    }
    return out;
}

bool feedback_html(const std::string& folder, const ReportPage& page, const StudentResult& student,
                   std::string& html, std::string& error)
{
    html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Your pictures: " +
           html_text(student.name) + "</title>\n<style>" + style + "</style>\n</head>\n<body>\n<h1>Your pictures: " +
           html_text(student.name) + "</h1>\n" + summary(page, student);
    for (int number = 1; student.built && number <= picture_count; ++number) {
        html += "<h2>" + std::to_string(number) + ". " + html_text(picture_title(number)) + "</h2>\n";
        for (std::size_t s = 0; s < page.sizes.size(); ++s)
            if (!picture_part(folder, student, s, page.sizes[s], number, html, error)) return false;
    }
    html += "</body>\n</html>\n";
    return true;
}
