// Spectrogram columns: the FFT column of a frame (initSpecFft, specFft), the
// column of any kind (spectroColumn), and a matrix of FFT columns
// (fillSpectroMatrix).
//
// A column is a vector of dB levels, bin k at k*fs/N: N/2 + 1 values for the
// FFT kinds (1, 2, 6 before its band analysis), N/2 for the envelopes (4, 5).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "spectral/critical_band.h"
#include "spectral/spectrogram_params.h"

namespace ardv {

// Samples of the memory buffer: data[i] is sample first + i of the signal.
struct SampleSpan {
  const std::int16_t* data = nullptr;
  std::int64_t count = 0;
  std::int64_t first = 0;

  std::int64_t last() const { return first + count - 1; }
  // True when samples start .. start + length - 1 are all held.
  bool holds(std::int64_t start, std::int64_t length) const {
    return data && length >= 0 && start >= first && start + length <= first + count;
  }
};

// The FFT column engine: a Hamming table of the window length, a frame
// buffer of N + 2 floats and the level offset G = 20*log10((N/2)/window).
class SpecFft {
 public:
  // Prepares a window of `window` samples (1..N) and an N-point FFT. N outside
  // 16..4096 (powers of two) reports "initSpecFft() : taille fenetre fft non
  // prévue"; a window outside 1..N reports an internal fault. Returns false
  // then, with the engine unchanged.
  bool init(int window, int n);

  // One column from the frame starting at sample `first` (a signal index held
  // by `x`): window samples (window + 1 with preemphasis, first difference),
  // weighted by the Hamming table, zero-padded, transformed. column receives
  // N/2 + 1 values: 10*log10(max(P, 1e-10)) + G when inDb, else max(P, 1e-10);
  // the last bin is always the floor. Returns false after an internal fault
  // for an N without a transform ("specFft() : taille fenetre fft non
  // prévue"), an engine not initialised, or a frame outside `x`. With
  // `count` in 0..N/2 only the first `count` values are written (the rest of
  // `column` is left alone).
  bool compute(const SampleSpan& x, std::int64_t first, float* column, bool preemphasis, bool inDb, int count = -1);

  int window() const { return window_; }
  int fftSize() const { return n_; }
  double levelOffsetDb() const { return offsetDb_; }

 private:
  int window_ = 0;
  int n_ = 0;
  double offsetDb_ = 0.0;
  std::vector<float> hamming_;
  std::vector<float> frame_;
};

// The module-wide engine used by the calls below.
bool initSpecFft(int window, int n);
bool specFft(const SampleSpan& x, std::int64_t first, float* column, bool preemphasis, bool inDb);

// Work space of spectroColumn for one computation (built at its start).
struct SpectroWork {
  SpecFft fft;
  std::vector<float> scratch;  // kind 6: the column before band analysis
  std::vector<std::vector<float>> batchIn, batchOut;  // kind 6: columns analysed together
  FilterBank bank;             // kind 6
  bool prepared = false;       // by a successful prepareSpectroWork
};

// Prepares `work` for columns of `spec` (the FFT engine, and for kind 6 the
// filter bank with constant width). Returns false after a report.
bool prepareSpectroWork(const CurrentSpectro& spec, SpectroWork& work);

// Number of values spectroColumn writes for `spec`.
int spectroColumnSize(const CurrentSpectro& spec);

// One column of the kind of `spec` for the frame centred on sample `centre`
// (it starts at centre - fen_fft/2 + 1): kinds 1, 2 by specFft in dB; 4 by
// the LPC spectrum; 5 by cepstral smoothing or the true envelope brought onto
// the N/2 bins; 6 by specFft (or cepstral smoothing) then the band analysis.
// `column` is resized to spectroColumnSize(spec). Kind 3 has no columns of
// its own (see reassigned.h). Returns false after an internal-fault report,
// including a frame whose samples `x` does not hold.
bool spectroColumn(const CurrentSpectro& spec, SpectroWork& work, const SampleSpan& x, std::int64_t centre,
                   std::vector<float>& column);

// The columns of `spec` for frames 0..count-1 (frame i centred on
// centreOf(i)), computed over the worker threads (platform/thread_pool.h):
// column(i, values) is called once for each frame whose samples `x` holds,
// from any thread, for different i at the same time; the values are those
// spectroColumn gives. Frames `x` does not hold are skipped. `works`, when
// given, keeps the work spaces prepared for `spec` from one call to the next
// (calls with the same settings only). Returns false after the report of the
// first column that failed.
bool spectroColumns(const CurrentSpectro& spec, const SampleSpan& x, int count,
                    const std::function<std::int64_t(int)>& centreOf,
                    const std::function<void(int, const std::vector<float>&)>& column,
                    std::vector<SpectroWork>* works = nullptr);

// The image levels of `count` frames: fileColumnLevels of the first `bins`
// values of each column spectroColumns gives, for an image `height` pixels
// high, written to row(i) (frames `x` does not hold are skipped). The FFT
// kinds work out most levels without a logarithm, to the same bytes.
bool spectroImageColumns(const CurrentSpectro& spec, const SampleSpan& x, int count,
                         const std::function<std::int64_t(int)>& centreOf, int bins, int height,
                         const std::function<std::uint8_t*(int)>& row, std::vector<SpectroWork>* works = nullptr);

// Frame length in samples that a column of `spec` reads from its start
// (window plus one for the first difference).
int frameReadLength(const CurrentSpectro& spec);

// A matrix of FFT columns of 130 floats labelled "spectre" (the pitch
// detector's input).
struct SpectroMatrix {
  std::vector<std::vector<float>> columns;
  int height = 0;
  std::int64_t first = 0;
  int step = 0;
  std::string label = "spectre";
};

// Fills `matrix` with `frames` columns, column i from the frame starting at
// first + i*step, by a 256-point FFT of a 256-sample Hamming frame, in dB.
// Returns false after an internal-fault report (matrix unchanged) when some
// frame is not held by `x` or frames/step are negative.
bool fillSpectroMatrix(const SampleSpan& x, SpectroMatrix& matrix, std::int64_t first, int frames, int step,
                       bool preemphasis);

}  // namespace ardv
