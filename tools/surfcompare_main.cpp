// surfcompare: two exports of the show compared picture by picture.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/lib/compare.hpp"

namespace {

// The report is written and flushed before the diff pictures are put in
// place: a run whose report cannot be written changes nothing.
bool write_report(const std::string& text, std::string& error)
{
    errno = 0;
    if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0) return true;
    error = std::string("cannot write the report to standard output") + (errno ? ": " + std::string(std::strerror(errno)) : "");
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string program = argc > 0 ? argv[0] : "surfcompare";
    const std::string name = program.substr(program.find_last_of('/') + 1);
    // A closed output pipe is reported like any other failed write.
    std::signal(SIGPIPE, SIG_IGN);
    CompareOptions options;
    bool help = false;
    std::string error;
    if (!parse_compare_arguments(argc, argv, options, help, error)) {
        std::fprintf(stderr, "%s: %s (try --help)\n", name.c_str(), error.c_str());
        return 2;
    }
    if (help) {
        if (write_report(compare_usage(name), error)) return 0;
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
        return 2;
    }
    CompareReport report;
    ExportComparison comparison;
    if (!comparison.run(options, report, error) || !write_report(format_report(options, report), error) ||
        !comparison.commit(error)) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
        return 2;
    }
    return report.exit_code();
}
