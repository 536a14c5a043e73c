// ardv-cli synth PARAMS.kla|.kle|.klf -o OUT.wav [--rate HZ] [--source klatt|lf]
// [--waveform 1..8] [--flutter N] [--frame MS]: synthesis of a Klatt
// parameter file with the library of our synthesizer program, so that both
// give the same samples, written as the formant window writes its WAV.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "klatt/klatt_invocation.h"
#include "platform/report.h"
#include "signal/writable_target.h"
#include "tools/klatt/klatt_command.h"

namespace ardv::cli {
namespace {

bool whole(const std::optional<std::string>& text, int& value) {
  if (!text) return true;
  char* end = nullptr;
  const long v = std::strtol(text->c_str(), &end, 10);
  if (text->empty() || *end != '\0' || v < -1000000 || v > 1000000) return false;
  value = static_cast<int>(v);
  return true;
}

int usage() {
  std::fprintf(stderr,
               "usage: ardv-cli synth PARAMS.kla|.kle|.klf -o OUT.wav [--rate HZ] [--source klatt|lf] "
               "[--waveform 1..8] [--flutter N] [--frame MS]\n");
  return 2;
}

}  // namespace

int runSynth(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto out = takeOption(args, "-o", missing);
  const auto rate = takeOption(args, "--rate", missing);
  const auto source = takeOption(args, "--source", missing);
  const auto waveform = takeOption(args, "--waveform", missing);
  const auto flutter = takeOption(args, "--flutter", missing);
  const auto frame = takeOption(args, "--frame", missing);
  klatt::SynthOptions options;
  options.frameMs = 0;
  if (missing || args.size() != 1 || !out || !whole(rate, options.rateHz) || !whole(waveform, options.waveform) ||
      !whole(flutter, options.flutterPercent) || !whole(frame, options.frameMs))
    return usage();
  if (source && *source != "klatt" && *source != "lf") return usage();
  if (source) options.source = *source == "lf" ? klatt::Source::liljencrantsFant : klatt::Source::klatt;
  const std::string& params = args[0];
  if (!frame) options.frameMs = klatt::frameStepOfFile(params);
  if (options.frameMs == 0) options.frameMs = 5;  // one record, or dates that do not advance
  if (const std::string why = klatt::checkOptions(options); !why.empty()) {
    std::fprintf(stderr, "ardv-cli synth: %s\n", why.c_str());
    return 2;
  }
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

}  // namespace ardv::cli
