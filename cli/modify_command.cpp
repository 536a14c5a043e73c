// ardv-cli modify IN OUT.wav --time A --f0 K [--method psola|vocoder]
// [--phase locking|none] [--speaker any|female|male] [--from MS --to MS]
// [--profile NAME]: duration and F0 changed by PSOLA, or duration by the
// phase vocoder, over the whole signal or one stretch of it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "platform/report.h"
#include "prosody/modified_stretch.h"
#include "prosody/phase_vocoder.h"
#include "prosody/psola.h"
#include "signal/time_conversion.h"
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
  const auto from = takeOption(args, "--from", missing);
  const auto to = takeOption(args, "--to", missing);
  double alpha = 1.0, k = 1.0, fromMs = -1.0, toMs = -1.0;
  int type = -1;
  const bool vocoder = method && *method == "vocoder";
  if (missing || args.size() != 2 || !factorIn(time, 0.5, 3.0, alpha) || !factorIn(f0, 0.5, 2.5, k) ||
      (method && *method != "psola" && !vocoder) || (phase && *phase != "locking" && *phase != "none") ||
      (speaker && !speakerTypeByName(*speaker, type)) || (vocoder && k != 1.0) || !from != !to ||
      !factorIn(from, 0, 1e12, fromMs) || !factorIn(to, 0, 1e12, toMs) || (from && toMs <= fromMs)) {
    std::fprintf(stderr,
                 "usage: ardv-cli modify IN OUT.wav --time A --f0 K [--method psola|vocoder] [--phase locking|none]\n"
                 "       [--speaker any|female|male] [--from MS --to MS] [--profile NAME]\n"
                 "  A: 0.50 to 3.00 (slower if > 1); K: 0.50 to 2.50 (higher if > 1; PSOLA only)\n"
                 "  --from/--to: only that stretch is modified, the rest copied unchanged\n");
    return 2;
  }
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
  if (!isSeparateOutput(args[1], info.nom)) return 1;
  const SampleReader read = signalFileReader(info);
  const std::int64_t n = info.sampleCount();
  const StretchModifier modify = [&](const SampleReader& stretch, std::int64_t, std::int64_t count, const SampleSink& sink) {
    if (vocoder)
      return phaseVocoder(stretch, count, info.frequence, alpha, !phase || *phase == "locking", sink);
    ModifyOptions o;
    o.alpha = alpha, o.beta = 1.0 / k, o.speakerType = type;
    return CMPitchScaleMod(stretch, count, info.frequence, o, sink);
  };
  const bool ok = writeModified(args[1], info.frequence, [&](const SampleSink& sink) {
    if (!from) return modify(read, 0, n, sink);
    const std::int64_t first = msToSamples(fromMs, info.frequence);
    const std::int64_t last = std::min(msToSamples(toMs, info.frequence), n) - 1;
    return modifyStretch(read, n, first, last, stretchMarginSamples(info.frequence), alpha, modify, sink);
  });
  return ok ? 0 : 1;
}

}  // namespace ardv::cli
