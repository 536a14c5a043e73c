// Columns per second of the envelope kinds of the spectrogram (linear
// prediction, cepstral smoothing, true envelope, critical bands with and
// without prior smoothing) on 60 s of synthetic speech at 16 kHz, default
// settings of each kind; one column per iteration, frames marching through
// the signal.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "spectral/cepstrum.h"
#include "spectral/critical_band.h"
#include "spectral/fft.h"
#include "spectral/lpc_spectrum.h"
#include "spectral/true_envelope.h"
#include "spectral/window.h"

namespace {

constexpr double kFs = 16000.0;

// Voiced stretches (pulse train with a wandering F0 through three formant
// resonators) alternating with noise and pauses, seeded.
const std::vector<std::int16_t>& speech() {
  static const std::vector<std::int16_t> x = [] {
    const int n = static_cast<int>(60 * kFs);
    std::mt19937 gen(60);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> y(n, 0.0);
    double phase = 0.0;
    const double formants[3][2] = {{600, 80}, {1700, 120}, {2600, 180}};
    std::vector<double> state(6, 0.0);
    for (int i = 0; i < n; ++i) {
      const double t = i / kFs;
      const int segment = static_cast<int>(t / 0.25) % 4;  // voiced, voiced, fricative, pause
      const double f0 = 120.0 + 30.0 * std::sin(2.0 * std::numbers::pi * 0.7 * t);
      double e = 0.0;
      if (segment < 2) {
        phase += f0 / kFs;
        if (phase >= 1.0) {
          phase -= 1.0;
          e = 2000.0;
        }
      } else if (segment == 2) {
        e = 300.0 * noise(gen);
      } else {
        e = 3.0 * noise(gen);
      }
      double v = e;
      for (int f = 0; f < 3; ++f) {
        const double r = std::exp(-std::numbers::pi * formants[f][1] / kFs);
        const double c = 2.0 * r * std::cos(2.0 * std::numbers::pi * formants[f][0] / kFs);
        const double out = v + c * state[2 * f] - r * r * state[2 * f + 1];
        state[2 * f + 1] = state[2 * f];
        state[2 * f] = out;
        v = out * (1.0 - c + r * r) / 4.0;
      }
      y[i] = v;
    }
    double peak = 1.0;
    for (double v : y) peak = std::max(peak, std::fabs(v));
    std::vector<std::int16_t> s(n);
    for (int i = 0; i < n; ++i) s[i] = static_cast<std::int16_t>(std::lround(y[i] / peak * 20000.0));
    return s;
  }();
  return x;
}

// Next frame start, marching by `hop` and wrapping before the end.
std::int64_t advance(std::int64_t first, int hop, int length) {
  first += hop;
  return first + length + 1 < static_cast<std::int64_t>(speech().size()) ? first : 0;
}

void lpcColumns(benchmark::State& state) {
  const auto& x = speech();
  const ardv::LpcSpectrumSettings set{256, 256, 18, true, 1.0, kFs};  // 16 ms, order 18
  std::vector<float> column(128);
  std::vector<ardv::LpcRoot> roots;
  const bool withRoots = state.range(0) != 0;
  std::int64_t first = 0;
  for (auto _ : state) {
    ardv::lpcSpectrum(x, first, set, column, withRoots ? &roots : nullptr);
    benchmark::DoNotOptimize(column.data());
    first = advance(first, 128, 256);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(lpcColumns)->Arg(0)->Arg(1)->ArgName("roots");

void cepstralColumns(benchmark::State& state) {
  const auto& x = speech();
  const ardv::CepstrumSettings set{512, 1024, 512, 16, 32, true, false};  // 32 ms, lifter 1 and 2 ms
  std::vector<float> column(256);
  std::int64_t first = 0;
  for (auto _ : state) {
    ardv::cepstre(column, x, first, 1, 0, 1, set);
    benchmark::DoNotOptimize(column.data());
    first = advance(first, 160, 512);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(cepstralColumns);

void trueEnvelopeColumns(benchmark::State& state) {
  const auto& x = speech();
  const ardv::TrueEnvelopeSettings set{512, 1024, 16, 16, 0.0, 6, true};
  std::vector<float> column(512);
  std::int64_t first = 0;
  for (auto _ : state) {
    ardv::trueEnvelope(column, x, first, set);
    benchmark::DoNotOptimize(column.data());
    first = advance(first, 160, 512);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(trueEnvelopeColumns);

// Kind 6 with the defaults: 32 ms Hamming frame, 1024-point spectrum in dB
// (as the spectrogram's FFT column makes it), 512 Bark bands on the linear
// axis; with prior smoothing the column comes from cepstre instead.
void criticalBandColumns(benchmark::State& state) {
  const auto& x = speech();
  const bool smoothed = state.range(0) != 0;
  ardv::FilterBank bank;
  ardv::buildFilterBank(kFs, 512, 1024, ardv::BandDistribution::SpectroLike, ardv::PerceptualScale::Bark,
                        ardv::WidthStrategy::Constant, ardv::BandAxis::Linear, bank);
  std::vector<float> window(512), frame(1026, 0.0f), column(513), out(512);
  ardv::initham(window.data(), 512);
  const ardv::CepstrumSettings cep{512, 1024, 1024, 16, 32, true, false};
  std::int64_t first = 0;
  for (auto _ : state) {
    if (smoothed) {
      ardv::cepstre(column, x, first, 1, 0, 1, cep);
    } else {
      for (int i = 0; i < 512; ++i) frame[i] = static_cast<float>(x[first + i + 1] - x[first + i]) * window[i];
      std::fill(frame.begin() + 512, frame.end(), 0.0f);
      ardv::realFft(frame.data(), 1024);
      for (int k = 0; k <= 512; ++k)
        column[k] = 10.0f * std::log10(std::max(frame[2 * k] * frame[2 * k] + frame[2 * k + 1] * frame[2 * k + 1], 1e-10f));
    }
    ardv::criticalBandColumn(bank, column, 512, out);
    benchmark::DoNotOptimize(out.data());
    first = advance(first, 256, 512);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(criticalBandColumns)->Arg(0)->Arg(1)->ArgName("cepstral");

}  // namespace

BENCHMARK_MAIN();
