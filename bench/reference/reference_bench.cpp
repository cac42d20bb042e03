// The tight-loop model of the show: the independent rendering of the twelve
// pictures into plain byte buffers, the speed the show is measured against.
#include "bench/bench_support.hpp"
#include "tests/reference/reference_show.hpp"

namespace {

void BM_ReferenceShow(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    for (auto _ : state) {
        auto pictures = reference_show(width, height);
        benchmark::DoNotOptimize(pictures.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_ReferenceShow)->Apply([](benchmark::internal::Benchmark* b) { at_every_size(b); })
    ->Unit(benchmark::kMillisecond);
