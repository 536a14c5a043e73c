// Columns per second of each spectrogram kind (one core), and whole images
// of every kind on 1 and 2 threads (wall time), on 60 s of a
// synthetic speech-like signal at 16 kHz: a glottal pulse train with a moving
// F0 through three moving formant resonators, alternating with noise bursts.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "platform/thread_pool.h"
#include "spectral/reassigned.h"
#include "spectral/spectrogram_image.h"
#include "spectral/spectrogram.h"
#include "spectral/spectrogram_params.h"

namespace {

constexpr double kFs = 16000.0;

// One two-pole resonator per formant, frequencies and bandwidths in Hz.
struct Resonator {
  double y1 = 0, y2 = 0;
  double step(double x, double f, double bw) {
    const double r = std::exp(-std::numbers::pi * bw / kFs);
    const double c = 2 * r * std::cos(2 * std::numbers::pi * f / kFs);
    const double y = (1 - r) * x + c * y1 - r * r * y2;
    y2 = y1;
    y1 = y;
    return y;
  }
};

const std::vector<std::int16_t>& speechLike() {
  static const std::vector<std::int16_t> signal = [] {
    const int n = static_cast<int>(60 * kFs);
    std::vector<std::int16_t> x(static_cast<std::size_t>(n));
    std::mt19937 gen(17);
    std::normal_distribution<double> noise(0.0, 1.0);
    Resonator f1, f2, f3;
    double phase = 0;
    for (int i = 0; i < n; ++i) {
      const double t = i / kFs;
      const bool voiced = std::fmod(t, 0.5) < 0.4;
      const double f0 = 120 + 40 * std::sin(2 * std::numbers::pi * 0.7 * t);
      phase += f0 / kFs;
      double src = 0;
      if (voiced && phase >= 1.0) src = 3000.0;
      if (phase >= 1.0) phase -= 1.0;
      if (!voiced) src = 300.0 * noise(gen);
      const double a = 500 + 200 * std::sin(2 * std::numbers::pi * 1.3 * t);
      const double b = 1500 + 500 * std::sin(2 * std::numbers::pi * 0.9 * t);
      double y = f1.step(src, a, 80);
      y += 0.5 * f2.step(src, b, 120);
      y += 0.3 * f3.step(src, 2500, 200);
      x[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::clamp(y * 20.0, -32000.0, 32000.0));
    }
    return x;
  }();
  return signal;
}

void columnsOfKind(benchmark::State& state, int kind) {
  const auto& s = speechLike();
  const ardv::SampleSpan x{s.data(), static_cast<std::int64_t>(s.size()), 0};
  ardv::SpectroSettings settings;
  ardv::CurrentSpectro spec;
  ardv::spectro_GetParams(settings, kind, kFs, spec);
  ardv::SpectroWork work;
  if (!ardv::prepareSpectroWork(spec, work)) {
    state.SkipWithError("cannot prepare the kind");
    return;
  }
  std::vector<float> column;
  const std::int64_t hop = 37;  // frames over the whole minute
  std::int64_t centre = spec.fen_fft;
  const std::int64_t end = x.count - spec.fen_fft - 2;
  for (auto _ : state) {
    if (!ardv::spectroColumn(spec, work, x, centre, column)) {
      state.SkipWithError("column failed");
      break;
    }
    benchmark::DoNotOptimize(column.data());
    centre += hop;
    if (centre >= end) centre = spec.fen_fft;
  }
  state.counters["columns_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                       benchmark::Counter::kIsRate);
}

void BM_WideBand(benchmark::State& state) { columnsOfKind(state, 1); }
void BM_NarrowBand(benchmark::State& state) { columnsOfKind(state, 2); }
void BM_LinearPrediction(benchmark::State& state) { columnsOfKind(state, 4); }
void BM_CepstralSmoothing(benchmark::State& state) { columnsOfKind(state, 5); }
void BM_CriticalBands(benchmark::State& state) { columnsOfKind(state, 6); }
BENCHMARK(BM_WideBand);
BENCHMARK(BM_NarrowBand);
BENCHMARK(BM_LinearPrediction);
BENCHMARK(BM_CepstralSmoothing);
BENCHMARK(BM_CriticalBands);

// The reassigned kind computes whole images: frames per second over 1024
// frames of the minute (its default 32 ms window and 1024 points).
void BM_Reassigned(benchmark::State& state) {
  const auto& s = speechLike();
  const ardv::SampleSpan x{s.data(), static_cast<std::int64_t>(s.size()), 0};
  ardv::SpectroSettings settings;
  ardv::CurrentSpectro spec;
  ardv::spectro_GetParams(settings, 3, kFs, spec);
  const int frames = 1024;
  const double hop = static_cast<double>(x.count - spec.fen_fft) / frames;
  ardv::ReassignedImage image;
  for (auto _ : state) {
    ardv::fft_zoom_no(x, spec.fen_fft / 2.0, hop, frames, spec.fen_fft, spec.fftSize, image);
    benchmark::DoNotOptimize(image.db.data());
  }
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * frames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Reassigned)->Unit(benchmark::kMillisecond);

// The image of the whole minute at a 2 ms step (30000 frames x 256 pixels)
// on range(1) threads: the command line's work without reading and writing.
void BM_Image(benchmark::State& state) {
  const auto& s = speechLike();
  const ardv::SampleSpan x{s.data(), static_cast<std::int64_t>(s.size()), 0};
  ardv::SpectroSettings settings;
  settings.fmaxHz = kFs / 2;
  ardv::CurrentSpectro spec;
  ardv::spectro_GetParams(settings, static_cast<int>(state.range(0)), kFs, spec);
  ardv::setWorkerThreads(static_cast<int>(state.range(1)));
  ardv::LevelImage image;
  for (auto _ : state) {
    if (!ardv::renderSpectrogramImage(spec, x, 0, x.count - 1, 30000, 256, image)) {
      state.SkipWithError("image failed");
      break;
    }
    benchmark::DoNotOptimize(image.levels.data());
  }
  ardv::setWorkerThreads(0);
}
BENCHMARK(BM_Image)
    ->ArgsProduct({{1, 2, 3, 4, 5, 6}, {1, 2}})
    ->ArgNames({"kind", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
