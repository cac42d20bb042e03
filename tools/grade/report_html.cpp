// Writing index.html.  The viewer is a few lines of script in the page
// itself; without script a click opens the diff picture.
#include "tools/grade/report_html.hpp"

#include "tools/compare/compare.hpp"

namespace {

constexpr int pictures = 12;
constexpr int thumbnail_width = 88;

const char* style = R"(
body { font: 14px/1.35 system-ui, sans-serif; margin: 16px; color: #222; }
h1 { font-size: 20px; margin: 0 0 4px; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ddd; padding: 3px; vertical-align: top; }
thead th { background: #f4f4f4; font-weight: 600; font-size: 12px; position: sticky; top: 0; z-index: 1; }
tbody th { text-align: left; font-weight: 600; max-width: 16em; }
.sum td { font-size: 12px; background: #fafafa; white-space: nowrap; }
.files, .notes, .why { font-weight: normal; font-size: 11px; color: #666; }
.why { color: #7b1fa2; white-space: pre-wrap; }
.shot { display: block; border: 3px solid; margin: 1px 0; text-decoration: none; font-size: 11px;
        color: #fff; text-align: center; overflow: hidden; }
.shot img { display: block; width: 100%; height: 100%; }
.identical { border-color: #2e9e44; background: #2e9e44; }
.differs { border-color: #e08a00; background: #e08a00; }
.build_failed { border-color: #c62828; background: #c62828; }
.run_failed, .timed_out, .killed { border-color: #7b1fa2; background: #7b1fa2; }
td.build_failed { background: #fdecea; color: #222; border: 1px solid #ddd; }
td.build_failed pre { margin: 4px 0 0; font-size: 12px; white-space: pre-wrap; }
.legend span { display: inline-block; padding: 1px 6px; color: #fff; margin-right: 4px; }
#viewer { position: fixed; inset: 0; background: rgba(0,0,0,.85); color: #fff; padding: 16px; overflow: auto; z-index: 2; }
#viewer[hidden] { display: none; }
#viewer figure[hidden] { display: none; }
#viewer figure { display: inline-block; margin: 0 12px 12px 0; vertical-align: top; }
#viewer img { max-width: 46vw; image-rendering: pixelated; background: #000; }
#viewer figcaption { font-size: 13px; margin-bottom: 4px; }
)";

const char* script = R"(
const viewer = document.getElementById('viewer');
function show(a) {
  document.getElementById('v-title').textContent = a.dataset.title;
  for (const kind of ['mine', 'expected', 'diff']) {
    const figure = document.getElementById('v-' + kind);
    figure.hidden = !a.dataset[kind];
    if (a.dataset[kind]) figure.querySelector('img').src = a.dataset[kind];
  }
  viewer.hidden = false;
}
document.addEventListener('click', event => {
  const a = event.target.closest('a.shot');
  if (a) { event.preventDefault(); show(a); }
  else if (event.target.closest('#viewer')) viewer.hidden = true;
});
document.addEventListener('keydown', event => { if (event.key === 'Escape') viewer.hidden = true; });
)";

std::string picture_path(const std::string& folder, int number)
{
    return folder + "/" + picture_file_name(number);
}

std::string status_words(Status status)
{
    switch (status) {
    case Status::identical: return "identical";
    case Status::differs: return "differs";
    case Status::build_failed: return "did not build";
    case Status::run_failed: return "failed";
    case Status::timed_out: return "timed out";
    case Status::killed: return "stopped";
    }
    return "";
}

std::string thumbnail_style(const PictureSize& size)
{
    return "width:" + std::to_string(thumbnail_width) + "px;height:" +
           std::to_string(thumbnail_width * size.height / size.width) + "px";
}

// One picture of one student at one size.
std::string cell_shot(const StudentResult& student, std::size_t s, const PictureSize& size, int number)
{
    const Status status = picture_status(student, s, number);
    const std::string title = student.name + ", " + picture_title(number) + ", " + size.text();
    if (status != Status::identical && status != Status::differs)
        return "<span class=\"shot " + std::string(status_name(status)) + "\" style=\"" + thumbnail_style(size) +
               "\" title=\"" + html_text(title + ": " + student.sizes[s].message) + "\">" + status_words(status) +
               "</span>";
    const std::string expected = picture_path("expected/" + size.text(), number);
    const std::string own = "students/" + student.id + "/" + size.text();
    const long long differing = student.sizes[s].differing[static_cast<std::size_t>(number - 1)];
    const std::string mine = status == Status::identical ? expected : picture_path(own, number);
    const std::string diff = status == Status::identical ? "" : picture_path(own + "/diff", number);
    const std::string count = differing == 0 ? "identical" : std::to_string(differing) + " pixels differ";
    return "<a class=\"shot " + std::string(status_name(status)) + "\" style=\"" + thumbnail_style(size) +
           "\" href=\"" + (diff.empty() ? mine : diff) + "\" data-title=\"" + html_text(title + ": " + count) +
           "\" data-mine=\"" + mine + "\" data-expected=\"" + expected + "\" data-diff=\"" + diff + "\" title=\"" +
           html_text(size.text() + ": " + count) + "\"><img loading=\"lazy\" alt=\"" + status_words(status) +
           "\" src=\"" + mine + "\"></a>";
}

std::string name_cell(const StudentResult& student, const std::vector<PictureSize>& sizes)
{
    int identical = 0, total = 0;
    for (std::size_t s = 0; s < sizes.size(); ++s)
        for (int number = 1; number <= pictures; ++number, ++total)
            identical += picture_status(student, s, number) == Status::identical;
    std::string cell = "<th>" + html_text(student.name) + "<div class=\"files\">" + std::to_string(identical) +
                       " of " + std::to_string(total) + " identical";
    cell += student.files.empty() ? "; no renderer handed in" : "; " + std::to_string(student.files.size()) + " of 7 files";
    cell += "</div>";
    for (std::size_t s = 0; student.built && s < sizes.size(); ++s)
        if (!student.sizes[s].ran)
            cell += "<div class=\"why\">" + html_text(sizes[s].text() + ": " + student.sizes[s].message) + "</div>";
    for (const std::string& note : student.notes) cell += "<div class=\"notes\">" + html_text(note) + "</div>";
    return cell + "</th>";
}

std::string student_row(const StudentResult& student, const std::vector<PictureSize>& sizes)
{
    std::string row = "<tr>" + name_cell(student, sizes);
    if (!student.built)
        return row + "<td colspan=\"" + std::to_string(pictures) + "\" class=\"build_failed\"><b>" +
               (student.build_failure == Status::build_failed ? "did not build"
                                                              : "build stopped (" +
                                                                    std::string(status_name(student.build_failure)) +
                                                                    ")") +
               "</b><pre>" + html_text(student.build_message) + "</pre></td></tr>\n";
    for (int number = 1; number <= pictures; ++number) {
        row += "<td>";
        for (std::size_t s = 0; s < sizes.size(); ++s) row += cell_shot(student, s, sizes[s], number);
        row += "</td>";
    }
    return row + "</tr>\n";
}

std::string summary_row(const ReportPage& page)
{
    std::string row = "<tr class=\"sum\"><th>identical</th>";
    for (int number = 1; number <= pictures; ++number) {
        row += "<td>";
        for (std::size_t s = 0; s < page.sizes.size(); ++s) {
            int identical = 0;
            for (const StudentResult& student : page.students)
                identical += picture_status(student, s, number) == Status::identical;
            row += (s ? "<br>" : "") + std::to_string(identical) + " of " + std::to_string(page.students.size());
            if (page.sizes.size() > 1) row += " <span class=\"files\">" + page.sizes[s].text() + "</span>";
        }
        row += "</td>";
    }
    return row + "</tr>\n";
}

}  // namespace

std::string html_text(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string report_html(const ReportPage& page)
{
    std::string sizes;
    for (const PictureSize& size : page.sizes) sizes += (sizes.empty() ? "" : ", ") + size.text();
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Grades: " +
                       html_text(page.class_name) + "</title>\n<style>" + style + "</style>\n</head>\n<body>\n";
    html += "<h1>Grades: " + html_text(page.class_name) + "</h1>\n<p>" + std::to_string(page.students.size()) +
            " students, pictures of " + sizes + ", compared with the finished program's (" +
            html_text(page.version) + "). Click a picture to see it beside the expected one and the difference.</p>\n";
    html += "<p class=\"legend\"><span class=\"identical\">identical</span><span class=\"differs\">differing "
            "pixels</span><span class=\"build_failed\">did not build</span><span class=\"killed\">stopped or "
            "failed</span></p>\n";
    for (const std::string& note : page.notes) html += "<p class=\"notes\">" + html_text(note) + "</p>\n";
    html += "<table>\n<thead><tr><th>Student</th>";
    for (int number = 1; number <= pictures; ++number)
        html += "<th>" + std::to_string(number) + "<br>" + html_text(picture_title(number)) + "</th>";
    html += "</tr>\n" + summary_row(page) + "</thead>\n<tbody>\n";
    for (const StudentResult& student : page.students) html += student_row(student, page.sizes);
    html += "</tbody>\n</table>\n";
    html += "<div id=\"viewer\" hidden><h2 id=\"v-title\"></h2>"
            "<figure id=\"v-mine\"><figcaption>the student's</figcaption><img alt=\"\"></figure>"
            "<figure id=\"v-expected\"><figcaption>expected</figcaption><img alt=\"\"></figure>"
            "<figure id=\"v-diff\"><figcaption>difference (magenta: missing, cyan: extra, yellow: another "
            "colour)</figcaption><img alt=\"\"></figure></div>\n";
    html += "<script>" + std::string(script) + "</script>\n</body>\n</html>\n";
    return html;
}
