// Energy: the mean dB level of a short frame's power spectrum between a low
// and a high frequency. Parameters with their corrections, the derived frame
// geometry, one frame's energy, the energy at a sample of the displayed
// stretch and the "Details" lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ardv {

// Energy parameters, edited by the energy options.
struct EnergyParams {
  float eLow = 20.0f;      // bottom of the energy axis, dB; whole-file values are relative to it
  float eHigh = 107.0f;    // top of the energy axis, dB (shown in the details only)
  float fLow = 0.0f;       // lowest frequency of the band, Hz
  float fHigh = 8000.0f;   // highest frequency of the band, Hz
  float windowMs = 16.0f;  // frame length, ms
  bool windowed = false;   // Hamming window on the frame (off: rectangular)
};

// The program's energy parameters.
EnergyParams& energyParams();

// Field corrections applied when a value changes, for a signal at fs Hz.
// Each returns a short note of what was corrected, empty when nothing was.
std::string checkEnergyLow(EnergyParams& p, double fs);
std::string checkEnergyHigh(EnergyParams& p, double fs);
std::string checkEnergyWindow(EnergyParams& p, double fs);
// The defaults for a signal at fs Hz (fHigh = fs, limited to Nyquist later).
void energyDefaults(EnergyParams& p, double fs);

// Frame geometry derived from the parameters.
struct EnergySetup {
  double fs = 0.0;
  int Le = 0;  // frame length, samples (at most 2048)
  int Ne = 0;  // FFT size: 256, 512, 1024 or 2048
  int He = 0;  // hop: Le / 5 (at least 1)
  int bl = 0;  // lowest bin
  int bh = 0;  // highest bin, at most Ne/2
};

// Derives the setup for fs Hz; a frame above 2048 samples is cut to 2048 and
// p.windowMs rewritten. False after a message when fs or the frame length is
// not usable (no frame sample).
bool energySetup(EnergyParams& p, double fs, EnergySetup& setup);

// One frame's energy: the work space of one analysis.
class FrameEnergy {
 public:
  explicit FrameEnergy(const EnergySetup& setup, bool windowed = false);
  // Mean dB of bins bl..bh of the frame x[0 .. Le-1] (zero-padded to Ne; the
  // Nyquist bin holds the floor of 1e-10 as every spectral column does).
  float operator()(const std::int16_t* x);
  const EnergySetup& setup() const { return setup_; }

 private:
  EnergySetup setup_;
  std::vector<float> window_;
  std::vector<float> frame_;
  float offsetDb_ = 0.0f;
};

// Energy in dB of the frame centred on absolute sample `sample` of the
// displayed stretch of the current signal (the frame starts at
// max(sample - Le/2, display start) and is zero-padded past the memory). 0
// without a signal.
float energyAt(std::int64_t sample);

// The "Details" energy lines for the current parameters.
std::string energyDetails(const EnergyParams& p);

}  // namespace ardv
