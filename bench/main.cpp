// surfbench: the benchmarks of the drawing service, the show and the export.
// A benchmark that reports an error (a set-up that failed, no display for
// the window) makes the program exit with 1, so that a test run of the
// benchmarks fails on it; the library's own main exits with 0 then.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>
#include <unistd.h>

namespace {

// The library's run record says "error" as error_occurred; later versions
// say it as a skip of kind 2 (skipped with an error).
template <typename Run>
auto run_failed(const Run& run, int) -> decltype(bool(run.error_occurred))
{
    return run.error_occurred;
}
template <typename Run>
auto run_failed(const Run& run, long) -> decltype(static_cast<int>(run.skipped), bool())
{
    return static_cast<int>(run.skipped) == 2;
}

// One of the library's reporters, counting the runs that reported an error.
template <typename Reporter>
class ErrorCounting : public Reporter {
public:
    using Reporter::Reporter;
    void ReportRuns(const std::vector<benchmark::BenchmarkReporter::Run>& runs) override
    {
        for (const auto& run : runs)
            if (run_failed(run, 0)) ++errors;
        Reporter::ReportRuns(runs);
    }
    int errors = 0;
};

// The output format asked for (--benchmark_format=console|json|csv), read
// before the library takes its options out of the arguments.
const char* asked_format(int argc, char** argv)
{
    const char* format = "console";
    const char* option = "--benchmark_format=";
    for (int k = 1; k < argc; ++k)
        if (std::strncmp(argv[k], option, std::strlen(option)) == 0) format = argv[k] + std::strlen(option);
    return format;
}

template <typename Reporter>
int run_with(Reporter&& reporter)
{
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.errors == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* format = asked_format(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (std::strcmp(format, "json") == 0) return run_with(ErrorCounting<benchmark::JSONReporter>());
    if (std::strcmp(format, "csv") == 0) {
        // (the library's CSV reporter is on its way out)
        std::fputs("surfbench: --benchmark_format=csv is not offered: use console or json\n", stderr);
        return 2;
    }
    const auto colour = isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                              : benchmark::ConsoleReporter::OO_Tabular;
    return run_with(ErrorCounting<benchmark::ConsoleReporter>(colour));
}
