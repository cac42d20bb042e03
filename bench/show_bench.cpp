// The show as a whole and picture by picture, beside the memory baseline
// (memset of one window of bytes) and clearing the whole window.
#include <cstring>
#include <vector>

#include "bench/bench_support.hpp"
#include "frame/frame.hpp"
#include "frame/pictures.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"

namespace {

int argument(const benchmark::State& state, int index) { return static_cast<int>(state.range(index)); }

// Arguments: picture number, W, H.  The pictures drawn after the inversion
// pass draw on the table turned upside down, as in the show.
void BM_Picture(benchmark::State& state)
{
    const int number = argument(state, 0);
    prepare_show_model(argument(state, 1), argument(state, 2), show_picture(number).upside_down);
    for (auto _ : state) {
        draw_picture(number);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

// The whole show from the console set-up to text mode, no key waits.
void BM_Show(benchmark::State& state)
{
    use_bench_platform(argument(state, 0), argument(state, 1));
    for (auto _ : state) {
        reset_model();
        restart_random();
        run_show();
        benchmark::ClobberMemory();
    }
}

void BM_Memset(benchmark::State& state)
{
    std::vector<unsigned char> bytes(static_cast<std::size_t>(state.range(0)) * state.range(1), 1);
    int value = 0;
    for (auto _ : state) {
        std::memset(bytes.data(), value, bytes.size());
        value ^= 1;
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_Clear(benchmark::State& state)
{
    open_bench_window(argument(state, 0), argument(state, 1));
    int background = 0;
    for (auto _ : state) {
        SetBkColor(background);
        ClearViewPort();
        background ^= 1;
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * state.range(1));
}

void all_pictures(benchmark::internal::Benchmark* benchmark)
{
    for (const ShowPicture& picture : show_pictures) at_every_size(benchmark, {picture.number});
}

void sizes(benchmark::internal::Benchmark* benchmark) { at_every_size(benchmark); }

}  // namespace

BENCHMARK(BM_Picture)->Apply(all_pictures)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Show)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memset)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Clear)->Apply(sizes)->Unit(benchmark::kMicrosecond);
