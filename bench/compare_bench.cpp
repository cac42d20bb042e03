// surfcompare's work on two exports of the show: reading both folders,
// comparing picture by picture and, with diff pictures, writing one for each
// differing picture.  Arguments: identical (1) or different (0), with diff
// pictures (1) or without (0), then the size.  BM_ExportPng at the same size
// is the yardstick.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "frame/frame.hpp"
#include "tools/lib/compare.hpp"
#include "tools/lib/png_export.hpp"

namespace {

std::string make_folder()
{
    char folder_template[] = "/tmp/surfbench-compare-XXXXXX";
    return mkdtemp(folder_template) ? folder_template : std::string();
}

// The twelve pictures of the show; `spoiled` leaves the plot windows
// empty, as the exercise frame's renderers do before a student writes them.
bool write_export(const std::string& folder, int width, int height, bool spoiled)
{
    prepare_show_model(width, height, false);
    for (int number = 1; number <= picture_count; ++number) {
        if (number == 10) invert_table();
        draw_picture(number);
        std::vector<std::uint8_t> pixels = copy_picture();
        for (int y = 2; spoiled && y < height - 2; ++y)
            for (int x = 2; x < width - 2; ++x) pixels[static_cast<std::size_t>(y) * width + x] = 0;
        std::string error;
        if (!write_palette_png({pixels.data(), width, height}, folder + "/" + picture_file_name(number), error))
            return false;
    }
    return true;
}

void BM_Compare(benchmark::State& state)
{
    const bool identical = state.range(0) != 0, with_diff = state.range(1) != 0;
    const int width = static_cast<int>(state.range(2)), height = static_cast<int>(state.range(3));
    const std::string expected = make_folder(), actual = make_folder(), diff = make_folder();
    if (expected.empty() || actual.empty() || diff.empty() || !write_export(expected, width, height, false) ||
        !write_export(actual, width, height, !identical)) {
        state.SkipWithError("cannot write the exports");
    } else {
        const CompareOptions options{expected, actual, with_diff ? diff : std::string()};
        std::string error;
        for (auto _ : state) {
            CompareReport report;
            if (!compare_exports(options, report, error)) break;
            benchmark::DoNotOptimize(report);
        }
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    for (const std::string& folder : {expected, actual, diff})
        if (!folder.empty()) std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_Compare)
    ->Apply([](benchmark::internal::Benchmark* b) {
        for (const std::int64_t identical : {1, 0})
            for (const std::int64_t with_diff : {0, 1}) at_every_size(b, {identical, with_diff});
    })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
