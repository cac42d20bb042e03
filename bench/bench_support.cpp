// Set-up for the benchmarks over the program's own globals and renderers.
#include "bench/bench_support.hpp"

#include "frame/frame.hpp"
#include "frame/pictures.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"

bool BenchPlatform::open_window(int& w, int& h)
{
    w = width;
    h = height;
    return true;
}

bool BenchPlatform::wait_key(KeyPress& key)
{
    key = {' ', 0};
    return true;
}

namespace {

BenchPlatform& bench_platform()
{
    static BenchPlatform platform;
    return platform;
}

}  // namespace

void use_bench_platform(int width, int height)
{
    BenchPlatform& platform = bench_platform();
    platform.width = width;
    platform.height = height;
    set_platform(&platform);
    reset_console();
}

void open_bench_window(int width, int height)
{
    use_bench_platform(width, height);
    SMALLINT driver = 0, mode = 0;
    DetectGraph(driver, mode);
    InitGraph(driver, mode, "");
}

void prepare_show_model(int width, int height, bool inverted)
{
    reset_model();
    use_bench_platform(width, height);
    GRAFIKUSRA();
    FUGGVENYERTEKEK();
    YMAX = MAXMAGASSAG();
    NY = static_cast<REAL>(100.0L / YMAX);
    if (inverted) invert_table();
}

void draw_picture(int number)
{
    const ShowPicture& picture = show_picture(number);
    if (picture.renderer == Renderer::pontfelho) restart_random();
    draw_show_picture(picture);
}

std::vector<std::uint8_t> copy_picture()
{
    const PictureView view = current_picture();
    return {view.pixels, view.pixels + static_cast<std::size_t>(view.width) * view.height};
}

void at_every_size(benchmark::internal::Benchmark* benchmark, std::vector<std::int64_t> leading)
{
    constexpr std::int64_t sizes[3][2] = {{640, 480}, {1920, 1080}, {3840, 2160}};
    for (const auto& size : sizes) {
        std::vector<std::int64_t> arguments = leading;
        arguments.push_back(size[0]);
        arguments.push_back(size[1]);
        benchmark->Args(arguments);
    }
}
