// Writing the twelve pictures of the show as PNG files, as the export does;
// the pictures are drawn once beforehand.  Counts the bytes written.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "bench/bench_support.hpp"
#include "frame/frame.hpp"
#include "frame/pictures.hpp"
#include "tools/png/png_export.hpp"

namespace {

std::vector<std::vector<std::uint8_t>> drawn_show(int width, int height)
{
    std::vector<std::vector<std::uint8_t>> pictures;
    prepare_show_model(width, height, false);
    bool turned = false;
    for (const ShowPicture& picture : show_pictures) {
        if (picture.upside_down && !turned) {
            invert_table();
            turned = true;
        }
        draw_picture(picture.number);
        pictures.push_back(copy_picture());
    }
    return pictures;
}

long file_size(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
}

void BM_ExportPng(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    const auto pictures = drawn_show(width, height);
    char folder_template[] = "/tmp/surfbench-XXXXXX";
    if (!mkdtemp(folder_template)) {
        state.SkipWithError("cannot create a temporary folder");
        return;
    }
    const std::string folder = folder_template;
    std::vector<std::string> paths;
    for (const ShowPicture& picture : show_pictures) {
        char name[16];
        std::snprintf(name, sizeof name, "/%02d.png", picture.number);
        paths.push_back(folder + name);
    }
    std::string error;
    for (auto _ : state) {
        for (std::size_t k = 0; k < pictures.size() && error.empty(); ++k)
            write_palette_png({pictures[k].data(), width, height}, paths[k], error);
    }
    long bytes = 0;
    for (const std::string& path : paths) {
        bytes += file_size(path);
        std::remove(path.c_str());
    }
    rmdir(folder.c_str());
    if (!error.empty()) state.SkipWithError(error.c_str());
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

// The whole export as surfplot-shots runs it: each picture drawn and written.
void BM_ExportShow(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    char folder_template[] = "/tmp/surfbench-XXXXXX";
    if (!mkdtemp(folder_template)) {
        state.SkipWithError("cannot create a temporary folder");
        return;
    }
    const std::string folder = folder_template;
    std::string error;
    for (auto _ : state) {
        prepare_show_model(width, height, false);
        bool turned = false;
        for (const ShowPicture& picture : show_pictures) {
            if (picture.upside_down && !turned) {
                invert_table();
                turned = true;
            }
            draw_picture(picture.number);
            char name[16];
            std::snprintf(name, sizeof name, "/%02d.png", picture.number);
            const std::vector<std::uint8_t> pixels = copy_picture();
            if (error.empty()) write_palette_png({pixels.data(), width, height}, folder + name, error);
        }
    }
    std::filesystem::remove_all(folder);
    if (!error.empty()) state.SkipWithError(error.c_str());
}

}  // namespace

BENCHMARK(BM_ExportShow)
    ->Apply([](benchmark::internal::Benchmark* b) {
        b->Args({1920, 1080});
        if (std::getenv("SURF_BENCH_LARGE")) b->Args({8192, 8192});  // (as BM_CompareKinds)
    })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(BM_ExportPng)->Apply([](benchmark::internal::Benchmark* b) { at_every_size(b); })
    ->Unit(benchmark::kMillisecond);
