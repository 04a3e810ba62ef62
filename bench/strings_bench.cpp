// Per-call cost of the number-to-text rule (the HUD formats several numbers every frame)
// and of Random (a whole ISAAC batch per call; a frame draws a few thousand).
#include <benchmark/benchmark.h>

#include "core/random.h"
#include "core/strings.h"

namespace {

void BM_NumberToStringInteger(benchmark::State& state) {
    double value = 0;
    for (auto _ : state) {
        qvt::RuntimeString text = qvt::NumberToString(value);
        benchmark::DoNotOptimize(text.data());
        value += 1;
    }
}
BENCHMARK(BM_NumberToStringInteger);

void BM_NumberToStringFraction(benchmark::State& state) {
    double value = 1.0 / 3.0;
    for (auto _ : state) {
        qvt::RuntimeString text = qvt::NumberToString(value);
        benchmark::DoNotOptimize(text.data());
        value += 0.001;
    }
}
BENCHMARK(BM_NumberToStringFraction);

void BM_StringToNumber(benchmark::State& state) {
    const qvt::RuntimeString text(" -3.5e2");
    for (auto _ : state) benchmark::DoNotOptimize(qvt::StringToNumber(text));
}
BENCHMARK(BM_StringToNumber);

void BM_Random(benchmark::State& state) {
    qvt::SeedRandom(1);
    for (auto _ : state) benchmark::DoNotOptimize(qvt::Random(639));
}
BENCHMARK(BM_Random);

}  // namespace
