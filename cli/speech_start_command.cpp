// ardv-cli speech-start FILE [--profile NAME]: start and end of the first
// stretch of speech found by the energy detector, in ms.
#include <cstdio>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "platform/report.h"
#include "prosody/speech_detector.h"

namespace ardv::cli {

int runSpeechStart(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto profile = takeOption(args, "--profile", missing);
  if (missing || args.size() != 1) {
    std::fprintf(stderr, "usage: ardv-cli speech-start FILE [--profile NAME]\n");
    return 2;
  }
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
  std::int64_t start = -1, end = -1;
  if (!speechStartEnd(info, start, end)) return 1;
  if (start < 0) {
    message(info.nom + ": no speech found");
    return 1;
  }
  std::printf("Date de d\xC3\xA9" "but et fin de parole %d ms, %d ms\n", static_cast<int>(start), static_cast<int>(end));
  return 0;
}

}  // namespace ardv::cli
