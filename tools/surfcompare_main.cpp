// surfcompare: two exports of the show compared picture by picture.
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

#include "tools/output/atomic_file.hpp"
#include "tools/compare/compare.hpp"
#include "tools/output/interrupts.hpp"
#include "tools/output/write_failure.hpp"

namespace {

// The report is written while the diff pictures can still be put back: a
// run whose report cannot be written changes nothing.
bool write_report(const std::string& text, std::string& error)
{
    errno = 0;
    if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0) return true;
    error = "cannot write the report to standard output" + write_failure_reason(errno);
    return false;
}

// The JUnit report, written aside after the comparison and put in place
// with the diff pictures: a run that fails leaves the old one.
class JunitReport {
public:
    bool write(const CompareOptions& options, const CompareReport& report, std::string& error)
    {
        if (options.junit_file.empty()) return true;
        const std::string text = compare_junit(options, report);
        const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
        return file_.add(
            options.junit_file, [&](std::FILE* file) { return std::fputs(text.c_str(), file) >= 0; }, error);
    }
    bool commit(std::string& error)
    {
        const std::lock_guard<std::recursive_mutex> hold(file_change_lock());
        return file_.commit(error);
    }

private:
    PendingFiles file_;
    InterruptCleanup cleanup_{[this] { file_.discard(); }};
};

}  // namespace

int main(int argc, char** argv)
{
    handle_interrupts();
    const std::string name = program_name(argc, argv, "surfcompare");
    CompareOptions options;
    CommandLine line;
    std::string error;
    parse_compare_arguments(argc, argv, options, line, error);
    if (const std::optional<int> answered = answer_command_line({name, compare_usage(name)}, line, error))
        return *answered;
    CompareReport report;
    ExportComparison comparison;
    comparison.on_wait([&] {
        std::fprintf(stderr, "%s: another run is writing into %s; waiting for it to finish\n", name.c_str(),
                     options.diff_folder.c_str());
    });
    bool reported = false;
    JunitReport junit;
    if (!comparison.run(options, report, error) || !junit.write(options, report, error) ||
        !comparison.commit(error, [&](std::string& report_error) {
            set_interrupt_note(name + ": interrupted: the report above was printed, but no diff picture was replaced\n");
            return (reported = write_report(format_report(options, report), report_error)) &&
                   junit.commit(report_error);
        })) {
        if (reported) error += "; the report above was printed, but no diff picture was replaced";
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
        return 2;
    }
    return report.exit_code();
}
