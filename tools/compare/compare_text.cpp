// What surfcompare says: its command line, its usage text, and the report
// as a table whose columns line up on a terminal.
#include <cstdio>
#include <string_view>

#include "tools/compare/compare.hpp"
#include "tools/compare/junit_xml.hpp"

namespace {

struct Cell {
    std::string text;
    bool right = false;
    int gap = 2;  // spaces before the next cell
};
using Row = std::vector<Cell>;

// Terminal columns of UTF-8 text: one per character.
std::size_t text_width(const std::string& text)
{
    std::size_t width = 0;
    for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return width;
}

// Every cell but a row's last is padded to its column's width; the last one
// is left as it is and does not widen its column.
std::string format_table(const std::vector<Row>& rows)
{
    std::vector<std::size_t> widths;
    for (const Row& row : rows) {
        for (std::size_t column = 0; column + 1 < row.size(); ++column) {
            if (widths.size() <= column) widths.resize(column + 1, 0);
            if (text_width(row[column].text) > widths[column]) widths[column] = text_width(row[column].text);
        }
    }
    std::string out;
    for (const Row& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            const Cell& cell = row[column];
            const bool last = column + 1 == row.size();
            const std::string padding(last ? 0 : widths[column] - text_width(cell.text), ' ');
            out += cell.right ? padding + cell.text : cell.text + (last ? "" : padding);
            if (!last) out += std::string(static_cast<std::size_t>(cell.gap), ' ');
        }
        out += "\n";
    }
    return out;
}

// Two decimals; never 0.00% or 100.00% for a share that is neither.
std::string share_text(long long part, long long whole)
{
    if (part == whole) return "(100%)";
    const double percent = 100.0 * static_cast<double>(part) / static_cast<double>(whole);
    if (percent < 0.01) return "(<0.01%)";
    if (percent > 99.99) return "(>99.99%)";
    char text[16];
    std::snprintf(text, sizeof text, "(%.2f%%)", percent);
    return text;
}

Row picture_row(const PictureResult& result)
{
    Row row{{std::to_string(result.number), true}, {picture_title(result.number)}};
    if (result.identical()) {
        row.push_back({"identical"});
        return row;
    }
    row.push_back({std::to_string(result.differing), true, 1});
    row.push_back({result.differing == 1 ? "pixel differs" : "pixels differ"});
    row.push_back({share_text(result.differing, result.total), true});
    row.push_back({"first at (" + std::to_string(result.first_x) + ", " + std::to_string(result.first_y) + "):"});
    row.push_back({"expected " + result.first_expected + ", actual " + result.first_actual});
    return row;
}

std::string diff_line(const CompareOptions& options, const CompareReport& report)
{
    if (report.diff_files.empty()) return "no diff pictures: nothing differs\n";
    std::string line = "diff pictures in " + options.diff_folder + ":";
    for (const std::string& name : report.diff_files) line += " " + name;
    return line +
           "\n  (magenta: missing, cyan: extra, yellow: another colour; white rings circle lone ones)\n";
}

}  // namespace

std::string format_report(const CompareOptions& options, const CompareReport& report)
{
    std::string out = "expected: " + options.expected_folder + "   actual: " + options.actual_folder + "   (" +
                      std::to_string(report.width) + "x" + std::to_string(report.height) + ")\n";
    std::vector<Row> rows;
    for (const PictureResult& result : report.results) rows.push_back(picture_row(result));
    out += format_table(rows);
    if (!options.diff_folder.empty()) out += diff_line(options, report);
    const int identical = report.identical_count();
    if (identical == picture_count)
        out += "all " + std::to_string(picture_count) + " pictures identical\n";
    else
        out += std::to_string(identical) + " of " + std::to_string(picture_count) + " pictures identical\n";
    return out;
}

std::string compare_junit(const CompareOptions& options, const CompareReport& report)
{
    JunitSuite suite{"surfcompare " + options.expected_folder + " " + options.actual_folder, {}};
    const std::string size = std::to_string(report.width) + "x" + std::to_string(report.height);
    for (const PictureResult& result : report.results) {
        JunitCase test;
        test.name = (result.number < 10 ? "0" : "") + std::to_string(result.number) + " " + picture_title(result.number);
        test.class_name = "pictures " + size;
        if (!result.identical()) {
            test.outcome = JunitCase::Outcome::failed;
            test.message = std::to_string(result.differing) + (result.differing == 1 ? " pixel differs" : " pixels differ") +
                           ", first at (" + std::to_string(result.first_x) + ", " + std::to_string(result.first_y) + ")";
            test.details = "expected " + result.first_expected + ", actual " + result.first_actual + " there";
            if (!options.diff_folder.empty())
                test.details += "; the diff picture is " + options.diff_folder + "/" + picture_file_name(result.number);
        }
        suite.cases.push_back(test);
    }
    return junit_xml("surfcompare", {suite});
}

std::string compare_usage(const std::string& program)
{
    return "Usage: " + program +
           " EXPECTED_DIR ACTUAL_DIR [--diff DIR] [--junit FILE]\n"
           "Compares two exports of the show (01.png ... 12.png, as surfplot-shots and surfkit-shots\n"
           "write them) pixel by pixel and prints one line per picture.  Two pixels are the same\n"
           "when they show the same colour, whatever the files' palettes; transparency counts\n"
           "as shown over black.\n"
           "\n"
           "Options:\n"
           "  --diff DIR  for every picture that differs, writes DIR/NN.png: matching pixels dimmed,\n"
           "              missing pixels (drawn in EXPECTED, background in ACTUAL) magenta,\n"
           "              extra pixels (drawn in ACTUAL only) cyan, a different colour yellow;\n"
           "              when a picture has at most 100 such pixels, a white ring circles each.\n"
           "              DIR is created when missing; an older diff of a picture that is\n"
           "              identical now is removed from it.  surfcompare never replaces or\n"
           "              removes an NN.png it did not write: such a DIR is refused.\n"
           "  --junit FILE  writes FILE, a JUnit XML report for CI services: one test case per\n"
           "              picture, a failure for each picture that differs.\n"
           "  --help      display this help and exit\n"
           "  --version   output version information and exit\n"
           "\n"
           "Exit code:\n"
           "  0    all twelve pictures are identical\n"
           "  1    a picture differs\n"
           "  2    bad input (a missing or unreadable picture among them) or a failed write\n"
           "  129  the terminal was closed (hang-up; the console window on Windows)\n"
           "  130  stopped by Ctrl+C (or Ctrl+Break on Windows)\n"
           "  143  terminated by a signal\n"
           "Whatever the exit code other than 0 and 1, DIR and FILE are left as they were.\n";
}

bool parse_compare_arguments(int argc, char** argv, CompareOptions& options, CommandLine& line, std::string& error)
{
    static const std::vector<KnownOption> known_options = {{"--diff", OptionValue::required},
                                                           {"--junit", OptionValue::required}};
    if (!read_command_line(argc, argv, known_options, line, error)) return false;
    if (line.help || line.version) return true;
    for (const GivenOption& given : line.options) {
        const bool diff = given.name == "--diff";
        (diff ? options.diff_folder : options.junit_file) = std::string(*given.value);
        if ((diff ? options.diff_folder : options.junit_file).empty()) {
            error = diff ? "the --diff folder name is empty" : "the --junit file name is empty";
            return false;
        }
    }
    if (line.operands.size() != 2) {
        error = "needs two folders, EXPECTED_DIR and ACTUAL_DIR";
        return false;
    }
    options.expected_folder = std::string(line.operands[0]);
    options.actual_folder = std::string(line.operands[1]);
    return true;
}
