// Our Klatt synthesizer on 10 minutes of 5-ms frames at 16 kHz (120,000
// records of a vowel-fricative-nasal cycle), on one core: the library alone
// for each source, and the whole program path (56-column file read, raw file
// written). The target is under 1.5 s, 400 times real time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "klatt/klatt_records.h"
#include "signal/replacing_file.h"
#include "tools/klatt/klatt_command.h"

namespace {

constexpr int kFrames = 10 * 60 * 200;

// A cycle of 1.5 s: vowel glides, a fricative with the parallel branch and
// bypass, a nasal with its pole/zero pair.
ardv::KlattRecord recordAt(int i) {
  using namespace ardv;
  KlattRecord r = initialKlattDefaults();
  const int phase = i % 300;
  r[kDate] = 5 * i;
  r[kF0hz10] = 100 + phase / 6;
  r[kF1hz] = 300 + phase, r[kF2hz] = 900 + 3 * phase, r[kF3hz] = 2400, r[kF4hz] = 3500, r[kF5hz] = 4500;
  r[kF6hz] = 4900;
  if (phase >= 100 && phase < 150) {
    r[kAVdb] = 0, r[kAF] = 60, r[kA4] = 40, r[kA5] = 52, r[kA6] = 56, r[kAB] = 40;
  }
  if (phase >= 200 && phase < 250) r[kFNPhz] = 270, r[kFNZhz] = 450;
  return r;
}

void BM_SynthesizeTenMinutes(benchmark::State& state) {
  ardv::klatt::SynthOptions o;
  o.source = state.range(0) == 0 ? ardv::klatt::Source::klatt : ardv::klatt::Source::liljencrantsFant;
  std::vector<ardv::KlattRecord> records;
  for (int i = 0; i < kFrames; ++i) records.push_back(recordAt(i));
  std::vector<std::int16_t> out;
  for (auto _ : state) {
    ardv::klatt::Synthesizer synth(o);
    out.clear();
    for (const auto& r : records) synth.frame(r, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["x real time"] = benchmark::Counter(600.0 * static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SynthesizeTenMinutes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ProgramPathTenMinutes(benchmark::State& state) {
  const auto dir = std::filesystem::temp_directory_path() / "ardv-klatt-bench";
  std::filesystem::create_directories(dir);
  const auto params = dir / "ten-minutes.kle";
  {
    std::string text = ".kle\n";
    for (int i = 0; i < kFrames; ++i) ardv::appendKlattRecord(text, recordAt(i), ardv::kKlattParams);
    ardv::ReplacingFile f(params);
    if (!f.open() || !f.write(text) || !f.commit()) state.SkipWithError("cannot write the parameter file");
  }
  for (auto _ : state) {
    ardv::ReplacingFile raw(dir / "synthe.raw");
    std::string error;
    const bool ok = raw.open() &&
                    ardv::klatt::synthesizeFile(params, {}, [&](std::span<const std::int16_t> s) {
                      return raw.write(s.data(), s.size() * 2);
                    }, error) == kFrames && raw.commit();
    if (!ok) state.SkipWithError(error.c_str());
  }
}
BENCHMARK(BM_ProgramPathTenMinutes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
