// ardv-cli f0 FILE [-o OUT.pit] [--speaker any|female|male]
// [--voicing-threshold X] [--profile NAME]:
// the F0 of a whole signal file, chunk by chunk, into a pitch file, or as
// "ms Hz" lines on standard output.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_types.h"
#include "signal/program.h"

namespace ardv::cli {

namespace {

struct F0Options {
  std::string file;
  std::optional<std::string> out, profile;
  int type = -1;
  std::optional<float> voicing;
};

int runF0(const F0Options& o) {
  const auto& out = o.out;
  infoFile info;
  if (!describeForReading(o.file, o.profile, info)) return 1;
  SpeakerF0Params params = speakerF0Params(o.type);
  params.voicingThreshold = o.voicing ? *o.voicing : voicingThreshold();
  if (out) {
    if (!pitchOutputDirectoryExists(*out)) return 1;
    return pitchFileFromSignal(info, *out, params, PitchOptions{}) ? 0 : 1;
  }
  std::error_code ec;
  std::filesystem::path dir = program().dirs.temp;
  if (dir.empty() || !std::filesystem::is_directory(dir, ec)) dir = std::filesystem::temp_directory_path(ec);
  const std::filesystem::path tmp = dir / ("ardv-f0-" + std::to_string(::getpid()) + ".pit");
  if (!pitchFileFromSignal(info, tmp, params, PitchOptions{})) {
    std::filesystem::remove(tmp, ec);
    return 1;
  }
  std::ifstream in(tmp);
  std::string head;
  in >> head;
  long ms = 0;
  int hz = 0;
  while (in >> ms >> hz) std::printf("%ld %d\n", ms, hz);
  std::fflush(stdout);
  in.close();
  std::filesystem::remove(tmp, ec);
  return 0;
}

}  // namespace

void addF0(Commands& commands) {
  auto o = std::make_shared<F0Options>();
  CLI::App* c = commands.add("f0", "F0 of a whole file (\"ms Hz\" lines on standard output without -o)",
                             [o] { return runF0(*o); });
  c->add_option("FILE", o->file, "the signal file")->required();
  c->add_option("-o", o->out, "the pitch file written")->type_name("OUT.pit");
  addSpeakerOption(c, o->type);
  // From 0 (every frame the path calls voiced) to 1.
  c->add_option("--voicing-threshold", o->voicing, "voicing threshold")->transform(number(0.0, 1.0))->type_name("0..1");
  addProfileOption(c, o->profile);
  addThreadsOption(c);
}

}  // namespace ardv::cli
