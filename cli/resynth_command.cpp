// ardv-cli resynth IN --contour C.pit -o OUT.wav [--speaker ...] [--profile NAME]:
// PSOLA resynthesis following an edited F0 contour (a pitch file).
#include <cstdio>
#include <functional>
#include <string>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "prosody/psola.h"
#include "signal/writable_target.h"

namespace ardv::cli {

bool speakerTypeByName(const std::string& name, int& type);
bool writeModified(const std::string& out, double fs, const std::function<bool(const SampleSink&)>& run);

int runResynth(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto contour = takeOption(args, "--contour", missing);
  const auto out = takeOption(args, "-o", missing);
  const auto speaker = takeOption(args, "--speaker", missing);
  const auto profile = takeOption(args, "--profile", missing);
  int type = -1;
  if (missing || args.size() != 1 || !contour || !out || (speaker && !speakerTypeByName(*speaker, type))) {
    std::fprintf(stderr, "usage: ardv-cli resynth IN --contour C.pit -o OUT.wav [--speaker any|female|male] [--profile NAME]\n");
    return 2;
  }
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
  if (!isSeparateOutput(*out, info.nom) || !isSeparateOutput(*out, *contour)) return 1;
  std::vector<int> frames;
  if (!readContour(*contour, info.frequence, info.sampleCount(), frames)) return 1;
  ModifyOptions o;
  o.alpha = 1.0, o.beta = 1.0, o.speakerType = type, o.contour = &frames;
  const SampleReader read = signalFileReader(info);
  return writeModified(*out, info.frequence, [&](const SampleSink& sink) {
           return CMPitchScaleMod(read, info.sampleCount(), info.frequence, o, sink);
         })
             ? 0
             : 1;
}

}  // namespace ardv::cli
