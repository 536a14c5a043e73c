// ardv-cli resample IN OUT --rate HZ [--profile NAME] and
// ardv-cli remove-dc IN OUT [--profile NAME]: the signal tools of the Edit
// menu on a file, which is opened as the current signal first.

#include <cmath>
#include <cstdio>
#include <memory>
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

struct EditOptions {
  std::string in, out;
  std::optional<std::string> profile;
  double rateHz = 0.0;
};

CLI::App* addEdit(Commands& commands, const char* name, const char* summary, const std::shared_ptr<EditOptions>& o,
                  int (*run)(const EditOptions&)) {
  CLI::App* c = commands.add(name, summary, [o, run] { return run(*o); });
  c->add_option("IN", o->in, "the signal file")->required();
  c->add_option("OUT", o->out, "the WAV file written")->required();
  return c;
}

int runResample(const EditOptions& o) {
  if (!openAsCurrent(o.in, o.profile, "resampling")) return 1;
  if (!resampleCurrent(o.rateHz, o.out)) return 1;
  std::printf("%s\n", resampledWavName(o.out).c_str());
  return 0;
}

int runRemoveDc(const EditOptions& o) {
  if (!openAsCurrent(o.in, o.profile, "DC removal")) return 1;
  return removeDC(o.out) ? 0 : 1;
}

}  // namespace

void addResample(Commands& commands) {
  auto o = std::make_shared<EditOptions>();
  CLI::App* c = addEdit(commands, "resample", "convert the sampling rate into a WAV file", o, runResample);
  c->add_option("--rate", o->rateHz, "the new sampling rate")
      ->required()
      ->transform(number(1.0, HUGE_VAL))
      ->type_name("HZ");
  addProfileOption(c, o->profile);
}

void addRemoveDc(Commands& commands) {
  auto o = std::make_shared<EditOptions>();
  addProfileOption(addEdit(commands, "remove-dc", "copy a signal without its mean value", o, runRemoveDc), o->profile);
}

}  // namespace ardv::cli
