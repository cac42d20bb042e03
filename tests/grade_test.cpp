// surfgrade's parts: its results kept between gradings, the CSV and HTML
// of the report, its command line, the report folder's rules, the class
// folder's reading, and the limits of a job (without the sandbox, which the
// end-to-end test exercises).
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <memory>
#include <thread>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/grade/class_folder.hpp"
#include "tools/grade/disk_usage.hpp"
#include "tools/grade/grade_files.hpp"
#include "tools/grade/grade_options.hpp"
#include "tools/grade/grade_student.hpp"
#include "tools/grade/report_csv.hpp"
#include "tools/grade/report_folder.hpp"
#include "tools/grade/report_html.hpp"
#include "tools/grade/results.hpp"
#include "tools/grade/sandbox.hpp"

namespace {

class TemporaryFolder {
public:
    TemporaryFolder()
    {
        std::string pattern = testing::TempDir() + "grade-test-XXXXXX";
        path_ = mkdtemp(pattern.data());
    }
    ~TemporaryFolder() { remove_tree(path_); }
    const std::string& path() const { return path_; }
    void write(const std::string& name, const std::string& text) const { std::ofstream(path_ + "/" + name) << text; }

private:
    std::string path_;
};

StudentResult sample_student()
{
    StudentResult student;
    student.name = "Kiss \"Pista\", 2.b\nnew line";
    student.id = student_id(student.name);
    student.files = {"tegla.cpp"};
    student.notes = {"notes.txt: ignored, not a renderer's file name"};
    student.built = true;
    SizeResult ran;
    ran.size = {640, 480};
    ran.ran = true;
    ran.differing = {0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 123456};
    SizeResult stopped;
    stopped.size = {1366, 768};
    stopped.failure = Status::run_failed;
    stopped.message = "ended with exit code 201\nRuntime error 201 at $1234 \\ back";
    student.sizes = {ran, stopped};
    return student;
}

bool parse(std::vector<std::string> words, GradeOptions& options, std::string& error)
{
    words.insert(words.begin(), "surfgrade");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    CommandLine line;
    return parse_grade_arguments(static_cast<int>(argv.size()), argv.data(), options, line, error);
}

TEST(GradeResults, SurviveTheirTextFormWithEveryField)
{
    const StudentResult student = sample_student();
    StudentResult read;
    read.id = student.id;
    ASSERT_TRUE(read_result(write_result(student, "key1"), "key1", read));
    EXPECT_EQ(read.name, student.name);
    EXPECT_EQ(read.files, student.files);
    EXPECT_EQ(read.notes, student.notes);
    ASSERT_EQ(read.sizes.size(), 2u);
    EXPECT_EQ(read.sizes[0].differing, student.sizes[0].differing);
    EXPECT_FALSE(read.sizes[1].ran);
    EXPECT_EQ(read.sizes[1].failure, Status::run_failed);
    EXPECT_EQ(read.sizes[1].message, student.sizes[1].message);
    EXPECT_EQ(picture_status(read, 0, 2), Status::differs);
    EXPECT_EQ(picture_status(read, 0, 3), Status::identical);
    EXPECT_EQ(picture_status(read, 1, 3), Status::run_failed);
}

TEST(GradeResults, AreReusedOnlyForTheSameKeyAndWhenLoadCannotHaveDecided)
{
    StudentResult student = sample_student();
    StudentResult read;
    EXPECT_FALSE(read_result(write_result(student, "key1"), "key2", read));
    EXPECT_FALSE(read_result("surfgrade-result 1\nkey key1\nbogus line\n", "key1", read));
    EXPECT_FALSE(read_result("surfgrade-result 1\nkey key1\nsize 640x480 ran\ndiffering 1 2\n", "key1", read));
    EXPECT_TRUE(student.reusable());
    student.sizes[1].failure = Status::timed_out;
    EXPECT_FALSE(student.reusable());
    student.built = false;
    student.build_failure = Status::build_failed;
    EXPECT_TRUE(student.reusable());
    student.build_failure = Status::killed;
    EXPECT_FALSE(student.reusable());
}

TEST(GradeCsv, QuotesNamesAndLeavesUncomparedPixelsEmpty)
{
    EXPECT_EQ(csv_field("plain name"), "plain name");
    EXPECT_EQ(csv_field("a,b"), "\"a,b\"");
    EXPECT_EQ(csv_field("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csv_field("two\nlines"), "\"two\nlines\"");
    // (names a spreadsheet would run as formulas stay text)
    EXPECT_EQ(csv_field("=HYPERLINK(\"http://x\")"), "\"'=HYPERLINK(\"\"http://x\"\")\"");
    EXPECT_EQ(csv_field("+1"), "\"'+1\"");
    EXPECT_EQ(csv_field("@SUM(A1)"), "\"'@SUM(A1)\"");
    EXPECT_EQ(csv_field("-2"), "\"'-2\"");
    EXPECT_EQ(csv_field("Anna-Maria"), "Anna-Maria");
    StudentResult broken;
    broken.name = "Broken";
    const std::string csv = grades_csv({sample_student(), broken}, {{640, 480}, {1366, 768}});
    EXPECT_EQ(csv.rfind("student,size,picture,status,differing_pixels\n", 0), 0u);
    EXPECT_NE(csv.find("\"Kiss \"\"Pista\"\", 2.b\nnew line\",640x480,12,differs,123456\n"), std::string::npos);
    EXPECT_NE(csv.find("new line\",1366x768,1,run_failed,\n"), std::string::npos);
    EXPECT_NE(csv.find("\nBroken,1366x768,12,build_failed,\n"), std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 2 * 2 * 12 + 2 * 12);  // names' own line breaks
}

TEST(GradeHtml, EscapesNamesAndMessagesAndFetchesNothing)
{
    EXPECT_EQ(html_text("<b>&\"'"), "&lt;b&gt;&amp;&quot;&#39;");
    ReportPage page;
    page.class_name = "2.b <script>";
    page.sizes = {{640, 480}, {1366, 768}};
    StudentResult hostile = sample_student();
    hostile.name = "<img src=x onerror=alert(1)>";
    hostile.sizes[1].message = "</pre><script>alert(2)</script>";
    page.students = {hostile};
    const std::string html = report_html(page);
    EXPECT_EQ(html.find("<img src=x"), std::string::npos);
    EXPECT_EQ(html.find("<script>alert"), std::string::npos);
    EXPECT_EQ(html.find("http"), std::string::npos);
    EXPECT_NE(html.find("&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
    // An identical picture shows the expected one; a differing one its own and its diff.
    EXPECT_NE(html.find("data-mine=\"expected/640x480/01.png\""), std::string::npos);
    EXPECT_NE(html.find("data-diff=\"students/" + hostile.id + "/640x480/diff/02.png\""), std::string::npos);
}

TEST(GradeOptionsTest, ReadsSizesLimitsAndRefusesBadOnes)
{
    GradeOptions options;
    std::string error;
    ASSERT_TRUE(parse({"class", "--out", "r", "--sizes", "320x240,1920x1080", "--jobs=3", "--picture-time", "2.5",
                       "--memory", "512", "--no-sandbox"},
                      options, error))
        << error;
    ASSERT_EQ(options.sizes.size(), 2u);
    EXPECT_EQ(options.sizes[1].text(), "1920x1080");
    EXPECT_EQ(options.jobs, 3);
    EXPECT_DOUBLE_EQ(options.limits.picture_seconds, 2.5);
    EXPECT_EQ(options.limits.memory_mib, 512);
    EXPECT_FALSE(options.sandbox);
    GradeOptions defaults;
    ASSERT_TRUE(parse({"class", "--out", "r"}, defaults, error));
    EXPECT_EQ(defaults.sizes.size(), 2u);
    EXPECT_GE(defaults.jobs, 1);
    EXPECT_TRUE(defaults.sandbox);

    const std::pair<std::vector<std::string>, std::string> bad[] = {
        {{"class", "--out", "r", "--sizes", "640x480,100x100"}, "size 100x100 out of range"},
        {{"class", "--out", "r", "--sizes", "640x480,640x480"}, "given twice"},
        {{"class", "--out", "r", "--sizes", "wide"}, "bad size 'wide'"},
        {{"class"}, "no report folder"},
        {{"--out", "r"}, "no CLASS"},
        {{"class", "more", "--out", "r"}, "unexpected argument 'more'"},
        {{"class", "--out", "r", "--memory", "0"}, "bad --memory '0'"},
        {{"class", "--out", "r", "--build-time", "-1"}, "bad --build-time"},
        {{"class", "--out", "r", "--picture-time", "0.05"}, "bad --picture-time '0.05': expected a number from 0.1"},
        {{"class", "--out", "r", "--files", "0"}, "bad --files"}};
    for (const auto& [words, message] : bad) {
        GradeOptions refused;
        EXPECT_FALSE(parse(words, refused, error)) << message;
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

TEST(GradeReportFolder, RefusesForeignFoldersAndSwapsItsOwn)
{
    TemporaryFolder top;
    const std::string foreign = top.path() + "/foreign";
    mkdir(foreign.c_str(), 0755);
    std::ofstream(foreign + "/thesis.txt") << "mine";
    std::string error;
    {
        ReportFolder report;
        EXPECT_FALSE(report.prepare(foreign, {}, error));
        EXPECT_NE(error.find("not a surfgrade report"), std::string::npos);
    }
    EXPECT_EQ(access((foreign + "/thesis.txt").c_str(), F_OK), 0);

    const std::string path = top.path() + "/report";
    for (const std::string text : {"first", "second"}) {
        ReportFolder report;
        ASSERT_TRUE(report.prepare(path, {}, error)) << error;
        EXPECT_EQ(report.previous().empty(), text == "first");
        std::ofstream(report.folder() + "/index.html") << text;
        ASSERT_TRUE(report.commit(error)) << error;
    }
    std::string text;
    std::ifstream(path + "/index.html") >> text;
    EXPECT_EQ(text, "second");
    {
        ReportFolder abandoned;
        ASSERT_TRUE(abandoned.prepare(path, {}, error));
        std::ofstream(abandoned.folder() + "/index.html") << "third";
    }
    std::ifstream(path + "/index.html") >> text;
    EXPECT_EQ(text, "second");
    int entries = 0;
    for (const std::string name : {"report", "foreign"}) entries += access((top.path() + "/" + name).c_str(), F_OK) == 0;
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(access((top.path() + "/.report.surfgrade-lock").c_str(), F_OK), -1);
}

// A second run on one REPORT waits until the first has put its report in
// place, and then builds on it.
TEST(GradeReportFolder, SecondRunWaitsForTheFirst)
{
    TemporaryFolder top;
    const std::string path = top.path() + "/report";
    std::string error;
    auto first = std::make_unique<ReportFolder>();
    ASSERT_TRUE(first->prepare(path, {}, error)) << error;
    std::promise<void> waiting;
    std::string second_previous, second_error;
    std::thread second([&] {
        ReportFolder report;
        if (report.prepare(path, [&] { waiting.set_value(); }, second_error)) second_previous = report.previous();
    });
    const bool told = waiting.get_future().wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    std::ofstream(first->folder() + "/index.html") << "first";
    EXPECT_TRUE(first->commit(error)) << error;
    first.reset();
    second.join();
    EXPECT_TRUE(told);
    EXPECT_TRUE(second_error.empty()) << second_error;
    EXPECT_EQ(second_previous, path);
}

TEST(GradeClassFolder, NotesWhatIsNotARendererAndSortsByName)
{
    TemporaryFolder top;
    for (const std::string name : {"Zoe", "Adam", ".git"}) mkdir((top.path() + "/" + name).c_str(), 0755);
    top.write("Zoe/tegla.cpp", "// bricks");
    top.write("Zoe/notes.txt", "hello");
    top.write("stray.txt", "not a student");
    symlink("/etc/passwd", (top.path() + "/Adam/pontfelho.cpp").c_str());
    ClassFolder read;
    std::string error;
    ASSERT_TRUE(read_class_folder(top.path(), read, error)) << error;
    ASSERT_EQ(read.students.size(), 2u);
    EXPECT_EQ(read.students[0].name, "Adam");
    EXPECT_TRUE(read.students[0].files.empty());
    EXPECT_EQ(read.students[0].notes.at(0), "pontfelho.cpp: ignored, not a regular file");
    EXPECT_EQ(read.students[1].files, std::vector<std::string>{"tegla.cpp"});
    EXPECT_EQ(read.students[1].notes.at(0), "notes.txt: ignored, not a renderer's file name");
    EXPECT_EQ(read.notes.size(), 2u);  // .git and stray.txt

    TemporaryFolder empty;
    ClassFolder none;
    EXPECT_FALSE(read_class_folder(empty.path(), none, error));
    EXPECT_NE(error.find("holds no student's folder"), std::string::npos);
    EXPECT_FALSE(read_class_folder(empty.path() + "/missing", none, error));
}

TEST(GradeClassFolder, ReadsHandedInFilesOnlyWhenTheyArePlainAndSmall)
{
    TemporaryFolder top;
    top.write("tegla.cpp", "void RAJZTEGLA();");
    top.write("big.cpp", std::string(2000, 'x'));
    symlink((top.path() + "/tegla.cpp").c_str(), (top.path() + "/link.cpp").c_str());
    mkfifo((top.path() + "/pipe.cpp").c_str(), 0600);
    std::string text, why;
    ASSERT_TRUE(read_handed_in(top.path() + "/tegla.cpp", 1000, text, why)) << why;
    EXPECT_EQ(text, "void RAJZTEGLA();");
    EXPECT_FALSE(read_handed_in(top.path() + "/big.cpp", 1000, text, why));
    EXPECT_EQ(why, "too large");
    EXPECT_FALSE(read_handed_in(top.path() + "/link.cpp", 1000, text, why));  // a link is not followed
    EXPECT_FALSE(read_handed_in(top.path() + "/pipe.cpp", 1000, text, why));  // nor waited on
    EXPECT_EQ(why, "not a regular file");
}

TEST(GradeHtml, CountsIdenticalStudentsPerPictureAndSize)
{
    ReportPage page;
    page.sizes = {{640, 480}, {1366, 768}};
    StudentResult perfect = sample_student();
    perfect.name = "Perfect";
    perfect.sizes[0].differing.assign(12, 0);
    perfect.sizes[1].ran = true;
    perfect.sizes[1].differing.assign(12, 0);
    StudentResult broken;
    broken.name = "Broken";
    broken.build_message = "tegla.cpp:1:1: error: <nonsense>";
    page.students = {broken, perfect};
    const std::string html = report_html(page);
    // Picture 1 is identical for one of the two at both sizes.
    EXPECT_NE(html.find("<td>1 of 2 <span class=\"files\">640x480</span><br>1 of 2 <span class=\"files\">1366x768</span></td>"),
              std::string::npos);
    EXPECT_NE(html.find("<pre>tegla.cpp:1:1: error: &lt;nonsense&gt;</pre>"), std::string::npos);
    EXPECT_LT(html.find("Broken"), html.find("Perfect"));  // the page keeps the given order
}

TEST(GradeBuild, TellsTheCompilersFirstErrorWithoutTheSandboxsFolders)
{
    const std::string output = "/src/tegla.cpp: In function 'void RAJZTEGLA(SMALLINT, SMALLINT)':\n"
                               "/src/tegla.cpp:3:5: error: 'x' was not declared in this scope\n"
                               "    3 |     x = 1;\n";
    const std::string lines = first_error_lines(output);
    EXPECT_EQ(lines.rfind("tegla.cpp:3:5: error: 'x' was not declared", 0), 0u) << lines;
    EXPECT_EQ(lines.find("/src/"), std::string::npos);
    EXPECT_NE(first_error_lines("/usr/bin/ld: x.o: undefined reference to `FOO'\n").find("undefined reference"),
              std::string::npos);
}

// Jobs without the sandbox, for the limits this process sets and watches.
SandboxOutcome run_plain(const std::vector<std::string>& command, const SandboxLimits& limits)
{
    const Sandbox plain(false);
    SandboxJob job;
    job.command = command;
    job.directory = "/";
    job.limits = limits;
    return plain.run(job);
}

TEST(GradeJobs, AreStoppedAtTheirLimitsWithWhatTheyPrinted)
{
    SandboxLimits limits;
    limits.wall_seconds = 60;
    limits.output_bytes = 1 << 20;
    const SandboxOutcome printer = run_plain({"/usr/bin/yes"}, limits);
    EXPECT_EQ(printer.stop, SandboxStop::output);
    EXPECT_EQ(printer.output.rfind("y\ny\n", 0), 0u);
    EXPECT_LE(printer.output.size(), 16384u);

    limits.wall_seconds = 0.3;
    const SandboxOutcome sleeper = run_plain({"/bin/sh", "-c", "sleep 30 & sleep 30"}, limits);
    EXPECT_EQ(sleeper.stop, SandboxStop::wall_time);

    limits.wall_seconds = 60;
    limits.line_seconds = 0.3;
    const SandboxOutcome stuck = run_plain({"/bin/sh", "-c", "echo one; echo two; sleep 30"}, limits);
    EXPECT_EQ(stuck.stop, SandboxStop::line_time);
    EXPECT_EQ(stuck.lines, 2);

    limits.line_seconds = 0;
    const SandboxOutcome failing = run_plain({"/bin/sh", "-c", "echo why >&2; exit 3"}, limits);
    EXPECT_TRUE(failing.exited);
    EXPECT_EQ(failing.code, 3);
    EXPECT_EQ(failing.errors, "why\n");
}

}  // namespace

namespace {

// A chain of folders whose whole path is longer than the system's longest,
// each level made unreadable, with a file at its bottom.
void make_deep_chain(const std::string& top, int levels)
{
    int folder = open(top.c_str(), O_RDONLY | O_DIRECTORY);
    const std::string name(100, 'd');
    for (int level = 0; level < levels && folder >= 0; ++level) {
        ASSERT_EQ(mkdirat(folder, name.c_str(), 0700), 0);
        const int inner = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        fchmod(folder, 0);
        close(folder);
        folder = inner;
    }
    const int bottom = openat(folder, "bottom", O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(bottom, 0);
    ASSERT_EQ(write(bottom, "x", 1), 1);
    close(bottom);
    close(folder);
}

}  // namespace

TEST(GradeFiles, RemoveTreeRemovesChainsDeeperThanAnyPathAndLinksNotTheirTargets)
{
    TemporaryFolder folder;
    const std::string tree = folder.path() + "/tree";
    ASSERT_EQ(mkdir(tree.c_str(), 0700), 0);
    make_deep_chain(tree, 100);
    folder.write("kept", "the teacher's");
    ASSERT_EQ(symlink((folder.path() + "/kept").c_str(), (tree + "/link").c_str()), 0);
    ASSERT_EQ(symlink(folder.path().c_str(), (tree + "/folder-link").c_str()), 0);
    const DiskUsage usage = count_usage({tree}, 1LL << 30, 1000);
    EXPECT_EQ(usage.files, 100 + 1 + 2);
    EXPECT_FALSE(usage.too_deep);
    EXPECT_TRUE(count_usage({tree}, 1LL << 30, 50).files > 50);
    EXPECT_TRUE(remove_tree(tree));
    EXPECT_NE(access(tree.c_str(), F_OK), 0);
    std::ifstream kept(folder.path() + "/kept");
    std::string text;
    EXPECT_TRUE(std::getline(kept, text) && text == "the teacher's");
    // Deeper than any build: counted as too deep, and still removed.
    ASSERT_EQ(mkdir(tree.c_str(), 0700), 0);
    make_deep_chain(tree, 300);
    EXPECT_TRUE(count_usage({tree}, 1LL << 30, 1000000).too_deep);
    EXPECT_TRUE(remove_tree(tree));
    EXPECT_NE(access(tree.c_str(), F_OK), 0);
}

TEST(GradeFiles, APictureEndsWithItsPngDataAndFitsItsSize)
{
    // A picture's chunks, then the same cut, padded and lying about a length.
    std::string png("\x89PNG\r\n\x1a\n", 8);
    const auto chunk = [&](const std::string& type, const std::string& data) {
        const std::size_t length = data.size();
        png += {static_cast<char>(length >> 24), static_cast<char>(length >> 16), static_cast<char>(length >> 8),
                static_cast<char>(length)};
        png += type + data + std::string(4, 'c');
    };
    chunk("IHDR", std::string(13, 0));
    chunk("IDAT", std::string(1000, 'z'));
    chunk("IEND", "");
    EXPECT_EQ(png_data_end(png), png.size());
    EXPECT_EQ(png_data_end(png + std::string(100, 0)), png.size());
    EXPECT_EQ(png_data_end(png.substr(0, png.size() - 1)), 0u);
    EXPECT_EQ(png_data_end("GIF89a" + png.substr(6)), 0u);
    std::string lying = png;
    lying[8 + 25 + 3] = 0x7f;  // the IDAT's length past the end
    EXPECT_EQ(png_data_end(lying), 0u);
    // Poorly compressed pictures fit; one of many times the size does not.
    EXPECT_GE(largest_png(320, 240), 320LL * 240 * 3 + 240);
    EXPECT_LT(largest_png(1366, 768), 4LL << 20);
}
