// Exact rate conversion of 60 s at 16 kHz and at 22050 Hz to 11025 Hz (the
// playback fallback) and of 60 s at 44100 Hz to 16 kHz.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "signal/resampler.h"

namespace {

std::vector<std::int16_t> minuteOfSignal(int rateHz) {
  std::vector<std::int16_t> x(static_cast<std::size_t>(60 * rateHz));
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double t = static_cast<double>(i) / rateHz;
    x[i] = static_cast<std::int16_t>(8000.0 * std::sin(2.0 * std::numbers::pi * 140.0 * t) +
                                     3000.0 * std::sin(2.0 * std::numbers::pi * 2300.0 * t));
  }
  return x;
}

void BM_Resample(benchmark::State& state) {
  const int rateHz = static_cast<int>(state.range(0)), toHz = static_cast<int>(state.range(1));
  const std::vector<std::int16_t> x = minuteOfSignal(rateHz);
  for (auto _ : state) benchmark::DoNotOptimize(ardv::resampleSamples(x, rateHz, toHz));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
  state.counters["x_realtime"] =
      benchmark::Counter(60.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Resample)->Args({16000, 11025})->Args({22050, 11025})->Args({44100, 16000})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
