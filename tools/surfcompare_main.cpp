// surfcompare: two exports of the show compared picture by picture.
#include <cstdio>
#include <string>

#include "tools/lib/compare.hpp"

int main(int argc, char** argv)
{
    const std::string program = argc > 0 ? argv[0] : "surfcompare";
    const std::string name = program.substr(program.find_last_of('/') + 1);
    CompareOptions options;
    bool help = false;
    std::string error;
    if (!parse_compare_arguments(argc, argv, options, help, error)) {
        std::fprintf(stderr, "%s: %s (try --help)\n", name.c_str(), error.c_str());
        return 2;
    }
    if (help) {
        std::fputs(compare_usage(name).c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 2;
    }
    CompareReport report;
    if (!compare_exports(options, report, error)) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
        return 2;
    }
    std::fputs(format_report(options, report).c_str(), stdout);
    return std::fflush(stdout) == 0 ? report.exit_code() : 2;
}
