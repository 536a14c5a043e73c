// ardv-cli synth PARAMS.kla|.kle|.klf -o OUT.wav [--rate HZ] [--source klatt|lf]
// [--waveform 1..8] [--flutter N] [--frame MS]: synthesis of a Klatt
// parameter file with the library of our synthesizer program, so that both
// give the same samples, written as the formant window writes its WAV.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "klatt/klatt_invocation.h"
#include "platform/report.h"
#include "signal/writable_target.h"
#include "tools/klatt/klatt_command.h"

namespace ardv::cli {
namespace {

struct SynthCommandOptions {
  std::string params, out;
  std::optional<std::string> source;
  std::optional<int> rate, waveform, flutter, frame;
};

int runSynth(const SynthCommandOptions& given) {
  const std::string* out = &given.out;
  const auto& [params, outName, source, rate, waveform, flutter, frame] = given;
  klatt::SynthOptions options;
  options.frameMs = 0;
  if (rate) options.rateHz = *rate;
  if (waveform) options.waveform = *waveform;
  if (flutter) options.flutterPercent = *flutter;
  if (frame) options.frameMs = *frame;
  if (source) options.source = *source == "lf" ? klatt::Source::liljencrantsFant : klatt::Source::klatt;
  if (!frame) options.frameMs = klatt::frameStepOfFile(params);
  if (options.frameMs == 0) options.frameMs = 5;  // one record, or dates that do not advance
  if (const std::string why = klatt::checkOptions(options); !why.empty()) return usageError(why);
  if (!isSeparateOutput(*out, params)) return 1;

  SynthesizedWav wav(*out, options.rateHz);
  if (!wav.open()) {
    message("Cannot write " + *out + ": " + wav.error());
    return 1;
  }
  std::string error, warning;
  const std::int64_t records = klatt::synthesizeFile(
      params, options, [&](std::span<const std::int16_t> s) { return wav.add(s); }, error, &warning);
  if (records < 0) {
    message(error == "cannot write the samples" ? "Cannot write " + *out + ": " + wav.error() : params + ": " + error);
    return 1;
  }
  if (records == 0) {
    message(params + ": no parameter record to synthesize");
    return 1;
  }
  if (!wav.finish()) {
    message("Cannot write " + *out + ": " + wav.error());
    return 1;
  }
  if (!warning.empty()) warn(params + ": " + warning);
  return 0;
}

}  // namespace

void addSynth(Commands& commands) {
  auto o = std::make_shared<SynthCommandOptions>();
  CLI::App* c = commands.add("synth",
                             "synthesize a Klatt parameter file with our synthesizer (frame duration from the file's dates)",
                             [o] { return runSynth(*o); });
  c->add_option("PARAMS", o->params, "the parameter file (.kla, .kle or .klf)")->required();
  c->add_option("-o", o->out, "the WAV file written")->required()->type_name("OUT.wav");
  // Their ranges are the synthesizer's, checked together.
  c->add_option("--rate", o->rate, "sampling rate")->transform(whole(-1000000, 1000000))->type_name("HZ");
  oneOf(c->add_option("--source", o->source, "the glottal source (default klatt)"), {"klatt", "lf"});
  c->add_option("--waveform", o->waveform, "the source waveform")->transform(whole(-1000000, 1000000))->type_name("1..8");
  c->add_option("--flutter", o->flutter, "F0 flutter in %")->transform(whole(-1000000, 1000000))->type_name("N");
  c->add_option("--frame", o->frame, "frame duration (default: from the file's dates)")
      ->transform(whole(-1000000, 1000000))
      ->type_name("MS");
}

}  // namespace ardv::cli
