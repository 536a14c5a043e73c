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
namespace {

struct PitchMarksOptions {
  std::string file;
  std::optional<std::string> out, profile;
  int type = -1;
};

int runPitchMarks(const PitchMarksOptions& o) {
  const auto& out = o.out;
  const int type = o.type;
  infoFile info;
  if (!describeForReading(o.file, o.profile, info)) return 1;
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

}  // namespace

void addPitchMarks(Commands& commands) {
  auto o = std::make_shared<PitchMarksOptions>();
  CLI::App* c = commands.add("pitch-marks", "the pitch-mark listing of a whole file", [o] { return runPitchMarks(*o); });
  c->add_option("FILE", o->file, "the signal file")->required();
  c->add_option("-o", o->out, "the listing (default: standard output)")->type_name("OUT");
  addSpeakerOption(c, o->type);
  addProfileOption(c, o->profile);
}

}  // namespace ardv::cli
