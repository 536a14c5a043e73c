// ardv-cli energy FILE [-o OUT] [--flow HZ] [--fhigh HZ] [--window MS]
// [--profile NAME]: the energy of a whole signal file, one "ms   dB" line per
// frame (dB above the lowest energy), into OUT or on standard output.
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

bool number(const std::optional<std::string>& text, float& value) {
  if (!text) return true;
  char* end = nullptr;
  const double v = std::strtod(text->c_str(), &end);
  if (!end || *end || text->empty() || !std::isfinite(v) || std::abs(v) > 1e9) return false;
  value = static_cast<float>(v);
  return true;
}

void tell(const std::string& note) {
  if (!note.empty()) std::fprintf(stderr, "ardv-cli energy: %s\n", note.c_str());
}

}  // namespace

int runEnergy(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto out = takeOption(args, "-o", missing);
  const auto flow = takeOption(args, "--flow", missing);
  const auto fhigh = takeOption(args, "--fhigh", missing);
  const auto window = takeOption(args, "--window", missing);
  const auto profile = takeOption(args, "--profile", missing);
  EnergyParams p = energyParams();
  if (missing || args.size() != 1 || !number(flow, p.fLow) || !number(fhigh, p.fHigh) || !number(window, p.windowMs)) {
    std::fprintf(stderr, "usage: ardv-cli energy FILE [-o OUT] [--flow HZ] [--fhigh HZ] [--window MS] [--profile NAME]\n");
    return 2;
  }
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
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

}  // namespace ardv::cli
