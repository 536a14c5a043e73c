// Copy synthesis of a 10-s utterance at 16 kHz made by our synthesizer from
// known tracks: the window's path (parameter files written, the `klatt`
// program run for the excitation, the fit, the result read back, then the
// program run again for the complete synthesis), and the whole command
// `ardv-cli copy-synth` (F0, formant tracks, fit, synthesized speech).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>

#include "copysynth/copy_synthesis_run.h"
#include "klatt/klatt_invocation.h"
#include "platform/headless/recording_reporter.h"
#include "tests/formants/known_utterance.h"

extern char** environ;

namespace {

constexpr double kFs = 16000.0;

std::filesystem::path benchDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / "ardv-copy-synth-bench";
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

const ardv::test::KnownUtterance& utterance() {
  static const ardv::test::KnownUtterance u = ardv::test::knownUtterance(10.0, kFs, ardv::test::KnownVoice::Male);
  return u;
}

void BM_CopySynthesisOfTracks(benchmark::State& state) {
  static ardv::RecordingReporter quiet;
  ardv::setReportHandler(&quiet);
  const auto& u = utterance();
  std::vector<ardv::KlattRecord> records = u.records;
  for (auto& r : records) {
    r[ardv::kAVpdb] = r[ardv::kAVdb];
    r[ardv::kAVdb] = 0;
  }
  ardv::KlattSynthesisSettings settings = ardv::initialKlattSettings(true, kFs, 4);
  const int rate = ardv::klattCommandRate(settings, true, kFs);
  const auto excitation = ardv::klattExcitationSynthesizer(ARDV_KLATT_PATH, settings, rate);
  const ardv::CopySynthesisInput input{u.samples, kFs, true, ardv::initialKlattDefaults()};
  const auto params = benchDir() / "copy.kle";
  for (auto _ : state) {
    std::vector<ardv::KlattRecord> result;
    if (ardv::copySynthesizeRecords(records, records, input, excitation, benchDir(), result) <= 0 ||
        !ardv::writeKlattRecords(params, result) ||
        !ardv::runKlattSynthesis(ARDV_KLATT_PATH, params, benchDir() / "copy.raw", benchDir() / "copy.wav", settings,
                                 rate))
      state.SkipWithError("copy synthesis failed");
  }
  ardv::setReportHandler(nullptr);
}
BENCHMARK(BM_CopySynthesisOfTracks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_CopySynthCommand(benchmark::State& state) {
  const auto wav = benchDir() / "utterance.wav";
  {
    ardv::SynthesizedWav out(wav, static_cast<int>(kFs));
    if (!out.open() || !out.add(utterance().samples) || !out.finish()) state.SkipWithError("cannot write the input");
  }
  const std::string in = wav.string(), kle = (benchDir() / "cli.kle").string(),
                    synth = (benchDir() / "cli.wav").string();
  const char* argv[] = {ARDV_CLI_PATH, "copy-synth", in.c_str(), "-o", kle.c_str(), "--synth", synth.c_str(), nullptr};
  for (auto _ : state) {
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, ARDV_CLI_PATH, nullptr, nullptr, const_cast<char**>(argv), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      state.SkipWithError("ardv-cli copy-synth failed");
  }
}
BENCHMARK(BM_CopySynthCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
