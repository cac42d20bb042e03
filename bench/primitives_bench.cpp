// The drawing operations one by one, in the plot window of a 1920 x 1080
// window as the renderers use them (clipping on).  Lines, bars and polygons
// count the pixels they cover; pixel operations count calls.
#include <array>
#include <cstdint>

#include "bench/bench_support.hpp"
#include "gfx/graph.hpp"

namespace {

constexpr int window_width = 1920, window_height = 1080;

void open_plot_window()
{
    open_bench_window(window_width, window_height);
    SetViewPort(2, 2, window_width - 3, window_height - 3, true);
}

// Scattered points of the plot window at which a figure of width x height
// fits, from a fixed linear congruence; worked out before the timing.
std::array<std::array<int, 2>, 4096> scattered_points(int width = 1, int height = 1)
{
    std::array<std::array<int, 2>, 4096> points{};
    std::uint32_t seed = 12345;
    for (auto& point : points) {
        seed = seed * 1664525u + 1013904223u;
        point[0] = static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(window_width - 4 - width));
        seed = seed * 1664525u + 1013904223u;
        point[1] = static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(window_height - 4 - height));
    }
    return points;
}

// Argument: the length along the longer axis.  Sixteen directions round
// the centre, every octant both ways.
void BM_Line(benchmark::State& state)
{
    open_plot_window();
    const int length = static_cast<int>(state.range(0));
    constexpr int directions[16][2] = {{8, 0}, {8, 3}, {8, 8}, {3, 8}, {0, 8}, {-3, 8}, {-8, 8}, {-8, 3},
                                       {-8, 0}, {-8, -3}, {-8, -8}, {-3, -8}, {0, -8}, {3, -8}, {8, -8}, {8, -3}};
    const int cx = window_width / 2, cy = window_height / 2;
    std::size_t k = 0;
    for (auto _ : state) {
        const auto& d = directions[k++ % 16];
        Line(cx, cy, cx + d[0] * length / 8, cy + d[1] * length / 8);
    }
    state.SetItemsProcessed(state.iterations() * (length + 1));
}

// Arguments: width and height of the bar; the narrow tall ones are the
// columns of the brick pictures at the three window sizes.
void BM_Bar(benchmark::State& state)
{
    open_plot_window();
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    const auto points = scattered_points(width, height);
    std::size_t k = 0;
    for (auto _ : state) {
        const auto& p = points[k++ % points.size()];
        Bar(p[0], p[1], p[0] + width - 1, p[1] + height - 1);
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}

void BM_PutPixel(benchmark::State& state)
{
    open_plot_window();
    const auto points = scattered_points();
    std::size_t k = 0;
    for (auto _ : state) {
        const auto& p = points[k++ % points.size()];
        PutPixel(p[0], p[1], 1);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_GetPixel(benchmark::State& state)
{
    open_plot_window();
    const auto points = scattered_points();
    std::size_t k = 0;
    for (auto _ : state) {
        const auto& p = points[k++ % points.size()];
        benchmark::DoNotOptimize(GetPixel(p[0], p[1]));
    }
    state.SetItemsProcessed(state.iterations());
}

// Argument: the size of a slanted quadrilateral of that many rows and
// about that many pixels a row, filled and outlined as picture 12 does.
void BM_FillPoly(benchmark::State& state)
{
    open_plot_window();
    SetColor(1);
    SetFillStyle(1, 0);
    const int side = static_cast<int>(state.range(0));
    const auto points = scattered_points(2 * side, side);
    std::size_t k = 0;
    for (auto _ : state) {
        const auto& p = points[k++ % points.size()];
        const int x = p[0], y = p[1];
        const SMALLINT corners[8] = {
            static_cast<SMALLINT>(x), static_cast<SMALLINT>(y + side / 3),
            static_cast<SMALLINT>(x + side), static_cast<SMALLINT>(y),
            static_cast<SMALLINT>(x + 2 * side), static_cast<SMALLINT>(y + side - side / 3),
            static_cast<SMALLINT>(x + side), static_cast<SMALLINT>(y + side)};
        FillPoly(4, corners);
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

}  // namespace

BENCHMARK(BM_Line)->Arg(8)->Arg(100)->Arg(1000);
BENCHMARK(BM_Bar)->Args({1, 1})->Args({7, 50})->Args({20, 50})->Args({39, 50})->Args({100, 100})->Args({1000, 1000});
BENCHMARK(BM_PutPixel);
BENCHMARK(BM_GetPixel);
BENCHMARK(BM_FillPoly)->Arg(6)->Arg(20)->Arg(200);
