// Formant candidates frame by frame: the roots of the linear-prediction
// polynomial, and the peaks of the cepstrally smoothed spectrum or of the
// true envelope.
//
// Stages per frame: windowed LPC (Levinson–Durbin) and the companion-matrix
// roots of A(z); or a 256-bin envelope, its extrema (maxima and minima
// alternating, refined by a parabola to a third of a bin), prominence, score
// and selection.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "formants/formant_options.h"

namespace ardv {

struct FormantCandidate {
  double frequencyHz = 0.0;
  double bandwidthHz = 0.0;
  double amplitudeDb = 0.0;
};

struct CandidateFrame {
  std::int64_t centre = 0;  // sample index of the frame's centre
  std::vector<FormantCandidate> candidates;
};

// Roots with this bandwidth or more are rejected.
inline constexpr double kMaxRootBandwidthHz = 700.0;
// Peak selection: at most 7 peaks for display, 9 for registration, positions
// up to bin 216 of 256 for display.
inline constexpr int kDisplayPeaks = 7;
inline constexpr int kRegistrationPeaks = 9;
inline constexpr int kHighestDisplayBin = 216;
// More extrema than this in one envelope stop the analysis.
inline constexpr int kMaxExtrema = 100;

// Frames of an analysis over the inclusive range first..last of a buffer of
// n samples: frame i starts at first + i·hop, at most 1000 frames (999 hops),
// and a frame of `length` samples (plus one for the pre-emphasis) must fit in
// the buffer. Returns the count (0 when none fits).
// True for a root kept as a candidate: 0 < f < fs/2 and bandwidth below
// maxBandwidthHz (a bandwidth of exactly the limit is rejected).
bool acceptedRoot(double frequencyHz, double bandwidthHz, double fs, double maxBandwidthHz);

// The LPC frame length of the candidates: 16 ms.
int lpcRootsFrameLength(double fs);

int candidateFrameCount(std::int64_t first, std::int64_t last, std::int64_t n, int hop, int length);

// LPC roots of the frame of `length` samples starting at `first`
// (pre-emphasised, Hamming-windowed, order p, lowered below `length`): every root with 0 < f < fs/2
// and bandwidth below maxBandwidthHz, in ascending frequency, its amplitude
// the LPC spectrum level (256-point FFT, 128 bins) at its bin minus the
// high-frequency correction (0 below 2900 Hz, rising linearly to
// correctionDb at 3200 Hz), negative levels set to 0. When `column` is given
// it receives the 128 corrected levels. False after a report for a frame
// outside the samples or bad settings.
bool lpcRootsFrame(std::span<const std::int16_t> samples, std::int64_t first, int length, double fs, int order,
                   double maxBandwidthHz, double correctionDb, CandidateFrame& frame, std::vector<float>* column);

// Samples start..start+length (one more for the pre-emphasis) copied into
// `buffer`, zeros where they fall outside `samples`: a frame the envelope
// functions can read whole near either end.
std::span<const std::int16_t> paddedFrame(std::span<const std::int16_t> samples, std::int64_t start, int length,
                                          std::vector<std::int16_t>& buffer);

// lpcRoots over first..last (inclusive): frames of msToSamples(16 ms) with
// the options' hop and order. `interrupted`, when given, is asked between
// frames (Escape); the frames done remain.
// Returns the number of frames, −1 after a report.
int lpcRoots(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
             const FormantOptions& options, std::vector<CandidateFrame>& frames,
             double maxBandwidthHz = kMaxRootBandwidthHz, const std::function<bool()>& interrupted = {});

// An extremum of an envelope.
struct SpectralExtremum {
  int position = 0;          // thirds of a bin
  double frequencyHz = 0.0;
  double amplitudeDb = 0.0;
  int score = 0;             // maxima: 1 for a likely formant
  double prominence = 0.0;   // maxima only
  double widthHz = 0.0;      // between the points 6 dB below
  bool maximum = false;
};

// The alternating extrema of env[0..n−1] (bins spaced binHz), left to right,
// with prominence and score for the maxima. Returns the count, or −1 when
// there are more than kMaxExtrema (out then holds the first ones).
int spectralExtrema(std::span<const float> env, double binHz, std::vector<SpectralExtremum>& out);

enum class PeakOrder { Display, Registration };

// The retained maxima: positions ≤ 3·highestBin, sorted (display: scored
// first, then ascending frequency; registration: descending score, then
// ascending frequency), the first maxPeaks.
std::vector<SpectralExtremum> selectPeaks(const std::vector<SpectralExtremum>& extrema, PeakOrder order,
                                          int maxPeaks, int highestBin);

struct PeakSettings {
  bool trueEnvelope = false;
  PeakOrder order = PeakOrder::Display;
  int maxPeaks = kDisplayPeaks;
  int highestBin = kHighestDisplayBin;
};

// Envelope (256 bins of a 512-sample frame starting at `first`) and its
// selected peaks as candidates (bandwidth = width). Returns 1, 0 when the
// envelope has too many extrema (no report), −1 after a report.
int cepstralPeaksFrame(std::span<const std::int16_t> samples, std::int64_t first, double fs,
                       const FormantOptions& options, const PeakSettings& settings, CandidateFrame& frame,
                       std::vector<float>* column = nullptr);

// cepstralPeaks over first..last (inclusive), frames of 512 samples with the
// options' hop. Too many extrema stop the analysis with the message
// "suivrePicsCepstre() : too many extrema because liftering coefficients are
// not appropriate" (the frames done remain). `interrupted`, when given, is
// asked between frames (Escape). Returns the number of frames, −1 after a
// report with nothing done.
int cepstralPeaks(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
                  const FormantOptions& options, const PeakSettings& settings, std::vector<CandidateFrame>& frames,
                  const std::function<bool()>& interrupted = {});

}  // namespace ardv
