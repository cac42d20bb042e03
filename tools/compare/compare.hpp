// Comparing two exports of the show (folders of 01.png ... 12.png) picture
// by picture, for a student's renderers against the finished ones.  Pixels
// are the same when they show the same colour, whatever the files' palettes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/pictures.hpp"
#include "frame/command_line.hpp"
#include "tools/compare/color_names.hpp"
#include "tools/compare/diff_folder.hpp"
#include "tools/png/png_import.hpp"

// The show's title of picture 1 ... 12, in UTF-8.
std::string picture_title(int number);

struct PictureResult {
    int number = 0;
    long long differing = 0;  // pixels
    long long total = 0;
    int first_x = -1, first_y = -1;       // first differing pixel, row by row
    std::string first_expected, first_actual;  // its colours as text

    bool identical() const { return differing == 0; }
};

struct CompareOptions {
    std::string expected_folder;
    std::string actual_folder;
    std::string diff_folder;  // empty: no diff pictures
    std::string junit_file = {};  // empty: no JUnit report (initialized, so that {a, b, c} stays complete)
};

struct CompareReport {
    int width = 0, height = 0;  // of picture 1
    std::vector<PictureResult> results;
    std::vector<std::string> diff_files;  // written into the diff folder

    int identical_count() const;
    // 0 when every picture is identical, 1 otherwise.
    int exit_code() const { return identical_count() == picture_count ? 0 : 1; }
};

// One run of surfcompare.  Its diff pictures stay aside until commit(); a
// run destroyed before that leaves every folder as it found it.
class ExportComparison {
public:
    ExportComparison();
    ~ExportComparison();
    ExportComparison(const ExportComparison&) = delete;
    ExportComparison& operator=(const ExportComparison&) = delete;

    // Reads and compares all twelve pairs and, with a diff folder, writes a
    // diff picture for each differing pair.  On bad input (a missing folder
    // or file, an unreadable picture, two sizes, a diff folder that cannot
    // be written or holds pictures surfcompare did not write) returns false
    // with a one-line `error`.
    bool run(const CompareOptions& options, CompareReport& report, std::string& error);
    // Called before run() waits for another run that writes into the diff folder.
    void on_wait(std::function<void()> say) { on_wait_ = std::move(say); }
    // Puts the diff pictures in place and removes the earlier run's diff
    // pictures of pictures that are identical now, all or none.  `confirm`
    // (writing the report) runs while all of that can still be undone; when
    // it fails, with its `error`, nothing changes.
    bool commit(std::string& error, const std::function<bool(std::string&)>& confirm = {});

private:
    struct State;
    std::unique_ptr<State> state_;
    std::function<void()> on_wait_;
};

// run() and commit() at once.
bool compare_exports(const CompareOptions& options, CompareReport& report, std::string& error);

// The table for the terminal: one aligned line per picture, then the total.
std::string format_report(const CompareOptions& options, const CompareReport& report);

// The report as JUnit XML: one test case per picture, a failure for each
// picture that differs.
std::string compare_junit(const CompareOptions& options, const CompareReport& report);

// Reads the command line; false with a one-line `error` on a bad argument.
// `line` tells whether --help or --version was asked for.
bool parse_compare_arguments(int argc, char** argv, CompareOptions& options, CommandLine& line, std::string& error);
std::string compare_usage(const std::string& program);
