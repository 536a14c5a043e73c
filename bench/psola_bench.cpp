// Prosody modification of 10 minutes of a speech-like signal at 16 kHz:
// pitch marks (times real time), PSOLA with its F0 analysis, the phase
// vocoder, and the peak resident memory of `ardv-cli modify` at alpha = 3.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/headless/recording_reporter.h"
#include "prosody/phase_vocoder.h"
#include "prosody/pitch_marks.h"
#include "prosody/psola.h"
#include "signal/infofile_io.h"
#include "tests/prosody/known_f0_signals.h"

extern char** environ;

namespace {

constexpr double kFs = 16000.0;
constexpr int kMinutes = 10;

std::filesystem::path benchDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / "ardv-psola-bench";
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

std::filesystem::path speechFile() {
  const auto path = benchDir() / "speech10.wav";
  if (std::filesystem::exists(path)) return path;
  std::vector<std::int16_t> all;
  for (int m = 0; m < kMinutes; ++m) {
    const auto piece = ardv::test::speechLike(kFs, 60.0, 200 + static_cast<unsigned>(m));
    all.insert(all.end(), piece.samples.begin(), piece.samples.end());
  }
  ardv::test::writeWav(path, all, kFs);
  return path;
}

ardv::infoFile describe(const std::filesystem::path& path) {
  ardv::infoFile info;
  info.nom = path.string();
  ardv::init_infoFile_read(info);
  return info;
}

// Peak resident memory in kB of `ardv-cli modify FILE OUT --time 3 ...`
// run on its own under /usr/bin/time; -1 when it cannot be measured.
long cliPeakKb(const std::filesystem::path& wav, const char* method) {
  const std::string out = (benchDir() / "out.wav").string(), report = (benchDir() / "cli.rss").string();
  const std::string file = wav.string();
  const char* argv[] = {"/usr/bin/time", "-f", "%M", "-o", report.c_str(), ARDV_CLI_PATH, "modify", file.c_str(),
                        out.c_str(), "--time", "3", "--f0", "1", "--method", method, nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/usr/bin/time", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  long kb = -1;
  std::ifstream(report) >> kb;
  return kb;
}

const ardv::SampleSink discard = [](const std::int16_t*, std::size_t) { return true; };

void BM_PitchMarks(benchmark::State& state) {
  static ardv::RecordingReporter quiet;
  ardv::setReportHandler(&quiet);
  const ardv::infoFile info = describe(speechFile());
  ardv::MarkList marks;
  std::vector<int> f0;
  for (auto _ : state)
    if (!ardv::marksOfSignal(ardv::signalFileReader(info), info.sampleCount(), kFs, ardv::speakerF0Params(-1), marks, f0))
      state.SkipWithError("marking failed");
  state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(info.sampleCount()) / kFs,
                                                     benchmark::Counter::kIsIterationInvariantRate);
  state.counters["marks"] = static_cast<double>(marks.size());
  ardv::setReportHandler(nullptr);
}
BENCHMARK(BM_PitchMarks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_Psola(benchmark::State& state) {
  static ardv::RecordingReporter quiet;
  ardv::setReportHandler(&quiet);
  const ardv::infoFile info = describe(speechFile());
  ardv::ModifyOptions o;
  o.alpha = static_cast<double>(state.range(0)) / 10.0;
  o.beta = 1.0 / (static_cast<double>(state.range(1)) / 10.0);
  for (auto _ : state)
    if (!ardv::CMPitchScaleMod(ardv::signalFileReader(info), info.sampleCount(), kFs, o, discard))
      state.SkipWithError("PSOLA failed");
  state.counters["cli_peak_kB_alpha3"] = static_cast<double>(cliPeakKb(speechFile(), "psola"));
  ardv::setReportHandler(nullptr);
}
BENCHMARK(BM_Psola)->Args({15, 10})->Args({10, 13})->Args({30, 10})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_Vocoder(benchmark::State& state) {
  const ardv::infoFile info = describe(speechFile());
  for (auto _ : state)
    if (!ardv::phaseVocoder(ardv::signalFileReader(info), info.sampleCount(), kFs, 1.5, state.range(0) != 0, discard))
      state.SkipWithError("vocoder failed");
  state.counters["cli_peak_kB_alpha3"] = static_cast<double>(cliPeakKb(speechFile(), "vocoder"));
}
BENCHMARK(BM_Vocoder)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
