// The files for after grading: the grade book's rounding and formula guard,
// the JUnit report's counts and escaping, each student's page.
#include <gtest/gtest.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/grade/grade_files.hpp"
#include "tools/grade/grade_student.hpp"
#include "tools/grade/report_feedback.hpp"
#include "tools/grade/report_folder.hpp"
#include "tools/grade/report_gradebook.hpp"
#include "tools/compare/junit_xml.hpp"

namespace {

// A student who ran at every size, with `identical` of the pictures identical.
StudentResult student_with(const std::string& name, int sizes, int identical)
{
    StudentResult student;
    student.name = name;
    student.id = student_id(name);
    student.built = true;
    for (int s = 0; s < sizes; ++s) {
        SizeResult size;
        size.size = {640 + s, 480};
        size.ran = true;
        for (int picture = 0; picture < 12; ++picture, --identical) size.differing.push_back(identical > 0 ? 0 : 7);
        student.sizes.push_back(size);
    }
    return student;
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
    return found;
}

}  // namespace

TEST(GradeBook, ScoresRoundHalvesUpAndNamesStayText)
{
    StudentResult broken;
    broken.name = "=cmd|' /C calc'!A0";
    const std::string csv = gradebook_csv(
        {student_with("Five", 2, 5), student_with("One", 2, 1), student_with("Three", 2, 3), broken}, 2);
    EXPECT_EQ(csv, "student,identical,total,score\n"
                   "Five,5,24,21\n"   // 20.8
                   "One,1,24,4\n"     // 4.17
                   "Three,3,24,13\n"  // 12.5
                   "\"'=cmd|' /C calc'!A0\",0,24,0\n");
    EXPECT_EQ(student_score(student_with("All", 2, 24), 2).percent(), 100);
}

TEST(GradeJunit, CountsFailuresAndErrorsAndEscapesWhatXmlCannotHold)
{
    EXPECT_EQ(xml_text("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&apos;");
    EXPECT_EQ(xml_text("bell\x07 \xC3\xA1 \xC3 \xED\xA0\x80 \xEF\xBF\xBF"),
              "bell\xEF\xBF\xBD \xC3\xA1 \xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    ReportPage page;
    page.class_name = "2.b";
    page.sizes = {{640, 480}, {641, 480}};
    StudentResult stopped = student_with("Kiss <Pista>", 2, 10);
    stopped.sizes[1].ran = false;
    stopped.sizes[1].failure = Status::timed_out;
    stopped.sizes[1].message = "the export did not finish within 10 s";
    StudentResult broken;
    broken.name = "Broken";
    broken.build_message = "tegla.cpp:1: error: expected ';'";
    page.students = {stopped, broken};
    const std::string xml = grades_junit(page);
    EXPECT_NE(xml.find("<testsuites name=\"surfgrade 2.b\" tests=\"48\" failures=\"2\" errors=\"36\">"), std::string::npos);
    EXPECT_NE(xml.find("<testsuite name=\"Kiss &lt;Pista&gt;\" tests=\"24\" failures=\"2\" errors=\"12\">"), std::string::npos);
    EXPECT_NE(xml.find("<testsuite name=\"Broken\" tests=\"24\" failures=\"0\" errors=\"24\">"), std::string::npos);
    EXPECT_EQ(count(xml, "expected &apos;;&apos;</error>"), 24u);
    EXPECT_EQ(count(xml, "<error message=\"timed_out\">the export did not finish within 10 s</error>"), 12u);
    EXPECT_NE(xml.find("<testcase name=\"12 Festett 4szögek (640x480)\" classname=\"Kiss &lt;Pista&gt;\">"), std::string::npos);
}

TEST(GradeFeedback, ShowsOnlyTheStudentsOwnPicturesInsideThePage)
{
    EXPECT_EQ(base64(""), "");
    EXPECT_EQ(base64("f"), "Zg==");
    EXPECT_EQ(base64("fo"), "Zm8=");
    EXPECT_EQ(base64("foob"), "Zm9vYg==");
    EXPECT_EQ(base64("\xFF\xFE\xFD"), "//79");
    std::string folder = testing::TempDir() + "grade-books-XXXXXX";
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    ReportPage page;
    page.sizes = {{640, 480}};
    page.students = {student_with("Anna <b>", 1, 11), student_with("Béla", 1, 12)};
    const std::string own = folder + "/students/" + page.students[0].id + "/640x480";
    for (const std::string& made : {folder + "/expected", folder + "/expected/640x480", folder + "/students",
                                    folder + "/students/" + page.students[0].id, own, own + "/diff"})
        ASSERT_EQ(mkdir(made.c_str(), 0777), 0) << made;
    for (const char* name : {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12"})
        ASSERT_TRUE(write_file(folder + "/expected/640x480/" + name + ".png", "expected"));
    std::string error;
    EXPECT_FALSE(write_grade_books(folder, page, error));
    EXPECT_NE(error.find("12.png"), std::string::npos) << error;
    ASSERT_TRUE(write_file(own + "/12.png", "mine") && write_file(own + "/diff/12.png", "diff"));
    remove_tree(folder + "/feedback");
    ASSERT_TRUE(write_grade_books(folder, page, error)) << error;
    std::string html;
    ASSERT_TRUE(read_file(folder + "/feedback/Anna <b>.html", html));
    EXPECT_NE(html.find("Your pictures: Anna &lt;b&gt;"), std::string::npos);
    EXPECT_EQ(html.find("Béla"), std::string::npos);
    EXPECT_EQ(count(html, "data:image/png;base64," + base64("expected")), 12u);
    EXPECT_EQ(count(html, "data:image/png;base64," + base64("mine")), 1u);
    EXPECT_EQ(count(html, "data:image/png;base64," + base64("diff")), 1u);
    EXPECT_NE(html.find("11 of 12 pictures identical"), std::string::npos);
    EXPECT_TRUE(read_file(folder + "/feedback/Béla.html", html));
    remove_tree(folder);
}

namespace {

// A folder name as long as a file system allows can still take ".html":
// cut to whole characters, told apart from its neighbour by its id.
TEST(GradeBooks, AFeedbackPageNameFitsTheFileSystemAndStaysItsStudentsOwn)
{
    EXPECT_EQ(feedback_file_name(student_with("Béla", 1, 12)), "Béla.html");
    std::string stem = "ab";
    while (stem.size() < 250) stem += "é";  // its characters start at even bytes; a plain cut falls at an odd one
    const StudentResult first = student_with(stem + "1", 1, 12), second = student_with(stem + "2", 1, 12);
    const std::string one = feedback_file_name(first), other = feedback_file_name(second);
    EXPECT_NE(one, other);
    std::string folder = testing::TempDir() + "feedback-names-XXXXXX";
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    for (const std::string& name : {one, other}) {
        EXPECT_LE(name.size(), 255u);
        EXPECT_EQ(name.substr(name.size() - 5), ".html");
        const std::size_t mark = name.rfind('~');
        ASSERT_NE(mark, std::string::npos);
        EXPECT_EQ(stem.compare(0, mark, name, 0, mark), 0) << "not the name's beginning";
        EXPECT_EQ(mark % 2, 0u) << "a character cut in two";
        EXPECT_TRUE(write_file(folder + "/" + name, "page")) << name;
    }
    remove_tree(folder);
}

}  // namespace
