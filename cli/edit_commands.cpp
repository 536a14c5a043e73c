// ardv-cli resample IN OUT --rate HZ [--profile NAME] and
// ardv-cli remove-dc IN OUT [--profile NAME]: the signal tools of the Edit
// menu on a file, which is opened as the current signal first.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "editing/edit_context.h"
#include "editing/edit_new.h"
#include "editing/resample.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "spectral/analysable.h"

namespace ardv::cli {
namespace {

bool openAsCurrent(const std::string& file, const std::optional<std::string>& profile, const char* what) {
  infoFile info;
  if (!describeForReading(file, profile, info) || !analysableRate(file, info.frequence, what)) return false;
  program().en_cours = info;
  if (!openCurrent()) return false;
  editStateAfterLoad();
  return true;
}

}  // namespace

int runResample(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto profile = takeOption(args, "--profile", missing);
  const auto rate = takeOption(args, "--rate", missing);
  char* end = nullptr;
  const double hz = rate ? std::strtod(rate->c_str(), &end) : 0.0;
  if (missing || args.size() != 2 || !rate || !end || *end || !(hz >= 1.0)) {
    std::fprintf(stderr, "usage: ardv-cli resample IN OUT --rate HZ [--profile NAME]\n");
    return 2;
  }
  if (!openAsCurrent(args[0], profile, "resampling")) return 1;
  if (!resampleCurrent(hz, args[1])) return 1;
  std::printf("%s\n", resampledWavName(args[1]).c_str());
  return 0;
}

int runRemoveDc(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto profile = takeOption(args, "--profile", missing);
  if (missing || args.size() != 2) {
    std::fprintf(stderr, "usage: ardv-cli remove-dc IN OUT [--profile NAME]\n");
    return 2;
  }
  if (!openAsCurrent(args[0], profile, "DC removal")) return 1;
  return removeDC(args[1]) ? 0 : 1;
}

}  // namespace ardv::cli
