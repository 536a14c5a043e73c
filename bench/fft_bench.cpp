// realFft against FFTW's single-precision real-to-complex transform at
// N = 256..4096; the "ratio" counter of the realFft rows is its time over
// FFTW's at the same N, on each kernel path the processor has (0 generic,
// 1 AVX2, 2 AVX-512; the widest is the one in use).
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "spectral/fft.h"
#include "spectral/fft_kernel.h"

namespace {

std::vector<float> testSignal(int n) {
  std::mt19937 gen(5);
  std::uniform_real_distribution<float> dist(-1000.0f, 1000.0f);
  std::vector<float> x(static_cast<std::size_t>(n) + 2);
  for (int i = 0; i < n; ++i) x[i] = dist(gen);
  return x;
}

double threadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// Processor seconds per transform (best of several trials, so that other
// loads on the machine disturb the ratio as little as possible).
template <class F>
double secondsPerCall(F f) {
  double best = 1e9;
  for (int trial = 0; trial < 7; ++trial) {
    const int reps = 5000;
    const double t0 = threadSeconds();
    for (int r = 0; r < reps; ++r) f();
    best = std::min(best, (threadSeconds() - t0) / reps);
  }
  return best;
}

struct Fftw {
  float* in;
  fftwf_complex* out;
  fftwf_plan plan;
  explicit Fftw(int n) {
    in = fftwf_alloc_real(static_cast<std::size_t>(n));
    out = fftwf_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE);
    const auto x = testSignal(n);
    for (int i = 0; i < n; ++i) in[i] = x[i];
  }
  ~Fftw() {
    fftwf_destroy_plan(plan);
    fftwf_free(in);
    fftwf_free(out);
  }
};

void BM_RealFft(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int path = static_cast<int>(state.range(1));
  if (path >= ardv::fftkernel::kernelPathCount()) {
    state.SkipWithError("no such kernel path on this processor");
    return;
  }
  ardv::fftkernel::setKernelPath(path);
  auto x = testSignal(n);
  const auto original = x;
  for (auto _ : state) {
    ardv::realFft(x.data(), n);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  // The ratio to FFTW in the same run, both timed the same way.
  Fftw w(n);
  auto y = original;
  const double ours = secondsPerCall([&] {
    ardv::realFft(y.data(), n);
    benchmark::DoNotOptimize(y.data());
  });
  const double theirs = secondsPerCall([&] {
    fftwf_execute(w.plan);
    benchmark::DoNotOptimize(w.out);
  });
  state.counters["ratio"] = ours / theirs;
  state.counters["fftw_ns"] = theirs * 1e9;
  state.counters["ours_ns"] = ours * 1e9;
  ardv::fftkernel::setKernelPath(-1);
}
BENCHMARK(BM_RealFft)->ArgsProduct({{256, 512, 1024, 2048, 4096}, {2, 1, 0}})->ArgNames({"n", "path"});

void BM_FftwR2c(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Fftw w(n);
  for (auto _ : state) {
    fftwf_execute(w.plan);
    benchmark::DoNotOptimize(w.out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FftwR2c)->RangeMultiplier(2)->Range(256, 4096);

void BM_ComplexForwardDouble(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto a = testSignal(n);
  std::vector<double> re(a.begin(), a.begin() + n), im(re.rbegin(), re.rend());
  for (auto _ : state) {
    ardv::fftComplexForward(n, re.data(), im.data());
    benchmark::DoNotOptimize(re.data());
  }
}
BENCHMARK(BM_ComplexForwardDouble)->RangeMultiplier(2)->Range(256, 4096);

}  // namespace

BENCHMARK_MAIN();
