// surfbench: the benchmarks of the drawing service, the show and the export.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
