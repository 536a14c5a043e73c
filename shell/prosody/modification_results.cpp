// Names and the list of the modification results.
#include "shell/prosody/modification_results.h"

#include <cmath>
#include <cstdio>

namespace ardv::shell {

namespace fs = std::filesystem;

fs::path resultPath(const fs::path& dir, const std::string& signal, const std::string& tag) {
  const std::string stem = fs::path(signal).stem().string() + "-" + tag;
  fs::path path = dir / (stem + ".wav");
  std::error_code error;
  for (int k = 2; fs::exists(path, error) || error; ++k) path = dir / (stem + "-" + std::to_string(k) + ".wav");
  return path;
}

std::string modificationTag(const ModificationChoice& c) {
  char text[64];
  if (c.vocoder) {
    std::snprintf(text, sizeof text, "vocoder%.2f", c.alpha);
  } else if (std::abs(c.k - 1.0) < 0.005 || std::abs(c.alpha - 1.0) >= 0.005) {
    const int n = std::snprintf(text, sizeof text, "time%.2f", c.alpha);
    if (std::abs(c.k - 1.0) >= 0.005) std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "-f0%.2f", c.k);
  } else {
    std::snprintf(text, sizeof text, "f0%.2f", c.k);
  }
  return text;
}

std::vector<ModificationResult>& modificationResults() {
  static std::vector<ModificationResult> results;
  return results;
}

const ModificationResult* resultFor(const std::string& signal) {
  for (const ModificationResult& r : modificationResults())
    if (r.path.string() == signal) return &r;
  return nullptr;
}

bool madeFrom(const std::string& signal, const std::string& from) {
  std::string at = signal;
  for (std::size_t steps = 0; steps <= modificationResults().size(); ++steps) {
    if (at == from) return true;
    const ModificationResult* r = resultFor(at);
    if (!r) return false;
    at = r->source;
  }
  return false;
}

}  // namespace ardv::shell
