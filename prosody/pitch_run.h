// Everything one F0 run works on: its parameters and geometry, the DC-free
// samples, its own FFT engine, the energy tracks, the hypothesis table, the
// thresholds and the trace. A run touches no module-wide state, so runs on
// different files may go on in parallel.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "prosody/pitch_trace.h"
#include "prosody/pitch_types.h"
#include "prosody/spectral_comb.h"
#include "spectral/spectrogram.h"

namespace ardv {

struct PitchRun {
  SpeakerF0Params params;
  PitchGeometry geo;
  bool quiet = false;  // warnings and messages suppressed (corpus runs)

  std::vector<std::int16_t> x;  // DC-free samples 0..len
  SampleSpan span;              // over x, first = 0
  SpecFft fft;

  std::vector<float> ener;      // band energy per band-spectrogram column
  std::vector<float> brut;      // short-window low-band energy (enerVoisBrut)
  int brutHop = 1;              // its hop in samples
  std::vector<float> enerVois;  // per F0 frame
  PitchTable tab;               // tabLisGlob
  std::vector<std::array<VoiceCheck, 3>> voice;  // per frame, checkVoice of each candidate
  VoicingThresholds thr;
  CombTables comb;
  PitchTrace trace;
  double humHz = 0;             // mains hum left out of the peak grid, 0 none
  std::vector<std::int16_t> xWithoutHum;  // x through a notch at humHz, when there is hum
  std::vector<float> lowPeaks;  // per analysed frame, peaksToGrid's lowPeakHz

  // Per-frame work arrays.
  std::vector<float> spectre;
  std::vector<float> pics;
  std::vector<float> correl;
  std::vector<float> correlBis;
};

// Channel of frequency f in a 256-point spectrum at fs Hz.
int bandChannel(double f, double fs);

// 10*log10(P) + gain in place for `count` powers already floored at 1e-10:
// within a float rounding of powerDb, the same on every processor.
void levelsDb(float* s, int count, float gain);

// The three candidates of the frame of geo.L samples starting at `position`
// (relative to the first analysed sample). Needs the run's FFT engine set to
// (L, N). Candidates without an f0 have f0 -1; all three are f0 -1 (no
// report) if the frame's spectrum cannot be had.
FrameCandidates calUnPitch(PitchRun& run, std::int64_t position);

}  // namespace ardv
