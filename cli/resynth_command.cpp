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

bool writeModified(const std::string& out, double fs, const std::function<bool(const SampleSink&)>& run);

namespace {

struct ResynthOptions {
  std::string in, contour, out;
  std::optional<std::string> profile;
  int type = -1;
};

int runResynth(const ResynthOptions& options) {
  const std::string* out = &options.out;
  const int type = options.type;
  infoFile info;
  if (!describeForReading(options.in, options.profile, info)) return 1;
  if (!isSeparateOutput(*out, info.nom) || !isSeparateOutput(*out, options.contour)) return 1;
  std::vector<int> frames;
  if (!readContour(options.contour, info.frequence, info.sampleCount(), frames)) return 1;
  ModifyOptions o;
  o.alpha = 1.0, o.beta = 1.0, o.speakerType = type, o.contour = &frames;
  const SampleReader read = signalFileReader(info);
  return writeModified(*out, info.frequence, [&](const SampleSink& sink) {
           return CMPitchScaleMod(read, info.sampleCount(), info.frequence, o, sink);
         })
             ? 0
             : 1;
}

}  // namespace

void addResynth(Commands& commands) {
  auto o = std::make_shared<ResynthOptions>();
  CLI::App* c = commands.add("resynth", "PSOLA resynthesis following an F0 contour (a pitch file)",
                             [o] { return runResynth(*o); });
  c->add_option("IN", o->in, "the signal file")->required();
  c->add_option("--contour", o->contour, "the F0 contour to follow")->required()->type_name("C.pit");
  c->add_option("-o", o->out, "the WAV file written")->required()->type_name("OUT.wav");
  addSpeakerOption(c, o->type);
  addProfileOption(c, o->profile);
}

}  // namespace ardv::cli
