// surfcompare's work on two exports of the show: reading both folders,
// comparing picture by picture and, with diff pictures, writing one for each
// differing picture.  BM_Compare: identical (1) or different (0), with diff
// pictures (1) or without (0), then the size; BM_ExportPng at the same size
// is the yardstick.  BM_CompareKinds: the finished show against the empty
// exercise frame with both folders re-saved as another kind of PNG (0
// palette, 1 RGB, 2 interlaced palette, 3 interlaced RGB), with diff
// pictures or without, at 1920 x 1080 and 8192 x 8192; BM_ExportShow (the
// whole export: drawing and writing) at the same size is the yardstick.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "frame/pictures.hpp"
#include "tests/support/png_kinds.hpp"
#include "frame/frame.hpp"
#include "tools/compare/compare.hpp"
#include "tools/png/png_export.hpp"

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

// Compares the two folders once per iteration; an error ends the benchmark.
void time_compare(benchmark::State& state, const CompareOptions& options)
{
    std::string error;
    for (auto _ : state) {
        CompareReport report;
        if (!compare_exports(options, report, error)) break;
        benchmark::DoNotOptimize(report);
    }
    if (!error.empty()) state.SkipWithError(error.c_str());
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
        time_compare(state, {expected, actual, with_diff ? diff : std::string()});
    }
    for (const std::string& folder : {expected, actual, diff})
        if (!folder.empty()) std::filesystem::remove_all(folder);
}

// 1920 x 1080, and 8192 x 8192 when SURF_BENCH_LARGE is set (minutes of
// set-up, too long for every CI run).
std::vector<std::pair<int, int>> bench_sizes()
{
    if (std::getenv("SURF_BENCH_LARGE")) return {{1920, 1080}, {8192, 8192}};
    return {{1920, 1080}};
}

// One export of each kind, size and content, written once for all the
// benchmarks and removed at the end.
struct KindFolders {
    std::vector<std::string> folders;
    ~KindFolders()
    {
        for (const std::string& folder : folders) std::filesystem::remove_all(folder);
    }
};

std::string kind_export(PngKind kind, int width, int height, bool spoiled)
{
    static KindFolders made;
    static std::vector<std::pair<std::string, std::string>> known;  // key, folder
    const std::string key = std::to_string(static_cast<int>(kind)) + "/" + std::to_string(width) + "x" +
                            std::to_string(height) + (spoiled ? "/spoiled" : "");
    for (const auto& [known_key, folder] : known)
        if (known_key == key) return folder;
    const std::string palette_folder = make_folder(), folder = make_folder();
    made.folders.push_back(palette_folder);
    made.folders.push_back(folder);
    if (!write_export(palette_folder, width, height, spoiled)) return std::string();
    for (int number = 1; number <= picture_count; ++number) {
        PngPicture picture;
        std::string error;
        const std::string name = "/" + picture_file_name(number);
        if (!read_png(palette_folder + name, picture, error) ||
            !write_png_kind(folder + name, picture, kind, error))
            return std::string();
    }
    known.emplace_back(key, folder);
    return folder;
}

void BM_CompareKinds(benchmark::State& state)
{
    const auto kind = static_cast<PngKind>(state.range(0));
    const bool with_diff = state.range(1) != 0;
    const int width = static_cast<int>(state.range(2)), height = static_cast<int>(state.range(3));
    const std::string expected = kind_export(kind, width, height, false);
    const std::string actual = kind_export(kind, width, height, true);
    const std::string diff = make_folder();
    if (expected.empty() || actual.empty() || diff.empty()) {
        state.SkipWithError("cannot write the exports");
        return;
    }
    time_compare(state, {expected, actual, with_diff ? diff : std::string()});
    std::filesystem::remove_all(diff);
}

}  // namespace

BENCHMARK(BM_CompareKinds)
    ->Apply([](benchmark::internal::Benchmark* b) {
        for (const std::int64_t kind : {0, 1, 2, 3})
            for (const std::int64_t with_diff : {0, 1})
                for (const auto& size : bench_sizes()) b->Args({kind, with_diff, size.first, size.second});
    })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

BENCHMARK(BM_Compare)
    ->Apply([](benchmark::internal::Benchmark* b) {
        for (const std::int64_t identical : {1, 0})
            for (const std::int64_t with_diff : {0, 1}) at_every_size(b, {identical, with_diff});
    })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
