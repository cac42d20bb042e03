// Reading surfgrade's command line.
#include "tools/grade/grade_options.hpp"

#include <limits>
#include <string_view>
#include <thread>

namespace {

constexpr int min_width = 102, max_width = 8192;
constexpr int min_height = 150, max_height = 8192;

bool read_size(std::string_view text, PictureSize& size, std::string& error)
{
    const std::size_t cross = text.find('x');
    if (cross == std::string_view::npos || !read_whole_number(text.substr(0, cross), size.width) ||
        !read_whole_number(text.substr(cross + 1), size.height)) {
        error = "bad size '" + std::string(text) + "': expected WIDTHxHEIGHT, for example 1366x768";
        return false;
    }
    if (size.width < min_width || size.width > max_width || size.height < min_height || size.height > max_height) {
        error = "size " + std::string(text) + " out of range: width 102 to 8192, height 150 to 8192";
        return false;
    }
    return true;
}

bool read_sizes(std::string_view text, std::vector<PictureSize>& sizes, std::string& error)
{
    sizes.clear();
    while (true) {
        const std::size_t comma = text.find(',');
        PictureSize size;
        if (!read_size(text.substr(0, comma), size, error)) return false;
        for (const PictureSize& known : sizes)
            if (known.width == size.width && known.height == size.height) {
                error = "size " + size.text() + " given twice";
                return false;
            }
        sizes.push_back(size);
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
}

// A positive number up to `most`, whole or decimal as `decimal` says.
bool read_limit(const GivenOption& given, double most, bool decimal, double& value, std::string& error)
{
    const std::string_view text = *given.value;
    int whole = 0;
    const bool read = decimal ? read_decimal(text, value) : read_whole_number(text, whole);
    if (!decimal) value = whole;
    if (!read || value < (decimal ? 0.1 : 1) || value > most) {
        error = "bad " + std::string(given.name) + " '" + std::string(text) + "': expected a number from " +
                (decimal ? "0.1" : "1") + " to " + std::to_string(static_cast<long>(most));
        return false;
    }
    return true;
}

bool read_option(const GivenOption& given, GradeOptions& options, std::string& error)
{
    double value = 0;
    GradeLimits& limits = options.limits;
    if (given.name == "--out") {
        if (given.value->empty()) {
            error = "the --out folder name is empty";
            return false;
        }
        options.report_folder = std::string(*given.value);
        return true;
    }
    if (given.name == "--sizes") return read_sizes(*given.value, options.sizes, error);
    if (given.name == "--no-sandbox") {
        options.sandbox = false;
        return true;
    }
    if (given.name == "--jobs") {
        if (!read_limit(given, 256, false, value, error)) return false;
        options.jobs = static_cast<int>(value);
    } else if (given.name == "--build-time") {
        if (!read_limit(given, 3600, true, limits.build_seconds, error)) return false;
    } else if (given.name == "--picture-time") {
        if (!read_limit(given, 3600, true, limits.picture_seconds, error)) return false;
    } else if (given.name == "--memory") {
        if (!read_limit(given, 65536, false, value, error)) return false;
        limits.memory_mib = static_cast<long>(value);
    } else if (given.name == "--processes") {
        if (!read_limit(given, 4096, false, value, error)) return false;
        limits.processes = static_cast<int>(value);
    } else if (given.name == "--disk") {
        if (!read_limit(given, 65536, false, value, error)) return false;
        limits.disk_mib = static_cast<long>(value);
    } else if (given.name == "--files") {
        if (!read_limit(given, 1000000, false, value, error)) return false;
        limits.files = static_cast<long>(value);
    } else if (given.name == "--output") {
        if (!read_limit(given, 65536, false, value, error)) return false;
        limits.output_mib = static_cast<long>(value);
    }
    return true;
}

}  // namespace

std::string grade_usage(const std::string& program)
{
    return "Usage: " + program +
           " CLASS --out REPORT [--sizes 640x480,1366x768] [--jobs N] [OPTION]...\n"
           "Grades a whole class: builds the exercise frame with each student's renderers, exports\n"
           "the student's pictures at every size and compares them with the finished program's.\n"
           "CLASS holds one folder per student, named after the student, with some of the seven\n"
           "renderer files (szintvonal1.cpp szintvonal2.cpp pontfelho.cpp tegla.cpp fuggveny1.cpp\n"
           "fuggveny3.cpp fuggveny4.cpp).  The report is REPORT/index.html, REPORT/grades.csv (a line\n"
           "per picture), REPORT/gradebook.csv (a line per student), REPORT/junit.xml and a page per\n"
           "student to hand back, REPORT/feedback/NAME.html.\n"
           "Each student's code is built and run in a sandbox: no network, no other files.\n"
           "\n"
           "Options:\n"
           "  --out REPORT          the report's folder (made, or replaced when it holds an earlier report)\n"
           "  --sizes LIST          drawing areas, comma-separated (default 640x480,1366x768;\n"
           "                        width 102-8192, height 150-8192)\n"
           "  --jobs N              students graded at once (default: one per processor)\n"
           "  --build-time SECONDS  time for one student's build (default 120)\n"
           "  --picture-time SECONDS  time for one picture of an export (default 20)\n"
           "  --memory MIB          memory of each of a student's processes (default 1024)\n"
           "  --processes N         processes one student's code may run at once (default 64)\n"
           "  --output MIB          size of any file a student's code writes, and of all it prints\n"
           "                        (default 64)\n"
           "  --disk MIB            all a student's build folder and /tmp hold (default 256)\n"
           "  --files N             files and folders in them (default 2000)\n"
           "  --no-sandbox          build and run the students' code without a sandbox (only for code\n"
           "                        you trust: it can then read and change your files)\n"
           "  --help                display this help and exit\n"
           "  --version             output version information and exit\n";
}

bool parse_grade_arguments(int argc, char** argv, GradeOptions& options, CommandLine& line, std::string& error)
{
    static const std::vector<KnownOption> known_options = {
        {"--out", OptionValue::required},        {"--sizes", OptionValue::required},
        {"--jobs", OptionValue::required},       {"--build-time", OptionValue::required},
        {"--picture-time", OptionValue::required}, {"--memory", OptionValue::required},
        {"--processes", OptionValue::required},  {"--output", OptionValue::required},
        {"--disk", OptionValue::required},       {"--files", OptionValue::required},
        {"--no-sandbox", OptionValue::none}};
    options.sizes = {{640, 480}, {1366, 768}};
    if (!read_command_line(argc, argv, known_options, line, error)) return false;
    if (line.help || line.version) return true;
    for (const GivenOption& given : line.options)
        if (!read_option(given, options, error)) return false;
    if (line.operands.size() != 1) {
        error = line.operands.empty() ? "no CLASS folder given"
                                      : "unexpected argument '" + std::string(line.operands[1]) + "'";
        return false;
    }
    options.class_folder = std::string(line.operands.front());
    if (options.report_folder.empty()) {
        error = "no report folder given (--out REPORT)";
        return false;
    }
    if (options.jobs == 0) options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return true;
}
