// surfgrade: a whole class graded in one command.
#include <atomic>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "runtime/checks.hpp"
#include "tools/grade/class_folder.hpp"
#include "tools/grade/grade_options.hpp"
#include "tools/grade/grade_student.hpp"
#include "tools/grade/report_csv.hpp"
#include "tools/grade/report_folder.hpp"
#include "tools/grade/report_gradebook.hpp"
#include "tools/grade/report_html.hpp"
#include "tools/export/shots.hpp"

namespace {

std::atomic<bool> interrupted{false};
constexpr int interrupted_code = 130;  // as a shell tells a run ended by Ctrl+C

void on_signal(int)
{
    interrupted = true;
    stop_all_sandboxes();
}

// The kit beside the command in a build folder, or where the package puts it.
std::string find_grade_kit()
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string path = length > 0 ? std::string(self, static_cast<std::size_t>(length)) : "";
    const std::string folder = path.substr(0, path.find_last_of('/'));
    for (const std::string& candidate : {folder + "/grade-kit", folder + "/" + SURF_GRADE_KIT_FROM_BIN})
        if (access((candidate + "/kit.txt").c_str(), R_OK) == 0) return candidate;
    return folder + "/" + SURF_GRADE_KIT_FROM_BIN;
}

// The finished program's pictures, exported by this very command in a
// child process (the show keeps its state in globals).
bool export_expected(const std::string& folder, const PictureSize& size, std::string& error)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        ShotsOptions options;
        options.width = size.width;
        options.height = size.height;
        options.folder = folder;
        install_float_checks();
        _exit(run_shots(options));
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "cannot export the finished program's pictures at " + size.text();
        return false;
    }
    return true;
}

bool write_text(const std::string& path, const std::string& text, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (out.flush()) return true;
    error = "cannot write " + path;
    return false;
}

class Progress {
public:
    explicit Progress(int total) : total_(total), terminal_(isatty(2)) {}
    void show(int done)
    {
        if (terminal_) {
            std::fprintf(stderr, "\rgraded %d of %d students", done, total_);
        } else if (done * 10 / total_ > shown_ * 10 / total_ || done == total_) {
            std::fprintf(stderr, "graded %d of %d students\n", done, total_);
            shown_ = done;
        }
        if (terminal_ && done == total_) std::fputc('\n', stderr);
    }

private:
    int total_;
    bool terminal_;
    int shown_ = 0;
};

std::vector<StudentResult> grade_all(const std::vector<Student>& students, const GradeContext& context, int jobs)
{
    std::vector<StudentResult> results(students.size());
    std::atomic<std::size_t> next{0};
    std::atomic<int> done{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < jobs && i < static_cast<int>(students.size()); ++i)
        workers.emplace_back([&] {
            for (std::size_t n; !interrupted && (n = next++) < students.size(); ++done)
                results[n] = grade_student(students[n], context);
        });
    Progress progress(static_cast<int>(students.size()));
    int shown = -1;
    while (done < static_cast<int>(students.size()) && !interrupted) {
        if (done != shown) progress.show(shown = done);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    for (std::thread& worker : workers) worker.join();
    if (!interrupted) progress.show(done);
    return results;
}

std::string base_name(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Control characters of a student's names shown, not acted on by the terminal.
std::string shown(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // (C1 controls too, which some terminals obey in UTF-8 as well)
        const bool c1 = byte == 0xc2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xe0) == 0x80;
        if (byte == 0x1b) {
            result += "\\e";
        } else if (byte < 0x20 || byte == 0x7f || c1) {
            const auto code = static_cast<unsigned char>(c1 ? text[++i] : text[i]);
            result += std::string("\\x") + digits[code >> 4] + digits[code & 15];
        } else {
            result += text[i];
        }
    }
    return result;
}

// The report's folder is inside the class folder: it would be taken for a
// student the next time.
bool inside(const std::string& folder, const std::string& report)
{
    const std::size_t slash = report.find_last_of('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : report.substr(0, slash);
    char* outer = realpath(folder.c_str(), nullptr);
    char* place = realpath(parent.c_str(), nullptr);
    const std::string within = outer ? std::string(outer) + (outer[1] ? "/" : "") : "";
    const bool found = outer && place && (std::string(place) == outer || std::string(place).rfind(within, 0) == 0);
    std::free(outer);
    std::free(place);
    return found;
}

int fail(const std::string& name, const std::string& error)
{
    std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
    return 2;
}

// (a Ctrl+C also reaches the child that exports the expected pictures)
int fail_interrupted(const std::string& name, ReportFolder& report)
{
    report.discard();
    fail(name, "interrupted: the report was not written; an earlier one stays as it was");
    return interrupted_code;
}

// Once the report's folder is taken, Ctrl+C and a kill end the sandboxes
// and leave the report as it was.
void catch_signals()
{
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
}

// The class, the kit and a working sandbox; false with `error`.
bool check_class_kit_sandbox(const GradeOptions& options, const Sandbox& sandbox, ClassFolder& class_folder,
                             GradeKit& kit, std::string& error)
{
    if (inside(options.class_folder, options.report_folder)) {
        error = "the report " + options.report_folder + " would be inside the class folder " + options.class_folder +
                ": refused (choose another --out)";
        return false;
    }
    if (!read_class_folder(options.class_folder, class_folder, error)) return false;
    if (!load_grade_kit(find_grade_kit(), kit, error)) return false;
    std::string why;
    if (sandbox.check(why)) return true;
    error = "cannot make a sandbox for the students' code: " + why +
            " (--no-sandbox grades without one, only for code you trust)";
    return false;
}

// What was found in the class folder and left alone, and a run without a
// sandbox, said on standard error.
void tell_notes(const std::string& name, const GradeOptions& options, const ClassFolder& class_folder)
{
    for (const std::string& note : class_folder.notes)
        std::fprintf(stderr, "%s: %s/%s\n", name.c_str(), options.class_folder.c_str(), shown(note).c_str());
    for (const Student& student : class_folder.students)
        for (const std::string& note : student.notes)
            std::fprintf(stderr, "%s: %s/%s/%s\n", name.c_str(), options.class_folder.c_str(),
                         shown(student.name).c_str(), shown(note).c_str());
    if (!options.sandbox)
        std::fprintf(stderr, "%s: no sandbox: the students' code runs with your rights\n", name.c_str());
}

// The builds' folder: reachable by the sandbox's user, but not listable,
// and on a disk that lets programs run.  False with `error`.
bool make_scratch_folder(std::string& scratch, std::string& error)
{
    const char* temporary = std::getenv("TMPDIR");
    scratch = std::string(temporary && *temporary ? temporary : "/tmp") + "/surfgrade-XXXXXX";
    if (!mkdtemp(scratch.data()) || chmod(scratch.c_str(), 0711) != 0) {
        error = "cannot make a folder for the builds: " + std::string(std::strerror(errno));
        return false;
    }
    struct statvfs scratch_disk {};
    if (statvfs(scratch.c_str(), &scratch_disk) == 0 && (scratch_disk.f_flag & ST_NOEXEC)) {
        rmdir(scratch.c_str());
        error = "the students' programs cannot run from " + scratch.substr(0, scratch.rfind('/')) +
                " (mounted noexec): set TMPDIR to another folder";
        return false;
    }
    return true;
}

// Removes the builds' folder when the run ends, however it ends.
struct ScratchRemoval {
    std::string name, path;
    ~ScratchRemoval()
    {
        if (!remove_tree(path))
            std::fprintf(stderr, "%s: %s: the builds' folder could not all be removed\n", name.c_str(), path.c_str());
    }
};

// The kit where the sandbox's user can read it, and the standard headers
// precompiled (without them grading is only slower).
bool copy_kit(const std::string& name, GradeKit& kit, const Sandbox& sandbox, const std::string& scratch,
              std::string& error)
{
    if (sandbox.changes_user() && !copy_grade_kit(kit, scratch + "/kit", error)) return false;
    if (!precompile_prelude(kit, scratch + "/prelude"))
        std::fprintf(stderr, "%s: the standard headers could not be precompiled: grading goes slower\n", name.c_str());
    return true;
}

// The finished program's pictures at every size, into the report.
bool export_all_expected(const std::string& report, const GradeOptions& options, std::string& error)
{
    const std::string expected = report + "/expected";
    if (mkdir(expected.c_str(), 0777) != 0 && errno != EEXIST) {
        error = "cannot make the folder " + expected + ": " + std::strerror(errno);
        return false;
    }
    for (const PictureSize& size : options.sizes)
        if (!export_expected(expected_folder(report, size), size, error)) return false;
    return true;
}

// Every student graded, as the report's page shows them.
ReportPage grade_class(const std::string& name, const GradeOptions& options, const ClassFolder& class_folder,
                       GradeContext& context)
{
    context.expected_id = expected_pictures_id(context.report, options.sizes);
    ReportPage page;
    page.students = grade_all(class_folder.students, context, options.jobs);
    page.class_name = base_name(options.class_folder);
    page.sizes = options.sizes;
    page.notes = class_folder.notes;
    page.version = version_text(name);
    while (!page.version.empty() && page.version.back() == '\n') page.version.pop_back();
    return page;
}

// The grades, the class's page and the grade books, put in place at once.
bool write_report(const ReportPage& page, const GradeOptions& options, ReportFolder& report, std::string& error)
{
    return write_text(report.folder() + "/grades.csv", grades_csv(page.students, options.sizes), error) &&
           write_text(report.folder() + "/index.html", report_html(page), error) &&
           write_grade_books(report.folder(), page, error) && report.commit(error);
}

void tell_summary(const ReportPage& page, const GradeOptions& options)
{
    int reused = 0;
    for (const StudentResult& student : page.students) reused += student.reused;
    std::printf("%zu students graded, %d of them unchanged since the last report: %s/index.html\n",
                page.students.size(), reused, options.report_folder.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string name = program_name(argc, argv, "surfgrade");
    GradeOptions options;
    CommandLine line;
    std::string error;
    parse_grade_arguments(argc, argv, options, line, error);
    if (const std::optional<int> answered = answer_command_line({name, grade_usage(name)}, line, error))
        return *answered;
    std::signal(SIGPIPE, SIG_IGN);

    ClassFolder class_folder;
    GradeKit kit;
    const Sandbox sandbox(options.sandbox);
    if (!check_class_kit_sandbox(options, sandbox, class_folder, kit, error)) return fail(name, error);
    ReportFolder report;
    const auto say_waiting = [&] {
        std::fprintf(stderr, "%s: another surfgrade run is writing %s; waiting for it to finish\n", name.c_str(),
                     options.report_folder.c_str());
    };
    if (!report.prepare(options.report_folder, say_waiting, error)) return fail(name, error);
    catch_signals();
    tell_notes(name, options, class_folder);

    std::string scratch;
    if (!make_scratch_folder(scratch, error)) return fail(name, error);
    const ScratchRemoval scratch_removal{name, scratch};
    if (!copy_kit(name, kit, sandbox, scratch, error)) return fail(name, error);
    if (!export_all_expected(report.folder(), options, error))
        return interrupted ? fail_interrupted(name, report) : fail(name, error);

    GradeContext context;
    context.options = &options;
    context.kit = &kit;
    context.sandbox = &sandbox;
    context.report = report.folder();
    context.previous = report.previous();
    context.scratch = scratch;
    const ReportPage page = grade_class(name, options, class_folder, context);
    if (interrupted) return fail_interrupted(name, report);
    if (!write_report(page, options, report, error)) return fail(name, error);
    tell_summary(page, options);
    return 0;
}
