// Remakes the per-condition F0 table: GPE and VDE of the detector on the
// noisy known-F0 set by condition and voice class, and on the clean set.
//   known_f0_eval [--speaker any|female|male] [--wav DIR] [--tracks FILE]
// --wav writes every noisy file as WAV (for other trackers), --tracks writes
// every track (to compare two builds frame by frame).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/headless/recording_reporter.h"
#include "prosody/pitch_martin.h"
#include "tests/prosody/known_f0_signals.h"

using namespace ardv;

int main(int argc, char** argv) {
  int speaker = -1;
  std::string wavDir, tracksPath;
  for (int k = 1; k + 1 < argc; k += 2) {
    if (!std::strcmp(argv[k], "--speaker")) speaker = !std::strcmp(argv[k + 1], "female") ? 0 : !std::strcmp(argv[k + 1], "male") ? 1 : -1;
    else if (!std::strcmp(argv[k], "--wav")) wavDir = argv[k + 1];
    else if (!std::strcmp(argv[k], "--tracks")) tracksPath = argv[k + 1];
  }
  RecordingReporter quiet;
  setReportHandler(&quiet);
  std::ofstream tracks;
  if (!tracksPath.empty()) tracks.open(tracksPath);
  auto run = [&](const test::KnownF0Signal& s) {
    PitchTrack track;
    calcPitchMartin(s.samples.data(), static_cast<std::int64_t>(s.samples.size()), 0, s.fs, speakerF0Params(speaker),
                    PitchOptions{true, false}, track);
    if (tracks) {
      tracks << s.name;
      for (int v : track.pitchCorrige) tracks << ' ' << v;
      tracks << '\n';
    }
    return test::scoreF0(s, track.pitchCorrige);
  };

  test::F0Score clean;
  for (const auto& s : test::knownF0Set()) clean.add(run(s));
  std::printf("clean known-F0 set: GPE %.2f %%  VDE %.2f %%\n\n", clean.gpe(), clean.vde());

  const char* classes[] = {"male", "female", "child"};
  std::map<std::string, std::map<std::string, test::F0Score>> table;
  for (const auto& n : test::noisyF0Set()) {
    if (!wavDir.empty()) test::writeWav(std::filesystem::path(wavDir) / (n.signal.name + ".wav"), n.signal.samples, n.signal.fs);
    const test::F0Score sc = run(n.signal);
    table[n.condition][test::voiceClassName(n.voice)].add(sc);
    table[n.condition]["all"].add(sc);
  }
  std::printf("| condition | male GPE / VDE | female GPE / VDE | child GPE / VDE | all GPE / VDE |\n|---|---|---|---|---|\n");
  for (const std::string& c : test::noisyConditions()) {
    std::printf("| %s", c.c_str());
    for (const char* v : classes) std::printf(" | %.1f / %.1f", table[c][v].gpe(), table[c][v].vde());
    std::printf(" | %.1f / %.1f |\n", table[c]["all"].gpe(), table[c]["all"].vde());
  }
  setReportHandler(nullptr);
  return 0;
}
