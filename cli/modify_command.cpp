// ardv-cli modify IN OUT.wav --time A --f0 K [--method psola|vocoder]
// [--phase locking|none] [--speaker any|female|male] [--profile NAME]:
// duration and F0 changed by PSOLA, or duration by the phase vocoder.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "platform/report.h"
#include "prosody/phase_vocoder.h"
#include "prosody/psola.h"
#include "signal/writable_target.h"

namespace ardv::cli {

bool speakerTypeByName(const std::string& name, int& type);

namespace {

// A factor in lo..hi given with at most two decimals.
bool factorIn(const std::optional<std::string>& text, double lo, double hi, double& value) {
  if (!text) return true;
  char* end = nullptr;
  value = std::strtod(text->c_str(), &end);
  return end && *end == '\0' && !text->empty() && value >= lo - 1e-9 && value <= hi + 1e-9;
}

}  // namespace

// Writes `out` from `run` (which feeds the sink) through a streamed WAV file.
bool writeModified(const std::string& out, double fs, const std::function<bool(const SampleSink&)>& run) {
  StreamingWav wav(out, fs);
  if (!wav.open()) return false;
  if (!run(wav.sink())) return false;
  return wav.commit();
}

int runModify(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto time = takeOption(args, "--time", missing);
  const auto f0 = takeOption(args, "--f0", missing);
  const auto method = takeOption(args, "--method", missing);
  const auto phase = takeOption(args, "--phase", missing);
  const auto speaker = takeOption(args, "--speaker", missing);
  const auto profile = takeOption(args, "--profile", missing);
  double alpha = 1.0, k = 1.0;
  int type = -1;
  const bool vocoder = method && *method == "vocoder";
  if (missing || args.size() != 2 || !factorIn(time, 0.5, 3.0, alpha) || !factorIn(f0, 0.5, 2.5, k) ||
      (method && *method != "psola" && !vocoder) || (phase && *phase != "locking" && *phase != "none") ||
      (speaker && !speakerTypeByName(*speaker, type)) || (vocoder && k != 1.0)) {
    std::fprintf(stderr,
                 "usage: ardv-cli modify IN OUT.wav --time A --f0 K [--method psola|vocoder] [--phase locking|none]\n"
                 "       [--speaker any|female|male] [--profile NAME]\n"
                 "  A: 0.50 to 3.00 (slower if > 1); K: 0.50 to 2.50 (higher if > 1; PSOLA only)\n");
    return 2;
  }
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
  if (!isSeparateOutput(args[1], info.nom)) return 1;
  const SampleReader read = signalFileReader(info);
  const bool ok = writeModified(args[1], info.frequence, [&](const SampleSink& sink) {
    if (vocoder)
      return phaseVocoder(read, info.sampleCount(), info.frequence, alpha, !phase || *phase == "locking", sink);
    ModifyOptions o;
    o.alpha = alpha, o.beta = 1.0 / k, o.speakerType = type;
    return CMPitchScaleMod(read, info.sampleCount(), info.frequence, o, sink);
  });
  return ok ? 0 : 1;
}

}  // namespace ardv::cli
