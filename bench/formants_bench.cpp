// Formant tracking speed: McCandless frames per second on one core, the snake
// (512 × 256 image, 6 contours, 60 iterations) per run, and `ardv-cli
// formants` on a 60 s file (wall time; automatic ceiling, snake, 5000 Hz), on
// synthetic vowels at 16 kHz. bench/formants_vs_praat.sh compares with Praat.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "formants/mccandless.h"
#include "formants/snake.h"
#include "signal/replacing_file.h"
#include "tests/formants/vowel_synth.h"

namespace {

using namespace ardv;

const std::vector<std::int16_t>& vowels(double seconds) {
  static std::vector<std::int16_t> x;
  if (x.size() != static_cast<std::size_t>(seconds * 16000)) {
    test::VowelSpec s;
    s.seconds = seconds;
    s.f0 = 180;
    s.startHz[0] = 300, s.startHz[1] = 2200, s.startHz[2] = 2900;
    s.endHz[0] = 750, s.endHz[1] = 1100, s.endHz[2] = 2500;
    x = test::synthVowel(s);
  }
  return x;
}

void McCandlessFrames(benchmark::State& state) {
  const auto& x = vowels(60.0);
  McCandlessState st;
  McCandlessFrame f;
  std::int64_t p = 0;
  for (auto _ : state) {
    if (p + 300 > static_cast<std::int64_t>(x.size())) p = 0;
    mcCandlessFrame(x, p, 16000, 18, st, f);
    benchmark::DoNotOptimize(f);
    p += kMcCandlessHop;
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(McCandlessFrames);

void SnakeRun(benchmark::State& state) {
  const auto& x = vowels(60.0);
  SupportImage image;
  computeSupportImage(x, 0, 32767, 16000, SupportMethod::Cepstral, FormantOptions{}, image);
  std::vector<Contour> initial(kSnakeFormants);
  for (int k = 0; k < kSnakeFormants; ++k)
    for (int c = 0; c < kSnakeColumns; ++c) initial[static_cast<std::size_t>(k)].push_back({double(c), 16.0 + 24.0 * k});
  for (auto _ : state) {
    std::vector<Contour> contours = initial;
    runSnakes(image, contours, SnakeParams{});
    benchmark::DoNotOptimize(contours);
  }
}
BENCHMARK(SnakeRun)->Unit(benchmark::kMillisecond);

void SnakeWithImage(benchmark::State& state) {
  const auto& x = vowels(60.0);
  for (auto _ : state) {
    std::vector<std::vector<SnakeTrackPoint>> tracks;
    trackSnakes(x, 0, 32767, 16000, FormantOptions{}, SnakeParams{}, SupportMethod::Cepstral, InitialCurves::LpcRoots,
                tracks);
    benchmark::DoNotOptimize(tracks);
  }
}
BENCHMARK(SnakeWithImage)->Unit(benchmark::kMillisecond);

// A 16-bit mono WAV file of the samples.
void writeWav(const std::filesystem::path& path, const std::vector<std::int16_t>& x) {
  ReplacingFile f(path);
  if (!f.open()) return;
  auto u32 = [&](std::uint32_t v) { f.write(&v, 4); };
  auto u16 = [&](std::uint16_t v) { f.write(&v, 2); };
  const auto bytes = static_cast<std::uint32_t>(x.size() * 2);
  f.write("RIFF");
  u32(36 + bytes);
  f.write("WAVEfmt ");
  u32(16);
  u16(1);
  u16(1);
  u32(16000);
  u32(32000);
  u16(2);
  u16(16);
  f.write("data");
  u32(bytes);
  f.write(x.data(), bytes);
  f.commit();
}

void CliFormants60s(benchmark::State& state) {
  const auto dir = std::filesystem::temp_directory_path() / "ardv-formants-bench";
  std::filesystem::create_directories(dir);
  const auto wav = dir / "minute.wav";
  writeWav(wav, vowels(60.0));
  // 0: McCandless at the automatic ceiling, 1: snake, 2: McCandless at the design's 5000 Hz.
  const std::string method = state.range(0) == 1 ? "snake" : "mccandless";
  const std::string ceiling = state.range(0) == 2 ? " --ceiling 5000" : "";
  const std::string cmd = std::string(ARDV_CLI_PATH) + " formants " + wav.string() + " --method " + method + ceiling +
                          " -o " + (dir / "minute.tsv").string() + " 2>/dev/null";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("ardv-cli formants failed");
  std::filesystem::remove_all(dir);
}
BENCHMARK(CliFormants60s)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
