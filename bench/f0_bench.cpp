// Whole-file F0 (chunked, into a pitch file) on 1 and 10 minutes of a
// synthetic speech-like signal at 16 kHz: 8-ms frames per second on 1 and 2
// threads (wall time), and the peak resident memory of `ardv-cli f0` on each
// file.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/headless/recording_reporter.h"
#include "platform/thread_pool.h"
#include "prosody/pitch_file.h"
#include "signal/infofile_io.h"
#include "tests/prosody/known_f0_signals.h"
#include "texts/texts.h"

extern char** environ;

namespace {

constexpr double kFs = 16000.0;

std::filesystem::path benchDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / "ardv-f0-bench";
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// A WAV file of `minutes` minutes made of one-minute speech-like pieces.
std::filesystem::path speechFile(int minutes) {
  const auto path = benchDir() / ("speech" + std::to_string(minutes) + ".wav");
  if (std::filesystem::exists(path)) return path;
  std::vector<std::int16_t> all;
  for (int m = 0; m < minutes; ++m) {
    const auto piece = ardv::test::speechLike(kFs, 60.0, 100 + static_cast<unsigned>(m));
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

// Peak resident memory in kB of `ardv-cli f0 FILE -o OUT`, run on its own
// under /usr/bin/time (a child's maxrss seen from here would include the
// memory of this process, inherited at the fork); -1 without /usr/bin/time.
long cliPeakKb(const std::filesystem::path& wav) {
  const std::string out = (benchDir() / "cli.pit").string();
  const std::string report = (benchDir() / "cli.rss").string();
  const std::string file = wav.string();
  const char* argv[] = {"/usr/bin/time", "-f", "%M", "-o", report.c_str(), ARDV_CLI_PATH, "f0", file.c_str(), "-o",
                        out.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/usr/bin/time", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  long kb = -1;
  std::ifstream(report) >> kb;
  return kb;
}

void BM_F0WholeFile(benchmark::State& state) {
  static ardv::RecordingReporter quiet;
  ardv::setReportHandler(&quiet);
  const int minutes = static_cast<int>(state.range(0));
  ardv::setWorkerThreads(static_cast<int>(state.range(1)));
  const auto wav = speechFile(minutes);
  const ardv::infoFile info = describe(wav);
  const auto out = benchDir() / "bench.pit";
  for (auto _ : state) {
    if (!ardv::pitchFileFromSignal(info, out, ardv::speakerF0Params(-1), ardv::PitchOptions{true, false}))
      state.SkipWithError("analysis failed");
  }
  const double frames = static_cast<double>(info.sampleCount()) / (kFs * 0.008);
  state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["cli_peak_kB"] = static_cast<double>(cliPeakKb(wav));
  ardv::setReportHandler(nullptr);
  ardv::setWorkerThreads(0);
}
// Minutes, threads (chunks analysed in parallel).
BENCHMARK(BM_F0WholeFile)
    ->ArgsProduct({{1, 10}, {1, 2}})
    ->ArgNames({"minutes", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
