// The extended format computed in integers beside the processor's own long
// double, on the statement the hidden-line pictures repeat most (a step
// along a line and a rounding) and on each operation alone.  The show as a
// whole is compared between a build with SURF_PORTABLE_EXTENDED=ON and one
// without (BM_Show in both).
#include <cmath>
#include <vector>

#include "bench/bench_support.hpp"
#include "runtime/extended.hpp"

namespace {

constexpr int operand_count = 1024;

std::vector<double> operands()
{
    std::vector<double> values(operand_count);
    for (int k = 0; k < operand_count; ++k) values[k] = 1.0 + k * 0.7316 + 1.0 / (k + 3);
    return values;
}

long double round_even(long double value) { return std::rintl(value); }
Extended round_even(Extended value) { return std::rintl(value); }

// Arguments: 0 +, 1 *, 2 /, 3 the step-and-round statement.
template <typename Number>
double run(int operation, const std::vector<double>& values)
{
    Number sum = 0;
    for (int k = 1; k < operand_count; ++k) {
        const Number a = values[k], b = values[k - 1];
        switch (operation) {
        case 0: sum = sum + a + b; break;
        case 1: sum = sum + a * b; break;
        case 2: sum = sum + a / b; break;
        default: sum = sum + static_cast<double>(round_even(static_cast<Number>(a) - static_cast<double>(b / 3)));
        }
    }
    return static_cast<double>(sum);
}

void BM_NativeLongDouble(benchmark::State& state)
{
    const std::vector<double> values = operands();
    for (auto _ : state) benchmark::DoNotOptimize(run<long double>(static_cast<int>(state.range(0)), values));
    state.SetItemsProcessed(state.iterations() * (operand_count - 1));
}

void BM_Extended(benchmark::State& state)
{
    const std::vector<double> values = operands();
    for (auto _ : state) benchmark::DoNotOptimize(run<Extended>(static_cast<int>(state.range(0)), values));
    state.SetItemsProcessed(state.iterations() * (operand_count - 1));
}

}  // namespace

BENCHMARK(BM_NativeLongDouble)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Extended)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
