// ardv-cli speech-start FILE [--profile NAME]: start and end of the first
// stretch of speech found by the energy detector, in ms.
#include <cstdio>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "platform/report.h"
#include "prosody/speech_detector.h"

namespace ardv::cli {
namespace {

struct SpeechStartOptions {
  std::string file;
  std::optional<std::string> profile;
};

int runSpeechStart(const SpeechStartOptions& o) {
  infoFile info;
  if (!describeForReading(o.file, o.profile, info)) return 1;
  std::int64_t start = -1, end = -1;
  if (!speechStartEnd(info, start, end)) return 1;
  if (start < 0) {
    message(info.nom + ": no speech found");
    return 1;
  }
  std::printf("Date de d\xC3\xA9" "but et fin de parole %d ms, %d ms\n", static_cast<int>(start), static_cast<int>(end));
  return 0;
}

}  // namespace

void addSpeechStart(Commands& commands) {
  auto o = std::make_shared<SpeechStartOptions>();
  CLI::App* c = commands.add("speech-start", "start and end of the first speech", [o] { return runSpeechStart(*o); });
  c->add_option("FILE", o->file, "the signal file")->required();
  addProfileOption(c, o->profile);
}

}  // namespace ardv::cli
