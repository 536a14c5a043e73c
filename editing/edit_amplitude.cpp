// Fades and attenuation of the selection.

#include "editing/edit_amplitude.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "editing/edit_clipboard.h"
#include "editing/edit_context.h"
#include "platform/report.h"
#include "signal/program.h"
#include "signal/signal_listener.h"
#include "signal/time_conversion.h"

namespace ardv {

double fadeInGain(std::int64_t k, std::int64_t n) {
  return (1.0 + std::sin(std::numbers::pi * static_cast<double>(k) / static_cast<double>(n) - std::numbers::pi / 2)) *
         0.5;
}

double fadeOutGain(std::int64_t k, std::int64_t n) { return fadeInGain(n - k, n); }

std::vector<double> attenuationGains(std::int64_t n, double g, double frequence) {
  std::vector<double> gains(static_cast<std::size_t>(std::max<std::int64_t>(n, 0)), g);
  const std::int64_t r = std::min<std::int64_t>(msToSamples(20.0, frequence), n / 3);
  for (std::int64_t k = 0; k < r; ++k) {
    const double gain = 1.0 - (1.0 - g) * fadeInGain(k, r);
    gains[static_cast<std::size_t>(k)] = gain;
    gains[static_cast<std::size_t>(n - 1 - k)] = gain;
  }
  return gains;
}

bool editSelectionInPlace(std::int32_t kind, const SelectionCheck& check, const SelectionChange& change) {
  if (!editableSignal() || !selectionInMemory(1010)) return false;
  Program& p = program();
  const std::int32_t a = p.ct.d_sel, b = p.ct.f_sel;
  if (check && !check(a, b)) return false;
  EditContext& e = editContext();
  if (!saveSelectionToClip(a, b, undoPath().string())) return false;
  e.lastEdit = kind;
  ++e.editSerial;
  e.editStart = a;
  e.editEnd = b;
  change(a, b);
  p.ct.d_sel = p.ct.f_sel = -1;
  e.samplesModified = true;
  currentSignalListener().redrawAll();
  return true;
}

namespace {

template <typename Gain>
bool applyGains(std::int32_t kind, Gain gain) {
  return editSelectionInPlace(kind, {}, [&](std::int32_t a, std::int32_t b) {
    Program& p = program();
    const std::int64_t n = static_cast<std::int64_t>(b) - a + 1;
    std::int16_t* x = p.memory.data() + (a - p.ct.d_e);
    for (std::int64_t k = 0; k < n; ++k)
      x[k] = static_cast<std::int16_t>(std::trunc(static_cast<double>(x[k]) * gain(k, n)));
  });
}

}  // namespace

bool dampLeft() { return applyGains(kEditFadeIn, fadeInGain); }
bool dampRight() { return applyGains(kEditFadeOut, fadeOutGain); }

bool dampMiddle(double factor) {
  if (!(factor >= 0.0 && factor <= 1.0)) {
    message("The attenuation factor must lie between 0 and 1.");
    return false;
  }
  std::vector<double> gains;
  return applyGains(kEditAttenuate, [&](std::int64_t k, std::int64_t n) {
    if (gains.empty()) gains = attenuationGains(n, factor, program().en_cours.frequence);
    return gains[static_cast<std::size_t>(k)];
  });
}

}  // namespace ardv
