// The measurement panel's work for a new 1-s selection: StretchMeasurer on a
// 10-minute file and on a minute (the stretch analysed each time, the
// formant tracker 2 s before it; each analysis of the 10 minutes alone too),
// and on 5 s (the whole file analysed at the first selection, a summary of
// the kept frames after). 16 kHz synthetic vowels.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "measurement/measurement_text.h"
#include "signal/wav_layout.h"
#include "signal/wavfile.h"
#include "tests/formants/vowel_synth.h"

namespace {

using namespace ardv;

// A WAV file of `seconds` of vowels in the temporary directory, described.
const infoFile& vowelFile(int seconds) {
  static std::vector<std::pair<int, infoFile>> files;
  for (const auto& [s, info] : files)
    if (s == seconds) return info;
  test::VowelSpec v{.f0 = 150, .seconds = 10.0, .startHz = {300, 2200, 2900}, .endHz = {750, 1100, 2500}};
  const std::vector<std::int16_t> ten = test::synthVowel(v);
  std::vector<std::int16_t> x;
  for (int k = 0; k < seconds; k += 10) x.insert(x.end(), ten.begin(), ten.end());
  x.resize(static_cast<std::size_t>(seconds) * 16000);
  const auto path = std::filesystem::temp_directory_path() / ("ardv-measure-bench-" + std::to_string(seconds) + ".wav");
  infoFile info;
  info.nom = path.string();
  if (!writeWavFile(path, x, 16000, {}, {}) || !init_infoFile_read_WAV(info)) std::abort();
  files.emplace_back(seconds, info);
  return files.back().second;
}

// 1-s stretches at positions spread over the file.
void measureSeconds(benchmark::State& state, int seconds, MeasureWhat what, bool fresh) {
  const infoFile& file = vowelFile(seconds);
  MeasureSettings settings;
  settings.what = what;
  StretchMeasurer measurer;
  std::int64_t step = 0;
  for (auto _ : state) {
    if (fresh) measurer.clear();
    const std::int64_t first = (step++ * 123457) % (file.sampleCount() - 16000);
    Measurement m;
    if (!measurer.measure(file, first, first + 16000, settings, m)) state.SkipWithError("analysis failed");
    benchmark::DoNotOptimize(m);
  }
}

void PanelTenMinutes(benchmark::State& state) { measureSeconds(state, 600, {}, false); }
void PanelTenMinutesF0(benchmark::State& state) { measureSeconds(state, 600, {true, false, false}, false); }
void PanelTenMinutesFormants(benchmark::State& state) { measureSeconds(state, 600, {false, true, false}, false); }
void PanelTenMinutesIntensity(benchmark::State& state) { measureSeconds(state, 600, {false, false, true}, false); }
void PanelMinute(benchmark::State& state) { measureSeconds(state, 60, {}, false); }
void PanelFiveSecondsFirst(benchmark::State& state) { measureSeconds(state, 5, {}, true); }
void PanelFiveSecondsNext(benchmark::State& state) { measureSeconds(state, 5, {}, false); }
BENCHMARK(PanelTenMinutes)->Unit(benchmark::kMillisecond);
BENCHMARK(PanelTenMinutesF0)->Unit(benchmark::kMillisecond);
BENCHMARK(PanelTenMinutesFormants)->Unit(benchmark::kMillisecond);
BENCHMARK(PanelTenMinutesIntensity)->Unit(benchmark::kMillisecond);
BENCHMARK(PanelMinute)->Unit(benchmark::kMillisecond);
BENCHMARK(PanelFiveSecondsFirst)->Unit(benchmark::kMillisecond);
BENCHMARK(PanelFiveSecondsNext)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
