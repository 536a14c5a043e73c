// ardv-cli f0 FILE [-o OUT.pit] [--speaker any|female|male]
// [--voicing-threshold X] [--profile NAME]:
// the F0 of a whole signal file, chunk by chunk, into a pitch file, or as
// "ms Hz" lines on standard output.
#include <cstdio>
#include <cstdlib>
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

bool speakerTypeByName(const std::string& name, int& type) {
  if (name == "any") type = -1;
  else if (name == "female") type = 0;
  else if (name == "male") type = 1;
  else return false;
  return true;
}

// A threshold from 0 (every frame the path calls voiced) to 1.
bool voicingThresholdByText(const std::string& text, float& value) {
  char* end = nullptr;
  const float v = std::strtof(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v >= 0.0f && v <= 1.0f)) return false;
  value = v;
  return true;
}

int runF0(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto out = takeOption(args, "-o", missing);
  const auto speaker = takeOption(args, "--speaker", missing);
  const auto profile = takeOption(args, "--profile", missing);
  const auto threshold = takeOption(args, "--voicing-threshold", missing);
  int type = -1;
  float voicing = voicingThreshold();
  if (missing || args.size() != 1 || (speaker && !speakerTypeByName(*speaker, type)) ||
      (threshold && !voicingThresholdByText(*threshold, voicing))) {
    std::fprintf(stderr,
                 "usage: ardv-cli f0 FILE [-o OUT.pit] [--speaker any|female|male] [--voicing-threshold 0..1] "
                 "[--profile NAME]\n");
    return 2;
  }
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
  SpeakerF0Params params = speakerF0Params(type);
  params.voicingThreshold = voicing;
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

}  // namespace ardv::cli
