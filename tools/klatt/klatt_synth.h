// Our cascade/parallel formant synthesizer, after Klatt 1980 ("Software for a
// cascade/parallel formant synthesizer", JASA 67) with the KLSYN88 voicing
// source of Klatt & Klatt 1990 (JASA 87) and the Liljencrants-Fant source of
// Fant, Liljencrants & Lin 1985.
//
// Stages, per output sample:
//   1. sources: voicing (Klatt or LF flow derivative, latched at each period
//      start, with turbulence Aturb and spectral tilt TLTdb), aspiration ASP,
//      frication AF (white noise, halved in the second half of voiced periods);
//   2. cascade branch: voicing AVdb + aspiration through the nasal pole/zero
//      pair, the nasal formants F1N-F3N and F6..F1;
//   3. parallel branch: voicing AVpdb + frication, scaled by A1-A6 (ANP,
//      A1N-A3N), through F1-F6 (B1p-B6p), the nasal pole and F1N-F3N
//      (B1Np-B3Np), alternate signs;
//      bypass AB x frication;
//   4. the chosen waveform (-t 1..8) times Gain0, limited to 16 bits.
// Parameters are read once per frame and clamped to the ranges listed in
// docs/klatt-synthesizer.md; no record gives NaN or a wrapped sample.
// DSP names: fs sampling frequency, T0 period, Te open phase, x in, y out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "klatt/klatt_table.h"

namespace ardv::klatt {

enum class Source { klatt, liljencrantsFant };

// The command-line settings of one run; defaults are the program's.
struct SynthOptions {
  int rateHz = 16000;     // -s: 1000..96000 Hz
  int frameMs = 5;        // -f: duration of one record, 1..1000 ms
  int waveform = 8;       // -t: 1 voicing .. 8 complete
  Source source = Source::klatt;  // -v 2 (Klatt) or 4 (LF)
  int flutterPercent = 0;  // -F: 0..100
};

// Empty when the options are usable, else what is wrong ("-s 500: the rate must be ...").
std::string checkOptions(const SynthOptions& options);

// Streams records into samples. Records are KlattRecord with F0 in Hz at
// index 1 (as KlattRecordReader delivers them); the date is not used: each
// record lasts frameMs.
class Synthesizer {
 public:
  // `options` must pass checkOptions.
  explicit Synthesizer(const SynthOptions& options);

  // Appends the samples of one frame: frame k ends at sample
  // round((k + 1) * frameMs * rateHz / 1000), so no time is lost at rates
  // where a frame is not a whole number of samples.
  void frame(const KlattRecord& record, std::vector<std::int16_t>& out);
  // The same samples before they are rounded and limited to 16 bits (for
  // measuring the filters).
  void frame(const KlattRecord& record, std::vector<double>& out);

  // Samples the next `frames` frames will give.
  std::int64_t samplesForFrames(std::int64_t frames) const;

 private:
  struct Resonator {
    double a = 1, b = 0, c = 0, y1 = 0, y2 = 0;
    bool on = false;
    double step(double x);
  };
  struct Antiresonator {
    double a = 1, b = 0, c = 0, x1 = 0, x2 = 0;
    bool on = false;
    double step(double x);
  };
  struct Voicing {  // latched at each period start
    bool voiced = false;
    double t0 = 0;      // period, samples
    double te = 0;      // end of the open phase, samples
    double avCascade = 0, avParallel = 0, turbulence = 0;
    // Liljencrants-Fant shape in samples: E0 e^(alpha t) sin(omega t), then
    // the return phase -(e^(-eps (t - te)) - e^(-eps (t0 - te))) / (eps ta).
    double e0 = 0, alpha = 0, omega = 0, eps = 0, ta = 0, tail = 0;
  };

  void setFilters(const KlattRecord& r);
  void startPeriod();
  double voicingSample(double t) const;
  double noise();
  void setResonator(Resonator& r, double f, double bw) const;
  void setParallel(Resonator& r, double f, double bw) const;
  double sample();

  SynthOptions options_;
  double fs_;
  KlattRecord current_{};
  std::int64_t frames_ = 0;
  std::int64_t produced_ = 0;

  // Voicing period state.
  Voicing voicing_;
  double periodPos_ = 0;   // samples since the period start
  std::int64_t periods_ = 0;
  double time_ = 0;        // seconds, for the flutter
  std::uint32_t seed_ = 0x2545F491u;
  double tiltCoef_ = 0, tiltState_ = 0;

  // Per-frame gains (linear).
  double aspiration_ = 0, frication_ = 0, bypass_ = 0, gain_ = 1;

  // Cascade: nasal pole, nasal zero, F1N..F3N, F1..F6.
  Resonator nasalPole_;
  Antiresonator nasalZero_;
  Resonator cascade_[9];
  // Parallel: F1..F6, nasal pole, F1N..F3N with their amplitudes.
  Resonator parallel_[10];
  double parallelGain_[10] = {};
  std::vector<double> buffer_;
};

// dB to a linear amplitude: 0 at or below 0 dB, 1 at 60 dB, 6 dB per doubling.
double amplitudeOfDb(double db);

}  // namespace ardv::klatt
