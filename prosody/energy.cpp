// Energy parameters, frame geometry and frame energy.
#include "prosody/energy.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/report.h"
#include "prosody/pitch_types.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "spectral/fft.h"
#include "spectral/window.h"

namespace ardv {
namespace {

constexpr int kMaxEnergyFrame = 2048;

std::string note(const char* field, double value) {
  char line[96];
  std::snprintf(line, sizeof line, "%s corrected to %g", field, value);
  return line;
}

}  // namespace

EnergyParams& energyParams() {
  static EnergyParams params;
  return params;
}

std::string checkEnergyLow(EnergyParams& p, double fs) {
  const float half = static_cast<float>(fs / 2);
  if (p.fLow > p.fHigh) p.fLow = std::max(p.fHigh - 1000, 0.0f);
  else if (p.fLow > half - 1000) p.fLow = std::max(half - 1000, 0.0f);
  else return {};
  return note("lowest frequency (Hz)", p.fLow);
}

std::string checkEnergyHigh(EnergyParams& p, double fs) {
  const float half = static_cast<float>(fs / 2);
  if (p.fHigh > half) p.fHigh = half;
  else if (p.fHigh < p.fLow) p.fHigh = std::min(p.fLow + 1000, half);
  else return {};
  return note("highest frequency (Hz)", p.fHigh);
}

std::string checkEnergyWindow(EnergyParams& p, double fs) {
  // Compared as doubles: a huge or NaN length is never cast to an integer.
  if (0.001 * fs * p.windowMs >= kMaxEnergyFrame + 1.0)
    p.windowMs = static_cast<float>(samplesToMs(kMaxEnergyFrame, fs));
  else if (!(p.windowMs > 0)) p.windowMs = 16;
  else return {};
  return note("window length (ms)", p.windowMs);
}

void energyDefaults(EnergyParams& p, double fs) {
  p.eLow = 20;
  p.eHigh = 107;
  p.fLow = 0;
  p.fHigh = static_cast<float>(fs);
  p.windowMs = 16;
}

bool energySetup(EnergyParams& p, double fs, EnergySetup& setup) {
  if (!(fs >= 1000 && fs <= 1e6)) {
    message("Energy: unusable sampling frequency " + std::to_string(fs) + " Hz.");
    return false;
  }
  EnergySetup s;
  s.fs = fs;
  const double exact = 0.001 * fs * p.windowMs;
  std::int64_t Le = exact >= kMaxEnergyFrame + 1.0 ? kMaxEnergyFrame + 1 : exact >= 1.0 ? static_cast<std::int64_t>(exact) : 0;
  if (Le > kMaxEnergyFrame) {
    Le = kMaxEnergyFrame;
    p.windowMs = static_cast<float>(samplesToMs(kMaxEnergyFrame, fs));
  }
  if (Le < 1) {
    message("Energy: the window of " + std::to_string(p.windowMs) + " ms holds no sample.");
    return false;
  }
  s.Le = static_cast<int>(Le);
  s.Ne = s.Le <= 256 ? 256 : s.Le <= 512 ? 512 : s.Le <= 1024 ? 1024 : 2048;
  s.He = std::max(s.Le / 5, 1);
  s.bl = static_cast<int>(nearestInt(p.fLow / fs * s.Ne));
  s.bh = static_cast<int>(std::min<std::int64_t>(nearestInt(p.fHigh / fs * s.Ne), s.Ne / 2));
  s.bl = std::clamp(s.bl, 0, s.Ne / 2);
  setup = s;
  return true;
}

FrameEnergy::FrameEnergy(const EnergySetup& setup, bool windowed) : setup_(setup) {
  window_.assign(static_cast<std::size_t>(setup.Le) + 1, 1.0f);
  if (windowed) initham(window_.data(), setup.Le);
  frame_.assign(static_cast<std::size_t>(setup.Ne) + 2, 0.0f);
  offsetDb_ = static_cast<float>(20.0 * std::log10((setup.Ne / 2.0) / setup.Le));
}

float FrameEnergy::operator()(const std::int16_t* x) {
  const int Le = setup_.Le, Ne = setup_.Ne;
  float* f = frame_.data();
  for (int i = 0; i < Le; ++i) f[i] = static_cast<float>(x[i]) * window_[static_cast<std::size_t>(i)];
  std::fill(f + Le, f + Ne + 2, 0.0f);
  realFft(f, Ne);
  double sum = 0;
  for (int k = setup_.bl; k <= setup_.bh; ++k) {
    const float pw = k == Ne / 2 ? 0.0f : f[2 * k] * f[2 * k] + f[2 * k + 1] * f[2 * k + 1];
    sum += 10.0f * std::log10(std::max(pw, 1e-10f)) + offsetDb_;
  }
  return static_cast<float>(sum / std::max(setup_.bh - setup_.bl + 1, 1));
}

float energyAt(std::int64_t sample) {
  Program& prog = program();
  if (!prog.fileLoaded || prog.memory.size() == 0) return 0;
  EnergySetup setup;
  if (!energySetup(energyParams(), prog.en_cours.frequence, setup)) return 0;
  const std::int64_t start = std::max<std::int64_t>(sample - setup.Le / 2, prog.ct.d_a);
  std::vector<std::int16_t> frame(static_cast<std::size_t>(setup.Le), 0);
  for (int i = 0; i < setup.Le; ++i) {
    const std::int64_t k = start + i - prog.ct.d_e;
    if (k >= 0 && k < prog.memory.size()) frame[static_cast<std::size_t>(i)] = prog.memory[k];
  }
  FrameEnergy energy(setup, energyParams().windowed);
  return energy(frame.data());
}

std::string energyDetails(const EnergyParams& p) {
  char text[320];
  std::snprintf(text, sizeof text,
                "Lowest energy in dB %.1f\nHighest energy in dB %.1f\nLowest frequency in Hz %.0f\n"
                "Highest frequency in Hz %.0f\nLength of the window in ms %f\n",
                p.eLow, p.eHigh, p.fLow, p.fHigh, p.windowMs);
  return text;
}

}  // namespace ardv
