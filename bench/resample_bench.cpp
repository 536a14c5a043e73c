// Playback rate conversion (ChangementFrequence) of 60 s at 16 kHz to 11025 Hz
// (din = 2, dout = 3) and of 60 s at 22050 Hz (din = 1, dout = 2).
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "prosody/rate_change.h"

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

void BM_ChangementFrequence(benchmark::State& state) {
  const int rateHz = static_cast<int>(state.range(0));
  const std::vector<std::int16_t> x = minuteOfSignal(rateHz);
  ardv::ChangementFrequence change;
  change.setInput(x, rateHz);
  change.setOutputRate(11025);
  for (auto _ : state) benchmark::DoNotOptimize(change.convert());
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
  state.counters["x_realtime"] =
      benchmark::Counter(60.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ChangementFrequence)->Arg(16000)->Arg(22050)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
