// Energy of a whole 10-minute 16-kHz file (16-ms frames every 3.2 ms, into a
// text file), on one core.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "platform/headless/recording_reporter.h"
#include "prosody/energy_file.h"
#include "signal/infofile_io.h"
#include "tests/prosody/known_f0_signals.h"

namespace {

constexpr double kFs = 16000.0;

void BM_EnergyWholeFile(benchmark::State& state) {
  static ardv::RecordingReporter quiet;
  ardv::setReportHandler(&quiet);
  const auto dir = std::filesystem::temp_directory_path() / "ardv-energy-bench";
  std::filesystem::create_directories(dir);
  const auto wav = dir / "speech10.wav";
  if (!std::filesystem::exists(wav)) {
    std::vector<std::int16_t> all;
    for (int m = 0; m < 10; ++m) {
      const auto piece = ardv::test::speechLike(kFs, 60.0, 200 + static_cast<unsigned>(m));
      all.insert(all.end(), piece.samples.begin(), piece.samples.end());
    }
    ardv::test::writeWav(wav, all, kFs);
  }
  ardv::infoFile info;
  info.nom = wav.string();
  ardv::init_infoFile_read(info);
  for (auto _ : state) {
    ardv::EnergyParams p;
    if (!ardv::energyForFile(info, dir / "energy.txt", p)) state.SkipWithError("energy failed");
  }
  ardv::setReportHandler(nullptr);
}
BENCHMARK(BM_EnergyWholeFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
