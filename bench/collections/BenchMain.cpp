// zarv_collectionsbench: the collection codecs and the colour quantiser. The benchmarks live in
// the other files of this folder; bench/run-collections.sh runs them and times zarv-tool.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
