// surfcompare: two exports of the show compared picture by picture.
#include <cstdio>
#include <optional>
#include <string>

#include "tools/lib/compare.hpp"

int main(int argc, char** argv)
{
    const std::string name = program_name(argc, argv, "surfcompare");
    CompareOptions options;
    CommandLine line;
    std::string error;
    parse_compare_arguments(argc, argv, options, line, error);
    if (const std::optional<int> answered = answer_command_line({name, compare_usage(name)}, line, error))
        return *answered;
    CompareReport report;
    if (!compare_exports(options, report, error)) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
        return 2;
    }
    std::fputs(format_report(options, report).c_str(), stdout);
    return std::fflush(stdout) == 0 ? report.exit_code() : 2;
}
