// Status bar texts.
#include "shell/logic/readouts.h"

#include <cstdio>

namespace ardv::shell {

std::string pointerText(const PointerReadout& r) {
  if (r.sample < 0 || !(r.frequence > 0)) return {};
  char buffer[200];
  const double t = r.sample / r.frequence;
  if (r.sample >= r.tf) {
    std::snprintf(buffer, sizeof buffer, "t = %.4f s (outside the signal)", t);
    return buffer;
  }
  std::string text;
  std::snprintf(buffer, sizeof buffer, "t = %.4f s", t);
  text = buffer;
  if (r.scaleValue) {
    std::snprintf(buffer, sizeof buffer, "  |  %.2f %s (%.0f Hz)", *r.scaleValue, r.scaleUnit, r.hz.value_or(0));
    text += buffer;
  } else if (r.hz) {
    std::snprintf(buffer, sizeof buffer, "  |  f = %.0f Hz", *r.hz);
    text += buffer;
  }
  if (r.levelDb) {
    std::snprintf(buffer, sizeof buffer, "  |  %.1f dB", *r.levelDb);
    text += buffer;
  }
  if (r.f0Hz) {
    std::snprintf(buffer, sizeof buffer, "  |  F0 = %d Hz", *r.f0Hz);
    text += buffer;
  }
  if (r.energyDb) {
    std::snprintf(buffer, sizeof buffer, "  |  energy = %.1f dB", *r.energyDb);
    text += buffer;
  }
  if (r.ceilingHz) {
    std::snprintf(buffer, sizeof buffer, "  |  ceiling = %.0f Hz", *r.ceilingHz);
    text += buffer;
  }
  return text;
}

std::string selectionText(std::int32_t first, std::int32_t last, double frequence) {
  if (first < 0 || last < first || !(frequence > 0)) return {};
  char buffer[120];
  // The selection covers samples first..last: it ends where sample last ends.
  const double start = first / frequence, end = (last + 1.0) / frequence;
  std::snprintf(buffer, sizeof buffer, "Selection %.4f - %.4f s (%.1f ms)", start, end, (end - start) * 1000.0);
  return buffer;
}

std::string clickText(std::int32_t sample, double frequence) {
  if (sample < 0 || !(frequence > 0)) return {};
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "Click at %.4f s", sample / frequence);
  return buffer;
}

}  // namespace ardv::shell
