// ardv-cli pitch-marks FILE [-o OUT] [--speaker any|female|male] [--profile NAME]:
// the pitch-mark listing of a whole signal file.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "platform/report.h"
#include "prosody/pitch_marks.h"
#include "signal/replacing_file.h"
#include "signal/writable_target.h"

namespace ardv::cli {

bool speakerTypeByName(const std::string& name, int& type);

int runPitchMarks(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto out = takeOption(args, "-o", missing);
  const auto speaker = takeOption(args, "--speaker", missing);
  const auto profile = takeOption(args, "--profile", missing);
  int type = -1;
  if (missing || args.size() != 1 || (speaker && !speakerTypeByName(*speaker, type))) {
    std::fprintf(stderr, "usage: ardv-cli pitch-marks FILE [-o OUT] [--speaker any|female|male] [--profile NAME]\n");
    return 2;
  }
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
  if (out && !isSeparateOutput(*out, info.nom)) return 1;
  MarkList marks;
  std::vector<int> f0;
  if (!marksOfSignal(signalFileReader(info), info.sampleCount(), info.frequence, speakerF0Params(type), marks, f0))
    return 1;
  const std::string listing =
      markListing(marks, f0, info.frequence, std::filesystem::path(info.nom).filename().string());
  if (!out) {
    std::fwrite(listing.data(), 1, listing.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  ReplacingFile file{std::filesystem::path(*out)};
  if (!file.open() || !file.write(listing) || !file.commit()) {
    message(*out + ": the listing cannot be written: " + file.error());
    return 1;
  }
  return 0;
}

}  // namespace ardv::cli
