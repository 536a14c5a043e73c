// Snake formant tracking: each formant a chain of points in a time–frequency
// support image, pulled towards high image values, kept smooth by elastic and
// rigid internal energy, and kept apart from its neighbours by repulsion
// (Kass, Witkin and Terzopoulos, "Snakes: active contour models", 1988; the
// semi-implicit update (A + γI)·v_t = γ·v_{t−1} − h⁴·F).
//
// Stages: support image (cepstral smoothing, true envelope or LPC, 512 × 256
// cells of 0–255); initial contours; discretisation at a fixed arc length;
// one banded factorisation of A + γI per contour; iterations moving the
// points in frequency; tracks of (ms, Hz) points.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "formants/formant_options.h"

namespace ardv {

inline constexpr int kSnakeColumns = 512;
inline constexpr int kSnakeRows = 256;
inline constexpr int kSnakeFormants = 6;
inline constexpr int kMaxSnakePoints = 990;
inline constexpr double kSnakeTopHz = 5000.0;  // working height
inline constexpr int kSnakePeakFrame = 512;   // samples of a frame of the peak image and of the initial curves
// trackSnakes works on signals above this rate at this rate.
inline constexpr double kSnakeTrackingRateHz = 16000.0;

enum class SupportMethod { Cepstral, TrueEnvelope, Lpc };

struct SupportImage {
  int columns = 0;
  int rows = 0;
  std::vector<std::uint8_t> cells;  // column c, row r at c·rows + r (row 0 = 0 Hz)
  std::int64_t first = 0;           // first sample of the stretch
  std::int64_t last = -1;
  int hop = 0;                      // samples between columns
  int frameLength = 0;              // samples per column's frame
  double fs = 0.0;
  SupportMethod method = SupportMethod::Cepstral;
  std::string file;                 // for the cache rule
  FormantOptions options;           // the analysis settings it was made with
  std::uint64_t samplesHash = 0;    // of the samples its frames read

  std::uint8_t at(int c, int r) const { return cells[static_cast<std::size_t>(c) * rows + r]; }
  // Row of the working height (the row of 5000 Hz, at most rows).
  int workingRows() const;
  // Sample at the centre of column c.
  std::int64_t columnCentre(double c) const;
};

// The support image of first..last (inclusive) of `samples`: 512 columns of
// 256 rows, levels in dB mapped linearly from (image maximum − 60 dB) to the
// maximum onto 0..255. Frames of 512 samples (LPC: 16 ms), hop
// (length − 511)/511 + 1 (LPC: (length + 1 − frame)/511 + 1); frames past
// the buffer's end read zeros. False after a report when the stretch holds
// no frame or the rate is below 1000 Hz.
bool computeSupportImage(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
                         SupportMethod method, const FormantOptions& options, SupportImage& out);

// Hash of the samples the frames of an image of first..last read (those
// inside the buffer, and how many they are).
std::uint64_t supportSamplesHash(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last,
                                 double fs, SupportMethod method);

// Keeps the last image; recomputes when the file, the stretch, the method,
// the analysis settings or the samples the image reads changed. nullptr
// after a report.
class SupportImageCache {
 public:
  const SupportImage* get(const std::string& file, std::span<const std::int16_t> samples, std::int64_t first,
                          std::int64_t last, double fs, SupportMethod method, const FormantOptions& options);
  void clear() { valid_ = false; }
  int computations() const { return computations_; }

 private:
  SupportImage image_;
  bool valid_ = false;
  int computations_ = 0;
};

// Writes the image as raw PGM: "P5 <columns> <rows> 255 ", then the rows
// from the highest down to row 0, left to right, one byte per cell. A file
// that cannot be created gives "Unable to create the PGM file". True when
// the whole file is written.
bool writeSupportPgm(const std::filesystem::path& path, const SupportImage& image);

struct SnakeParams {
  int iterations = 60;
  int step = 1;                // discretisation step, image units
  double weight = 20.0;        // κ, image force
  double alpha = 3.0;          // elasticity
  double beta = 3.0;           // rigidity
  double gamma = 2.0;          // viscosity
  double repulsion = 10.0;     // ρ
  bool displayIntermediate = false;
  int displayPeriod = 5;
};

SnakeParams& snakeParams();

// Checks parameters entered by a user; empty when usable, else the reason.
std::string snakeParamsProblem(const SnakeParams& p);

struct SnakePoint {
  double x = 0.0;  // column
  double y = 0.0;  // row
};
using Contour = std::vector<SnakePoint>;

// Resamples a polyline into points spaced `step` along it (circle–segment
// intersections), with the trace lines and warnings of the discretisation:
// more than 1000 points are cut to 990 (" Le nombre maximum de points est
// atteint \n Je tronque a MAX_PTS"); a step not above 0 gives "WARNING :
// Discretisation impossible, changez la constante de discretisation ...."
// and −1; 0 or 1 point gives "WARNING : Discretisation impossible ... Le
// SNAKE n'existe pas ..." and 0 (out empty). Otherwise the count.
int discretiseContour(const Contour& in, double step, Contour& out);

// The banded matrix A + γI of a chain of n points with free ends, factorised
// once (LDLᵀ, bandwidth 2); solve() then costs O(n).
class PentadiagonalSystem {
 public:
  // False after " matrice non inversible " when a pivot vanishes.
  bool factor(int n, double alpha, double beta, double gamma);
  // Solves M·x = b in place.
  void solve(std::vector<double>& b) const;
  // The unfactorised matrix entry (i, j), for checks.
  double entry(int i, int j) const;

 private:
  int n_ = 0;
  std::vector<double> m_[3];  // rows of the original matrix: diagonal, +1, +2
  std::vector<double> d_, l1_, l2_;
};

// Runs the iterations on `contours` (F1 upwards, each already discretised)
// over the image. Only contours with moving[k] true move (all when empty).
// `display`, when given, is called every displayPeriod iterations when
// displayIntermediate is set. Points stay within the working rows. False
// after a report (matrix).
bool runSnakes(const SupportImage& image, std::vector<Contour>& contours, const SnakeParams& params,
               const std::vector<bool>& moving = {},
               const std::function<void(int, const std::vector<Contour>&)>& display = {});

enum class InitialCurves { LpcRoots, TrueEnvelopePeaks };

// Initial contours of six formants, one point per image column, from LPC
// roots (or true-envelope peaks) of frames at the image's columns: per frame
// the McCandless assignment gives F1–F3 (F4–F6 the next narrow roots
// above), and each column takes the weighted median over the frames within
// ±250 ms (weights: triangular in time × voicing), or the defaults when no
// frame there was assigned; F4–F6 without a supporting frame anywhere are
// left out. Frequencies become rows (f·512/fs).
bool initialContours(std::span<const std::int16_t> samples, const SupportImage& image,
                     const FormantOptions& options, InitialCurves kind, std::vector<Contour>& contours);

// The voicing weight of a 256-bin dB spectrum over 0..fs/2: d = mean level
// 0–1200 Hz − mean level 2000–4000 Hz; 1 when d ≥ 15, 0 below 6, a raised
// cosine between.
double voicingWeight(std::span<const float> spectrum, double fs);

struct SnakeTrackPoint {
  double timeMs = 0.0;
  double frequencyHz = 0.0;
};

// Every second point of each contour as (ms of the centre of its column, Hz
// of its row); " Hors image ..." is shown for a point outside the image.
// `offset` is the signal's sample index of the image's sample 0.
std::vector<std::vector<SnakeTrackPoint>> contoursToTracks(const SupportImage& image,
                                                           const std::vector<Contour>& contours,
                                                           std::int64_t offset = 0);

// The whole tracker from scratch over first..last: image, initial contours,
// discretisation, iterations, tracks. Above kSnakeTrackingRateHz the stretch
// is tracked on its copy resampled to that rate and lightly pre-emphasised
// (the image's 256 rows then span 0–8 kHz, 31 Hz each, and its frames 32 ms,
// as at 16 kHz); the tracks' dates are those of `samples`. False after a
// report.
bool trackSnakes(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
                 const FormantOptions& options, const SnakeParams& params, SupportMethod method, InitialCurves kind,
                 std::vector<std::vector<SnakeTrackPoint>>& tracks);

}  // namespace ardv
