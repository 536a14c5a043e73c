// Remakes the per-condition F0 table: GPE and VDE of the detector on the
// noisy known-F0 set by condition and voice class, and on the clean set.
//   known_f0_eval [--speaker any|female|male] [--wav DIR] [--tracks FILE]
//                 [--other DIR] [--voicing-threshold X]
// --wav writes every noisy file as WAV with its true F0 per frame (NAME.truth:
// frame centre in s, Hz, 0 unvoiced, -1 not counted), --tracks writes
// every track (to compare two builds frame by frame), --other scores another
// tracker's NAME.praat files in DIR (one F0 per line of NAME.truth, 0
// unvoiced; known_f0_praat.praat makes them) instead of this detector.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/headless/recording_reporter.h"
#include "prosody/pitch_martin.h"
#include "tests/prosody/known_f0_signals.h"

using namespace ardv;

int main(int argc, char** argv) {
  int speaker = -1;
  std::string wavDir, tracksPath, otherDir;
  for (int k = 1; k + 1 < argc; k += 2) {
    const char* v = argv[k + 1];
    if (!std::strcmp(argv[k], "--speaker")) speaker = !std::strcmp(v, "female") ? 0 : !std::strcmp(v, "male") ? 1 : -1;
    else if (!std::strcmp(argv[k], "--wav")) wavDir = argv[k + 1];
    else if (!std::strcmp(argv[k], "--tracks")) tracksPath = argv[k + 1];
    else if (!std::strcmp(argv[k], "--other")) otherDir = argv[k + 1];
    else if (!std::strcmp(argv[k], "--voicing-threshold")) voicingThreshold() = std::strtof(v, nullptr);
  }
  RecordingReporter quiet;
  setReportHandler(&quiet);
  std::string tracks;
  auto run = [&](const test::KnownF0Signal& s) {
    PitchTrack track;
    calcPitchMartin(s.samples.data(), static_cast<std::int64_t>(s.samples.size()), 0, s.fs, speakerF0Params(speaker),
                    PitchOptions{true, false}, track);
    if (!tracksPath.empty()) {
      tracks += s.name;
      for (int v : track.pitchCorrige) tracks += ' ' + std::to_string(v);
      tracks += '\n';
    }
    return test::scoreF0(s, track.pitchCorrige);
  };

  test::F0Score clean;
  for (const auto& s : test::knownF0Set()) clean.add(run(s));
  std::printf("clean known-F0 set: GPE %.2f %%  VDE %.2f %%\n\n", clean.gpe(), clean.vde());

  const char* classes[] = {"male", "female", "child"};
  std::map<std::string, std::map<std::string, test::F0Score>> table;
  for (const auto& n : test::noisyF0Set()) {
    if (!wavDir.empty()) {
      const auto base = std::filesystem::path(wavDir) / n.signal.name;
      test::writeWav(base.string() + ".wav", n.signal.samples, n.signal.fs);
      std::ostringstream truth;  // frame centre (s) and true F0
      const double S = static_cast<int>(n.signal.fs * 0.008), L = static_cast<int>(n.signal.fs * 0.032);
      for (std::size_t k = 0; k < n.signal.truth.size(); ++k)
        truth << (static_cast<double>(k) * S + static_cast<int>(L) / 2) / n.signal.fs << ' ' << n.signal.truth[k] << '\n';
      if (!test::writeFileSafely(base.string() + ".truth", truth.str()))
        std::fprintf(stderr, "cannot write %s.truth\n", base.string().c_str());
    }
    test::F0Score sc;
    if (otherDir.empty()) {
      sc = run(n.signal);
    } else {
      std::ifstream in(std::filesystem::path(otherDir) / (n.signal.name + ".praat"));
      std::vector<int> track;
      for (double hz; in >> hz;) track.push_back(static_cast<int>(hz + 0.5));
      sc = test::scoreF0(n.signal, track);
    }
    table[n.condition][test::voiceClassName(n.voice)].add(sc);
    table[n.condition]["all"].add(sc);
  }
  std::printf("| condition | male GPE / VDE | female GPE / VDE | child GPE / VDE | all GPE / VDE |\n");
  std::printf("|---|---|---|---|---|\n");
  for (const std::string& c : test::noisyConditions()) {
    std::printf("| %s", c.c_str());
    for (const char* v : classes) std::printf(" | %.1f / %.1f", table[c][v].gpe(), table[c][v].vde());
    std::printf(" | %.1f / %.1f |\n", table[c]["all"].gpe(), table[c]["all"].vde());
  }
  setReportHandler(nullptr);
  if (!tracksPath.empty() && !test::writeFileSafely(tracksPath, tracks)) {
    std::fprintf(stderr, "cannot write %s\n", tracksPath.c_str());
    return 1;
  }
  return 0;
}
