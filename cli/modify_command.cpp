// ardv-cli modify IN OUT.wav --time A --f0 K [--method psola|vocoder]
// [--phase locking|none] [--speaker any|female|male] [--from MS --to MS]
// [--profile NAME]: duration and F0 changed by PSOLA, or duration by the
// phase vocoder, over the whole signal or one stretch of it.
#include <algorithm>
#include <cstdio>
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

// Writes `out` from `run` (which feeds the sink) through a streamed WAV file.
bool writeModified(const std::string& out, double fs, const std::function<bool(const SampleSink&)>& run) {
  StreamingWav wav(out, fs);
  if (!wav.open()) return false;
  if (!run(wav.sink())) return false;
  return wav.commit();
}

namespace {

struct ModifyCommandOptions {
  std::string in, out;
  std::optional<std::string> method, phase, profile;
  std::optional<double> from, to;
  double alpha = 1.0, k = 1.0;
  int type = -1;
};

int runModify(const ModifyCommandOptions& given) {
  const std::string& in = given.in;
  const std::string& outName = given.out;
  const std::optional<std::string>& method = given.method;
  const std::optional<std::string>& phase = given.phase;
  const std::optional<std::string>& profile = given.profile;
  const std::optional<double>& from = given.from;
  const std::optional<double>& to = given.to;
  const double alpha = given.alpha, k = given.k;
  const int type = given.type;
  const double fromMs = from.value_or(-1.0), toMs = to.value_or(-1.0);
  const bool vocoder = method && *method == "vocoder";
  if (vocoder && k != 1.0) return usageError("--f0 needs --method psola: the phase vocoder changes the duration only");
  if (!from != !to || (from && toMs <= fromMs)) return usageError("the stretch needs --to after --from");
  infoFile info;
  if (!describeForReading(in, profile, info)) return 1;
  if (!isSeparateOutput(outName, info.nom)) return 1;
  const SampleReader read = signalFileReader(info);
  const std::int64_t n = info.sampleCount();
  const StretchModifier modify = [&](const SampleReader& stretch, std::int64_t, std::int64_t count, const SampleSink& sink) {
    if (vocoder)
      return phaseVocoder(stretch, count, info.frequence, alpha, !phase || *phase == "locking", sink);
    ModifyOptions o;
    o.alpha = alpha, o.beta = 1.0 / k, o.speakerType = type;
    return CMPitchScaleMod(stretch, count, info.frequence, o, sink);
  };
  const bool ok = writeModified(outName, info.frequence, [&](const SampleSink& sink) {
    if (!from) return modify(read, 0, n, sink);
    const std::int64_t first = msToSamples(fromMs, info.frequence);
    const std::int64_t last = std::min(msToSamples(toMs, info.frequence), n) - 1;
    return modifyStretch(read, n, first, last, stretchMarginSamples(info.frequence), alpha, modify, sink);
  });
  return ok ? 0 : 1;
}

}  // namespace

void addModify(Commands& commands) {
  auto o = std::make_shared<ModifyCommandOptions>();
  CLI::App* c = commands.add("modify", "duration and F0 changed by PSOLA, or duration by the phase vocoder",
                             [o] { return runModify(*o); });
  c->add_option("IN", o->in, "the signal file")->required();
  c->add_option("OUT.wav", o->out, "the modified signal")->required();
  c->add_option("--time", o->alpha, "duration factor, 0.5 to 3 (slower if > 1)")
      ->transform(number(0.5 - 1e-9, 3.0 + 1e-9))
      ->type_name("A");
  c->add_option("--f0", o->k, "F0 factor, 0.5 to 2.5 (higher if > 1; PSOLA only)")
      ->transform(number(0.5 - 1e-9, 2.5 + 1e-9))
      ->type_name("K");
  oneOf(c->add_option("--method", o->method, "default psola"), {"psola", "vocoder"});
  oneOf(c->add_option("--phase", o->phase, "phase locking of the vocoder (default locking)"), {"locking", "none"});
  addSpeakerOption(c, o->type);
  c->add_option("--from", o->from, "start of the only stretch modified (the rest copied unchanged)")
      ->transform(number(0.0, 1e12))
      ->type_name("MS");
  c->add_option("--to", o->to, "end of that stretch")->transform(number(0.0, 1e12))->type_name("MS");
  addProfileOption(c, o->profile);
}

}  // namespace ardv::cli
