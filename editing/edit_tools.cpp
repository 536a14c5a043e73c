// Noise addition and FIR filtering of the selection.

#include "editing/edit_tools.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "editing/edit_amplitude.h"
#include "editing/edit_context.h"
#include "platform/report.h"
#include "signal/program.h"

namespace ardv {
namespace {

std::int16_t toSample(double v) { return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L)); }

}  // namespace

std::vector<double> designFir(FirKind kind, double cutoff, int taps) {
  taps |= 1;
  const double centre = (taps - 1) / 2.0;
  std::vector<double> h(static_cast<std::size_t>(taps));
  // Computed on one half and mirrored, so that the phase is exactly linear.
  for (int i = 0; i <= taps / 2; ++i) {
    const double t = i - centre;
    const double sinc = t == 0.0 ? 2.0 * cutoff : std::sin(2.0 * std::numbers::pi * cutoff * t) / (std::numbers::pi * t);
    const double phase = taps > 1 ? 2.0 * std::numbers::pi * i / (taps - 1) : std::numbers::pi;
    const double blackman = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
    h[static_cast<std::size_t>(i)] = h[static_cast<std::size_t>(taps - 1 - i)] = sinc * blackman;
  }
  double sum = 0.0;
  for (double c : h) sum += c;
  for (double& c : h) c /= sum;
  if (kind == FirKind::HighPass) {
    for (double& c : h) c = -c;
    h[static_cast<std::size_t>(taps / 2)] += 1.0;
  }
  return h;
}

std::vector<std::int16_t> filterStretch(const std::int16_t* x, std::int64_t size, std::int64_t first, std::int64_t last,
                                        const std::vector<double>& h) {
  const auto centre = static_cast<std::int64_t>(h.size() / 2);
  std::vector<std::int16_t> y;
  y.reserve(static_cast<std::size_t>(std::max<std::int64_t>(last - first + 1, 0)));
  for (std::int64_t k = first; k <= last; ++k) {
    double acc = 0.0;
    const std::int64_t from = std::max<std::int64_t>(0, centre - k);
    const std::int64_t to = std::min<std::int64_t>(static_cast<std::int64_t>(h.size()), size - k + centre);
    for (std::int64_t j = from; j < to; ++j) acc += h[static_cast<std::size_t>(j)] * x[k + j - centre];
    y.push_back(toSample(acc));
  }
  return y;
}

bool addNoise(double snrDb, std::uint32_t seed) {
  if (!(snrDb >= -60.0 && snrDb <= 120.0)) {
    message("The signal-to-noise ratio must lie between -60 and 120 dB.");
    return false;
  }
  double sigma = 0.0;
  const auto check = [&](std::int32_t a, std::int32_t b) {
    const Program& p = program();
    const std::int16_t* x = p.memory.data() + (a - p.ct.d_e);
    double power = 0.0;
    for (std::int64_t k = 0; k <= static_cast<std::int64_t>(b) - a; ++k) power += double(x[k]) * x[k];
    power /= static_cast<double>(static_cast<std::int64_t>(b) - a + 1);
    if (power <= 0.0) {
      message("The selection is silent: there is no signal level to set the noise against.");
      return false;
    }
    sigma = std::sqrt(power / std::pow(10.0, snrDb / 10.0));
    return true;
  };
  return editSelectionInPlace(kEditTool7, check, [&](std::int32_t a, std::int32_t b) {
    Program& p = program();
    std::int16_t* x = p.memory.data() + (a - p.ct.d_e);
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    for (std::int64_t k = 0; k <= static_cast<std::int64_t>(b) - a; ++k) x[k] = toSample(x[k] + noise(rng));
  });
}

bool filterSelection(FirKind kind, double cutoffHz) {
  const double fs = program().en_cours.frequence;
  if (!(cutoffHz > 0.0 && cutoffHz < fs / 2.0)) {
    message("The cut-off frequency must lie between 0 and half the sampling frequency.");
    return false;
  }
  const std::vector<double> h = designFir(kind, cutoffHz / fs);
  return editSelectionInPlace(kEditTool10, {}, [&](std::int32_t a, std::int32_t b) {
    Program& p = program();
    std::int16_t* memory = p.memory.data();
    const auto size = static_cast<std::int64_t>(p.memory.size());
    const std::vector<std::int16_t> y = filterStretch(memory, size, a - p.ct.d_e, b - p.ct.d_e, h);
    std::copy(y.begin(), y.end(), memory + (a - p.ct.d_e));
  });
}

}  // namespace ardv
