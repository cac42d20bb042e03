// One student's grading.  Nothing the student's code wrote is trusted: the
// pictures are taken from the build folder without following links and
// copied into the report before they are read.
#include "tools/grade/grade_student.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <nettle/sha2.h>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/grade/grade_files.hpp"
#include "tools/grade/report_folder.hpp"
#include "tools/compare/compare.hpp"

namespace {

constexpr int pictures = 12;
constexpr std::size_t error_lines = 12;

std::string cleaned(std::string text)
{
    for (const char* folder : {"/src/", "/build/", "/kit/include/"})
        for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
            text.erase(at, std::strlen(folder));
    return text;
}

// The first lines of `text`, at most `count`.
std::string first_lines(const std::string& whole, std::size_t count)
{
    const std::size_t start = whole.find_first_not_of('\n');
    const std::string text = start == std::string::npos ? "" : whole.substr(start);
    std::size_t end = 0;
    for (std::size_t line = 0; line < count && end < text.size(); ++line) {
        const std::size_t newline = text.find('\n', end);
        end = newline == std::string::npos ? text.size() : newline + 1;
    }
    std::string result = text.substr(0, end);
    while (!result.empty() && result.back() == '\n') result.pop_back();
    return result;
}

std::string signal_text(int number)
{
    const char* name = strsignal(number);
    return "signal " + std::to_string(number) + (name ? std::string(" (") + name + ")" : std::string());
}

std::string mib_text(long mib)
{
    return std::to_string(mib) + " MiB";
}

std::string seconds_text(double seconds)
{
    std::ostringstream out;
    out << seconds << " s";
    return out.str();
}

// A job the sandbox stopped at a limit as a status and a message; none
// when no limit stopped it.
std::optional<Status> stopped_by_limit(const SandboxOutcome& outcome, const GradeLimits& limits, bool build,
                                       std::string& message)
{
    switch (outcome.stop) {
    case SandboxStop::wall_time:
        message = (build ? "the build did not finish within " + seconds_text(limits.build_seconds)
                         : "the export did not finish within " + seconds_text(limits.picture_seconds * pictures));
        return Status::timed_out;
    case SandboxStop::line_time:
        message = outcome.lines == 0 ? "the show did not reach picture 1 within " + seconds_text(limits.picture_seconds)
                                     : "picture " + std::to_string(std::min(outcome.lines, pictures)) +
                                           " did not finish within " + seconds_text(limits.picture_seconds);
        return Status::timed_out;
    case SandboxStop::output:
        message = "stopped: printed more than the output limit of " + mib_text(limits.output_mib);
        return Status::killed;
    case SandboxStop::disk:
        message = "stopped: filled more than the disk limit of " + mib_text(limits.disk_mib) +
                  " in its build folder and /tmp";
        return Status::killed;
    case SandboxStop::files:
        message = "stopped: made more than the limit of " + std::to_string(limits.files) +
                  " files in its build folder and /tmp (or folders too deeply nested)";
        return Status::killed;
    case SandboxStop::none: break;
    }
    return std::nullopt;
}

// A stopped or failed job as a status and a message.
Status judge_failure(const SandboxOutcome& outcome, const GradeLimits& limits, bool build, std::string& message)
{
    // A run-time error's own line goes to standard output, its words to standard error.
    const std::size_t runtime_error = outcome.output.rfind("Runtime error");
    const std::string own_line =
        runtime_error == std::string::npos ? "" : first_lines(outcome.output.substr(runtime_error), 1) + "\n";
    const std::string said = first_lines(cleaned(own_line + outcome.errors), 6);
    const auto with_said = [&](const std::string& text) { return said.empty() ? text : text + "\n" + said; };
    if (!outcome.started) {
        message = "could not be started: " + outcome.error;
        return build ? Status::build_failed : Status::run_failed;
    }
    if (const std::optional<Status> stopped = stopped_by_limit(outcome, limits, build, message)) return *stopped;
    const std::string all = outcome.errors + outcome.output;
    if (all.find("bad_alloc") != std::string::npos || all.find("out of memory") != std::string::npos ||
        all.find("cannot allocate memory") != std::string::npos) {
        message = with_said("stopped: used more than its memory limit of " + mib_text(limits.memory_mib));
        return Status::killed;
    }
    if (!outcome.exited) {
        if (outcome.signal == SIGXFSZ) {
            message = "stopped: wrote a file larger than the output limit of " + mib_text(limits.output_mib);
            return Status::killed;
        }
        if (outcome.signal == SIGKILL) {
            message = with_said("killed (" + signal_text(outcome.signal) + ")");
            return Status::killed;
        }
        message = with_said("crashed: " + signal_text(outcome.signal));
        return build ? Status::build_failed : Status::run_failed;
    }
    if (build) {
        message = first_error_lines(outcome.errors + outcome.output);
        return Status::build_failed;
    }
    message = with_said("ended with exit code " + std::to_string(outcome.code));
    return Status::run_failed;
}

class StudentGrader {
public:
    StudentGrader(const Student& student, const GradeContext& context)
        : student_(student), context_(context), options_(*context.options), kit_(*context.kit),
          sandbox_(*context.sandbox)
    {
        result_.name = student.name;
        result_.id = student_id(student.name);
        result_.notes = student.notes;
        out_ = context.report + "/students/" + result_.id;
        work_ = context.scratch + "/" + result_.id;
    }

    StudentResult grade()
    {
        mkdir((context_.report + "/students").c_str(), 0777);
        mkdir(out_.c_str(), 0777);
        mkdir(work_.c_str(), 0711);
        const std::string key = stage_sources();
        if (reuse(key)) return result_;
        build();
        if (result_.built)
            for (const PictureSize& size : options_.sizes) result_.sizes.push_back(export_and_compare(size));
        remove_tree(work_);
        write_file(out_ + "/result", write_result(result_, key));
        return result_;
    }

private:
    // The handed-in files, copied into the report: what is built, and what
    // the key of this grading is made from.
    std::string stage_sources()
    {
        const std::string source = out_ + "/src", staged = work_ + "/src";
        mkdir(source.c_str(), 0777);
        mkdir(staged.c_str(), 0755);
        ContentHash key;
        key.add("surfgrade 1").add(kit_.id).add(context_.expected_id);
        for (const PictureSize& size : options_.sizes) key.add(size.text());
        const GradeLimits& limits = options_.limits;
        key.add(std::to_string(limits.build_seconds) + " " + std::to_string(limits.picture_seconds) + " " +
                std::to_string(limits.memory_mib) + " " + std::to_string(limits.processes) + " " +
                std::to_string(limits.output_mib) + " " + std::to_string(limits.disk_mib) + " " +
                std::to_string(limits.files));
        for (const std::string& file : student_.files) {
            std::string text, why;
            if (!read_handed_in(student_.folder + "/" + file, 1 << 20, text, why) ||
                !write_file(source + "/" + file, text) || !write_file(staged + "/" + file, text)) {
                result_.notes.push_back(file + ": ignored, cannot be read: " + why);
                continue;
            }
            result_.files.push_back(file);
            key.add(file).add(text);
        }
        return key.hex();
    }

    bool reuse(const std::string& key)
    {
        if (context_.previous.empty()) return false;
        const std::string earlier = context_.previous + "/students/" + result_.id;
        std::string text;
        StudentResult read = result_;
        if (!read_file(earlier + "/result", text) || !read_result(text, key, read) || !read.reusable()) return false;
        remove_tree(out_);
        if (!copy_tree(earlier, out_)) return false;
        result_ = read;
        result_.reused = true;
        return true;
    }

    // A fresh build folder, and a /tmp, that only the student's jobs write into.
    bool make_build_folder()
    {
        for (const std::string& folder : {work_ + "/build", work_ + "/tmp"}) {
            if (mkdir(folder.c_str(), 0700) != 0) return false;
            if (sandbox_.changes_user() && chown(folder.c_str(), sandbox_.job_user(), static_cast<gid_t>(-1)) != 0)
                return false;
        }
        return true;
    }

    SandboxLimits limits(double wall_seconds) const
    {
        const GradeLimits& given = options_.limits;
        SandboxLimits limits;
        limits.wall_seconds = wall_seconds;
        limits.memory_bytes = given.memory_mib << 20;
        limits.processes = given.processes;
        limits.output_bytes = given.output_mib << 20;
        limits.disk_bytes = static_cast<long long>(given.disk_mib) << 20;
        limits.files = given.files;
        return limits;
    }

    void build()
    {
        if (!make_build_folder()) {
            result_.build_message = "cannot make the build folder: " + std::string(std::strerror(errno));
            return;
        }
        const SandboxFolder kit{kit_.folder, "/kit", false}, source{work_ + "/src", "/src", false},
            folder{work_ + "/build", "/build", true};
        SandboxJob job;
        job.folders = {kit, source, folder};
        job.directory = sandbox_.path(folder);
        job.temporary = work_ + "/tmp";
        job.limits = limits(options_.limits.build_seconds);
        const std::string kit_path = sandbox_.path(kit);
        job.command = {kit_.compiler};
        job.command.insert(job.command.end(), kit_.compile_flags.begin(), kit_.compile_flags.end());
        // Run-time errors name the student's own file and line.
        job.command.insert(job.command.end(), {"-fmax-errors=10", "-ffile-prefix-map=" + sandbox_.path(source) + "/=",
                                               "-I" + kit_path + "/include"});
        const SandboxFolder prelude{kit_.prelude_folder, "/prelude", false};
        if (!kit_.prelude_folder.empty()) {
            job.folders.push_back(prelude);
            job.command.insert(job.command.end(), {"-include", sandbox_.path(prelude) + "/" + kit_.prelude_header});
        }
        for (const std::string& file : result_.files) job.command.push_back(sandbox_.path(source) + "/" + file);
        for (std::size_t i = 0; i < kit_.archives.size(); ++i) {
            if (i == 1) job.command.push_back("-Wl,--start-group");
            job.command.push_back(kit_path + "/lib/" + kit_.archives[i]);
        }
        job.command.push_back("-Wl,--end-group");
        job.command.insert(job.command.end(), kit_.link_flags.begin(), kit_.link_flags.end());
        job.command.insert(job.command.end(), {"-o", sandbox_.path(folder) + "/program"});
        const SandboxOutcome outcome = sandbox_.run(job);
        if (outcome.started && outcome.exited && outcome.code == 0 && outcome.stop == SandboxStop::none) {
            result_.built = true;
            return;
        }
        result_.build_failure = judge_failure(outcome, options_.limits, true, result_.build_message);
    }

    SizeResult export_and_compare(const PictureSize& size)
    {
        SizeResult result;
        result.size = size;
        const SandboxFolder folder{work_ + "/build", "/build", true};
        SandboxJob job;
        job.folders = {folder};
        job.directory = sandbox_.path(folder);
        job.temporary = work_ + "/tmp";
        job.limits = limits(options_.limits.picture_seconds * pictures + 5);
        job.limits.line_seconds = options_.limits.picture_seconds;
        job.command = {sandbox_.path(folder) + "/program", "--size", size.text(), "--out",
                       sandbox_.path(folder) + "/" + size.text(), "--progress"};
        const SandboxOutcome outcome = sandbox_.run(job);
        if (!(outcome.started && outcome.exited && outcome.code == 0 && outcome.stop == SandboxStop::none)) {
            result.failure = judge_failure(outcome, options_.limits, false, result.message);
            return result;
        }
        const std::string pictures_folder = out_ + "/" + size.text();
        mkdir(pictures_folder.c_str(), 0777);
        if (!take_pictures(size, pictures_folder, result.message)) return result;
        compare(size, pictures_folder, result);
        return result;
    }

    // Copies 01.png ... 12.png out of the build folder: regular files only,
    // no links followed (the folder itself may be a link the program made),
    // each no larger than a picture of its size can be and ending where its
    // PNG data ends: nothing else of the student's reaches the report.
    bool take_pictures(const PictureSize& size, const std::string& into, std::string& message)
    {
        const int build = open((work_ + "/build").c_str(), O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int folder = build < 0 ? -1 : openat(build, size.text().c_str(), O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (build >= 0) close(build);
        if (folder < 0) {
            message = "the export left no folder of pictures";
            return false;
        }
        std::vector<std::string> texts;
        for (int number = 1; number <= pictures && message.empty(); ++number)
            texts.push_back(read_picture(folder, picture_file_name(number), largest_png(size.width, size.height), message));
        close(folder);
        for (int number = 1; number <= pictures && message.empty(); ++number)
            if (!write_file(into + "/" + picture_file_name(number), texts[static_cast<std::size_t>(number - 1)]))
                message = "cannot write " + picture_file_name(number) + " into the report";
        return message.empty();
    }

    void compare(const PictureSize& size, const std::string& pictures_folder, SizeResult& result)
    {
        CompareOptions compare;
        compare.expected_folder = expected_folder(context_.report, size);
        compare.actual_folder = pictures_folder;
        compare.diff_folder = pictures_folder + "/diff";
        CompareReport report;
        std::string error;
        if (!compare_exports(compare, report, error)) {
            // (named as the user will find them: the report is written under
            // a temporary name)
            for (std::size_t at = error.find(context_.report); at != std::string::npos;
                 at = error.find(context_.report, at))
                error.replace(at, context_.report.size(), options_.report_folder);
            result.message = "its pictures cannot be compared: " + error;
            return;
        }
        for (const PictureResult& picture : report.results) {
            result.differing.push_back(picture.differing);
            // An identical picture is the expected one: the report shows that.
            if (picture.identical()) unlink((pictures_folder + "/" + picture_file_name(picture.number)).c_str());
        }
        result.ran = true;
    }

    const Student& student_;
    const GradeContext& context_;
    const GradeOptions& options_;
    const GradeKit& kit_;
    const Sandbox& sandbox_;
    StudentResult result_;
    std::string out_, work_;
};

}  // namespace

std::string student_id(const std::string& name)
{
    return ContentHash().add(name).hex().substr(0, 16);
}

StudentResult grade_student(const Student& student, const GradeContext& context)
{
    return StudentGrader(student, context).grade();
}

std::string expected_pictures_id(const std::string& report, const std::vector<PictureSize>& sizes)
{
    ContentHash id;
    for (const PictureSize& size : sizes)
        for (int number = 1; number <= pictures; ++number) {
            std::string content;
            read_file(expected_folder(report, size) + "/" + picture_file_name(number), content);
            id.add(content);
        }
    return id.hex();
}

std::string expected_folder(const std::string& report, const PictureSize& size)
{
    return report + "/expected/" + size.text();
}

std::string first_error_lines(const std::string& output)
{
    const std::string text = cleaned(output);
    std::size_t start = std::string::npos;
    for (const char* mark : {"error", "undefined reference", "multiple definition"})
        start = std::min(start, text.find(mark));
    if (start == std::string::npos) return first_lines(text, error_lines);
    const std::size_t line_start = text.rfind('\n', start);
    return first_lines(text.substr(line_start == std::string::npos ? 0 : line_start + 1), error_lines);
}

