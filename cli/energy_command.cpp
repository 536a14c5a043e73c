// ardv-cli energy FILE [-o OUT] [--flow HZ] [--fhigh HZ] [--window MS]
// [--profile NAME]: the energy of a whole signal file, one "ms   dB" line per
// frame (dB above the lowest energy), into OUT or on standard output.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "prosody/energy.h"
#include "prosody/energy_file.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "spectral/analysable.h"

namespace ardv::cli {
namespace {

void tell(const std::string& note) {
  if (!note.empty()) std::fprintf(stderr, "ardv-cli energy: %s\n", note.c_str());
}

struct EnergyOptions {
  std::string file;
  std::optional<std::string> out, profile;
  std::optional<double> fLow, fHigh, windowMs;
};

int runEnergy(const EnergyOptions& o) {
  const auto& out = o.out;
  EnergyParams p = energyParams();
  if (o.fLow) p.fLow = static_cast<float>(*o.fLow);
  if (o.fHigh) p.fHigh = static_cast<float>(*o.fHigh);
  if (o.windowMs) p.windowMs = static_cast<float>(*o.windowMs);
  infoFile info;
  if (!describeForReading(o.file, o.profile, info)) return 1;
  tell(checkEnergyHigh(p, info.frequence));
  tell(checkEnergyLow(p, info.frequence));
  tell(checkEnergyWindow(p, info.frequence));
  if (!analysableRate(info.nom, info.frequence, "Energy") ||
      !analysableLength(info.nom, info.sampleCount(), msToSamples(p.windowMs, info.frequence), "energy"))
    return 1;
  if (out) return energyForFile(info, *out, p) ? 0 : 1;

  std::error_code ec;
  std::filesystem::path dir = program().dirs.temp;
  if (dir.empty() || !std::filesystem::is_directory(dir, ec)) dir = std::filesystem::temp_directory_path(ec);
  const std::filesystem::path tmp = dir / ("ardv-energy-" + std::to_string(::getpid()) + ".txt");
  const bool ok = energyForFile(info, tmp, p);
  if (ok) {
    std::ifstream in(tmp, std::ios::binary);
    std::cout << in.rdbuf();
    std::cout.flush();
  }
  std::filesystem::remove(tmp, ec);
  return ok ? 0 : 1;
}

}  // namespace

void addEnergy(Commands& commands) {
  auto o = std::make_shared<EnergyOptions>();
  CLI::App* c = commands.add("energy", "energy of a whole file", [o] { return runEnergy(*o); });
  c->add_option("FILE", o->file, "the signal file")->required();
  c->add_option("-o", o->out, "the listing (default: standard output)")->type_name("OUT");
  c->add_option("--flow", o->fLow, "low edge of the band")->transform(number(-1e9, 1e9))->type_name("HZ");
  c->add_option("--fhigh", o->fHigh, "high edge of the band")->transform(number(-1e9, 1e9))->type_name("HZ");
  c->add_option("--window", o->windowMs, "analysis window")->transform(number(-1e9, 1e9))->type_name("MS");
  addProfileOption(c, o->profile);
}

}  // namespace ardv::cli
