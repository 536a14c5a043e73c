// Reading and writing a 10-minute 56-column Klatt parameter file (4 ms
// frames, 150,000 frames, every formant and F0 present, pieces broken every
// 500 ms): open into the formant window's groups, and write them back.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "klatt/klatt_records.h"
#include "klatt/klatt_tracks.h"

namespace {

constexpr int kFrames = 150'000;
constexpr int kStepMs = 4;

const std::filesystem::path& benchFile() {
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("ardv-tracks-bench-" + std::to_string(::getpid()) + ".kle");
  static bool made = false;
  if (!made) {
    std::string text = ".kle\n";
    for (int k = 0; k < kFrames; ++k) {
      ardv::KlattRecord r = ardv::initialKlattDefaults();
      r[ardv::kDate] = k * kStepMs;
      const bool pause = k % 125 == 0;  // a frame of silence every 500 ms
      r[ardv::kF0hz10] = 100 + k % 37;
      for (int f = 0; f < 6 && !pause; ++f) {
        r[ardv::kF1hz + 2 * f] = 500 + 1000 * f + k % 50;
        r[ardv::kA1 + 2 * f] = 60 - 5 * f;
      }
      r[ardv::kAF] = k % 250 < 20 ? 40 : 0;
      ardv::appendKlattRecord(text, r, 56);
    }
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
    made = true;
  }
  return path;
}

void readFile(benchmark::State& state) {
  const auto& path = benchFile();
  for (auto _ : state) {
    ardv::KlattTracks tracks;
    benchmark::DoNotOptimize(tracks.open(path, std::nullopt));
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}

void writeFile(benchmark::State& state) {
  ardv::KlattTracks tracks;
  tracks.open(benchFile(), std::nullopt);
  const auto out = benchFile().string() + ".out";
  for (auto _ : state) benchmark::DoNotOptimize(tracks.write(out, 56, 0, kFrames * kStepMs));
  std::filesystem::remove(out);
  state.SetItemsProcessed(state.iterations() * kFrames);
}

}  // namespace

BENCHMARK(readFile)->Unit(benchmark::kMillisecond);
BENCHMARK(writeFile)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::filesystem::remove(benchFile());
  return 0;
}
