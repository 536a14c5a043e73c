// Running our Klatt synthesizer program on a parameter file and turning its
// raw output into a WAV file: the synthesis settings of the formant window,
// the command line built from them, where the program is found, the wait
// (stoppable by Escape) and the WAV written through the one writer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "signal/replacing_file.h"

namespace ardv {

// The synthesis settings (dialog WSETTINGSKLATT), with their initial values.
struct KlattSynthesisSettings {
  int rateHz = 16000;       // output sampling frequency: 8000, 11025, 16000 or 22050 Hz
  int branch = 0;           // 0 "Parallel", 1 "Cascade + Parallel"; kept, not passed on
  int frameMs = 4;          // 4..32 ms, -f
  int waveform = 8;         // 1 "Voicing" .. 8 "Complete", -t (left out for 8)
  int byteArrangement = 2;  // 1 "Low byte", 2 "High byte", -r
  int source = 1;           // 1 Klatt source, 2 Liljencrants-Fant source: -v 2 or 4
  int flutterPercent = 0;   // 0..100 %, -F
};

// The settings as the window resets them: the rate of a real signal (else
// 16000) and the frame duration of the window's time step.
KlattSynthesisSettings initialKlattSettings(bool realSignal, double frequence, int stepMs);

// The rate passed with -s: the setting without a real signal, else the
// signal's frequence rounded.
int klattCommandRate(const KlattSynthesisSettings& settings, bool realSignal, double frequence);

// The program's command line, argv[0] first: "PROGRAM -r R -i PARAMS -o RAW
// [-t T] -f F -s S -F FL -v V".
std::vector<std::string> klattCommandLine(const std::filesystem::path& program, const std::filesystem::path& params,
                                          const std::filesystem::path& raw, const KlattSynthesisSettings& settings,
                                          int rateHz);

// Where the program is looked for, in order: beside the running program
// (bin/klatt), then INSTALL/Klatt/klatt. The first that exists, or empty.
std::vector<std::filesystem::path> klattProgramCandidates(const std::filesystem::path& installDir);
std::filesystem::path findKlattProgram(const std::filesystem::path& installDir);

// The working files of a synthesis in the temporary directory:
// klattemp-TAG.kle, synthe-TAG.raw and synthe-TAG.wav, TAG the process id and
// a random number drawn once, so that programs sharing the directory never
// share them; removed when the program ends.
struct KlattWorkFiles {
  std::filesystem::path params, raw, wav;
};
KlattWorkFiles klattWorkFiles(const std::filesystem::path& tempDir);

// Runs `program` on the 56-column parameter file `params`, waits for it
// (Escape stops the wait and the program) and turns `raw` into the WAV file
// `wav` at `rateHz`: the samples little-endian whatever -r asked for, then
// one more copy of the last sample. A stale `raw` is removed first. On any
// failure (program missing, not started, failed, stopped, no output, WAV not
// written) a message naming the command line is reported, `wav` is left as
// it was, and false is returned. The WAV starts with silence up to
// `startMs`, the date of the first frame, so that the speech keeps the
// tracks' time (at most kMaxLeadSamples, else refused).
inline constexpr std::int64_t kMaxLeadSamples = std::int64_t{1} << 30;
bool runKlattSynthesis(const std::filesystem::path& program, const std::filesystem::path& params,
                       const std::filesystem::path& raw, const std::filesystem::path& wav,
                       const KlattSynthesisSettings& settings, int rateHz, std::int32_t startMs = 0);

// A synthesized WAV file (PCM mono 16 bits): samples added in blocks, the
// header written at finish(), with the last sample once more at the end.
class SynthesizedWav {
 public:
  SynthesizedWav(std::filesystem::path target, int rateHz);
  // False (no report) when the file cannot be made; error() says why.
  bool open();
  bool add(std::span<const std::int16_t> samples);
  // Writes the header and renames the file into place. False (no report)
  // when nothing was added or writing fails: the target is then untouched.
  bool finish();
  // finish() in two steps, for a WAV file replaced only with another output:
  // complete() writes the header and closes, commit() renames into place.
  bool complete();
  bool commit();
  const std::string& error() const;
  std::int64_t samples() const { return count_; }

 private:
  ReplacingFile file_;
  int rateHz_;
  std::int64_t count_ = 0;
  std::int16_t last_ = 0;
  std::string error_;
};

}  // namespace ardv
