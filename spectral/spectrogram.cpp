// FFT columns, the per-kind column dispatch and the FFT column matrix.
#include "spectral/spectrogram.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <span>

#include "platform/report.h"
#include "platform/thread_pool.h"
#include "spectral/cepstrum.h"
#include "spectral/cpu_paths.h"
#include "spectral/critical_band.h"
#include "spectral/fft.h"
#include "spectral/image_levels.h"
#include "spectral/lpc_spectrum.h"
#include "spectral/power_db.h"
#include "spectral/true_envelope.h"
#include "spectral/window.h"

namespace ardv {

namespace {

using Floats8 = float __attribute__((vector_size(32)));
using Ints8 = std::int32_t __attribute__((vector_size(32)));
using Shorts8 = std::int16_t __attribute__((vector_size(16)));
#if defined(__clang__)
#define ARDV_PICK8F(a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)
#else
#define ARDV_PICK8F(a, b, ...) __builtin_shuffle(a, b, Ints8{__VA_ARGS__})
#endif

// By reference: the default build has no AVX to return them in.
void load8(const float* p, Floats8& v) { std::memcpy(&v, p, sizeof v); }
void store8(float* p, const Floats8& v) { std::memcpy(p, &v, sizeof v); }

// The frame's samples times the window (first differences with
// preemphasis), eight at a time; the same products as one at a time.
ARDV_WIDE_PATHS void windowed(const std::int16_t* s, const float* w, int window, bool preemphasis, float* f) {
  int i = 0;
  if (preemphasis) {
    for (; i + 8 <= window; i += 8) {
      Shorts8 a, b;
      std::memcpy(&a, s + i, sizeof a);
      std::memcpy(&b, s + i + 1, sizeof b);
      Floats8 wi;
      load8(w + i, wi);
      store8(f + i, __builtin_convertvector(__builtin_convertvector(b, Ints8) - __builtin_convertvector(a, Ints8), Floats8) * wi);
    }
    for (; i < window; ++i) f[i] = static_cast<float>(s[i + 1] - s[i]) * w[i];
  } else {
    for (; i + 8 <= window; i += 8) {
      Shorts8 a;
      std::memcpy(&a, s + i, sizeof a);
      Floats8 wi;
      load8(w + i, wi);
      store8(f + i, __builtin_convertvector(a, Floats8) * wi);
    }
    for (; i < window; ++i) f[i] = static_cast<float>(s[i]) * w[i];
  }
}

// max(|X(k)|^2, 1e-10) for k < count from the interleaved transform f.
ARDV_WIDE_PATHS void powers(const float* f, int count, float* column) {
  int k = 0;
  const Floats8 floor = {1e-10f, 1e-10f, 1e-10f, 1e-10f, 1e-10f, 1e-10f, 1e-10f, 1e-10f};
  for (; k + 8 <= count; k += 8) {
    Floats8 a, b;
    load8(f + 2 * k, a);
    load8(f + 2 * k + 8, b);
    const Floats8 re = ARDV_PICK8F(a, b, 0, 2, 4, 6, 8, 10, 12, 14), im = ARDV_PICK8F(a, b, 1, 3, 5, 7, 9, 11, 13, 15);
    const Floats8 power = re * re + im * im;
    store8(column + k, power < floor ? floor : power);
  }
  for (; k < count; ++k) column[k] = std::max(f[2 * k] * f[2 * k] + f[2 * k + 1] * f[2 * k + 1], 1e-10f);
}

}  // namespace

bool SpecFft::init(int window, int n) {
  if (!isPowerOfTwoIn(n, 16, kMaxFftSize)) {
    debugMessage("initSpecFft() : taille fenetre fft non prévue");
    return false;
  }
  if (window < 1 || window > n) {
    debugMessage("initSpecFft(): window of " + std::to_string(window) + " samples for " + std::to_string(n) +
                 " points");
    return false;
  }
  try {
    std::vector<float> table(static_cast<std::size_t>(window) + 1, 0.0f);
    if (!initham(table.data(), window)) return false;
    frame_.assign(static_cast<std::size_t>(n) + 2, 0.0f);
    hamming_ = std::move(table);
  } catch (const std::bad_alloc&) {
    debugMessage("initSpecFft(): out of memory");
    return false;
  }
  window_ = window;
  n_ = n;
  offsetDb_ = 20.0 * std::log10((n / 2.0) / window);
  return true;
}

bool SpecFft::compute(const SampleSpan& x, std::int64_t first, float* column, bool preemphasis, bool inDb,
                      int count) {
  if (n_ == 0) {
    debugMessage("specFft(): initSpecFft() was not called");
    return false;
  }
  if (!isPowerOfTwoIn(n_, 256, kMaxFftSize)) {
    debugMessage("specFft() : taille fenetre fft non prévue");
    return false;
  }
  if (!x.holds(first, window_ + (preemphasis ? 1 : 0))) {
    debugMessage("specFft(): frame at sample " + std::to_string(first) + " outside the samples");
    return false;
  }
  const std::int16_t* s = x.data + (first - x.first);
  float* f = frame_.data();
  const float* w = hamming_.data();
  windowed(s, w, window_, preemphasis, f);
  const int last = count >= 0 && count <= n_ / 2 ? count - 1 : n_ / 2;  // the last bin written
  if (window_ <= n_ / 2 && last >= 0 && last < n_ / 4) {
    // A frame of half the transform or less, its low bins only.
    std::fill(f + window_, f + n_ / 2, 0.0f);
    realFftFront(f, n_, last + 1);
  } else if (last >= 0 && last < n_ / 4) {
    std::fill(f + window_, f + n_ + 2, 0.0f);
    realFftBins(f, n_, last + 1);
  } else {
    std::fill(f + window_, f + n_ + 2, 0.0f);
    realFft(f, n_);
  }
  if (inDb) {
    const float g = static_cast<float>(offsetDb_);
    for (int k = 0; k <= last; ++k) column[k] = powerDb(f[2 * k] * f[2 * k] + f[2 * k + 1] * f[2 * k + 1], g);
  } else {
    powers(f, last + 1, column);
  }
  return true;
}

namespace {

SpecFft& moduleSpecFft() {
  static SpecFft engine;
  return engine;
}

std::span<const std::int16_t> asSpan(const SampleSpan& x) {
  return {x.data, static_cast<std::size_t>(std::max<std::int64_t>(0, x.count))};
}

// The true envelope (Nc/2 bins spaced fs/Nc) read on the grid of N/2 bins
// spaced fs/N by linear interpolation.
void resampleBins(const std::vector<float>& in, std::vector<float>& out) {
  const std::size_t nIn = in.size(), nOut = out.size();
  if (nIn == 0) return;
  if (nIn == nOut) {
    out = in;
    return;
  }
  const double ratio = static_cast<double>(nIn) / static_cast<double>(nOut);
  for (std::size_t k = 0; k < nOut; ++k) {
    const double pos = static_cast<double>(k) * ratio;
    const std::size_t i = static_cast<std::size_t>(pos);
    if (i + 1 >= nIn) {
      out[k] = in[nIn - 1];
    } else {
      const double t = pos - static_cast<double>(i);
      out[k] = static_cast<float>(in[i] + t * (in[i + 1] - in[i]));
    }
  }
}

bool cepstralColumn(const CurrentSpectro& spec, const SampleSpan& x, std::int64_t start, int spectrumSize,
                    std::vector<float>& column) {
  CepstrumSettings c;
  c.frameLength = spec.fen_fft;
  c.cepstralFftSize = spec.cepstralFftSize;
  c.spectrumSize = spectrumSize;
  c.lifterLow = spec.lifter1;
  c.lifterHigh = spec.lifter2;
  c.preemphasis = spec.preemphasis;
  return cepstre(column, asSpan(x), start - x.first, 1, 0, 1, c);
}

}  // namespace

namespace {
bool prepareWork(const CurrentSpectro& spec, SpectroWork& work);
}  // namespace

bool initSpecFft(int window, int n) { return moduleSpecFft().init(window, n); }

bool specFft(const SampleSpan& x, std::int64_t first, float* column, bool preemphasis, bool inDb) {
  return moduleSpecFft().compute(x, first, column, preemphasis, inDb);
}

int frameReadLength(const CurrentSpectro& spec) { return spec.fen_fft + (spec.preemphasis ? 1 : 0); }

int spectroColumnSize(const CurrentSpectro& spec) {
  switch (spec.kind) {
    case 1:
    case 2:
      return spec.fftSize / 2 + 1;
    case 4:
    case 5:
      return spec.fftSize / 2;
    case 6:
      return std::max(0, std::min(spec.displayedBins, spec.fftSize / 2));
    default:
      return 0;
  }
}

bool prepareSpectroWork(const CurrentSpectro& spec, SpectroWork& work) {
  work.prepared = false;
  const bool ok = prepareWork(spec, work);
  work.prepared = ok;
  return ok;
}

namespace {

// The filter bank of `spec` (constant width), copied from the one built for
// the previous call when the settings are the same: building it costs as
// much as hundreds of columns.
bool keptFilterBank(const CurrentSpectro& spec, FilterBank& bank) {
  struct Key {
    double fs;
    int bands, fftSize, distribution, scale, axis;
    bool operator==(const Key&) const = default;
  };
  static std::mutex mutex;
  static std::optional<Key> builtFor;
  static FilterBank built;
  const BandSettings& b = spec.bands;
  const Key key{spec.fs, std::min(b.bandCount, spec.fftSize / 2), spec.fftSize, b.distribution ? 1 : 0,
                std::clamp(b.scale, 0, 2), b.axis ? 1 : 0};
  const std::lock_guard<std::mutex> lock(mutex);
  if (builtFor != key) {
    FilterBank fresh;
    if (!buildFilterBank(key.fs, key.bands, key.fftSize, static_cast<BandDistribution>(key.distribution),
                         static_cast<PerceptualScale>(key.scale), WidthStrategy::Constant,
                         static_cast<BandAxis>(key.axis), fresh))
      return false;
    built = std::move(fresh);
    builtFor = key;
  }
  try {
    bank = built;
  } catch (const std::bad_alloc&) {
    debugMessage("prepareSpectroWork(): out of memory");
    return false;
  }
  return true;
}

bool prepareWork(const CurrentSpectro& spec, SpectroWork& work) {
  switch (spec.kind) {
    case 1:
    case 2:
    case 3:
      return work.fft.init(spec.fen_fft, spec.fftSize);
    case 4:
    case 5:
      return true;
    case 6: {
      if (!work.fft.init(spec.fen_fft, spec.fftSize)) return false;
      return keptFilterBank(spec, work.bank);
    }
    default:
      debugMessage("spectroColumn(): unknown spectrogram kind " + std::to_string(spec.kind));
      return false;
  }
}

}  // namespace

bool spectroColumn(const CurrentSpectro& spec, SpectroWork& work, const SampleSpan& x, std::int64_t centre,
                   std::vector<float>& column) {
  const std::int64_t start = centre - spec.fen_fft / 2 + 1;
  if (!x.holds(start, frameReadLength(spec))) {
    debugMessage("spectroColumn(): frame centred on sample " + std::to_string(centre) + " outside the samples");
    return false;
  }
  try {
    column.resize(static_cast<std::size_t>(spectroColumnSize(spec)));
    switch (spec.kind) {
      case 1:
      case 2:
        return work.fft.compute(x, start, column.data(), spec.preemphasis, true);
      case 4: {
        LpcSpectrumSettings s;
        s.frameLength = spec.fen_fft;
        s.fftSize = spec.fftSize;
        s.order = spec.lpcOrder;
        s.preemphasis = spec.preemphasis;
        s.gamma = 1.0;
        s.samplingHz = spec.fs;
        return lpcSpectrum(asSpan(x), start - x.first, s, column, nullptr);
      }
      case 5: {
        if (!spec.trueEnvelope) return cepstralColumn(spec, x, start, spec.fftSize, column);
        TrueEnvelopeSettings s;
        s.frameLength = spec.fen_fft;
        s.fftSize = spec.cepstralFftSize;
        s.lifterLow = spec.lifter1;
        s.lifterHigh = spec.lifter2;
        s.factor = 0.0;
        s.iterations = 6;
        s.preemphasis = spec.preemphasis;
        work.scratch.assign(static_cast<std::size_t>(spec.cepstralFftSize / 2), 0.0f);
        if (!trueEnvelope(work.scratch, asSpan(x), start - x.first, s)) return false;
        resampleBins(work.scratch, column);
        return true;
      }
      case 6: {
        const int half = spec.fftSize / 2;
        work.scratch.assign(static_cast<std::size_t>(half) + 1, 0.0f);
        if (spec.bands.priorSmoothing) {
          if (!cepstralColumn(spec, x, start, spec.fftSize, work.scratch)) return false;
        } else if (!work.fft.compute(x, start, work.scratch.data(), spec.preemphasis, true)) {
          return false;
        }
        return criticalBandColumn(work.bank, work.scratch, spec.displayedBins, column) >= 0;
      }
      default:
        debugMessage("spectroColumn(): no columns for spectrogram kind " + std::to_string(spec.kind));
        return false;
    }
  } catch (const std::bad_alloc&) {
    debugMessage("spectroColumn(): out of memory");
    return false;
  }
}

namespace {

// The kind-6 columns of frames from .. to - 1, a few at a time: the band
// analysis of a batch shares each filter's weights (the same bits as one
// column at a time).
bool criticalBandBlock(const CurrentSpectro& spec, SpectroWork& work, const SampleSpan& x, int from, int to,
                       const std::function<std::int64_t(int)>& centreOf,
                       const std::function<void(int, const std::vector<float>&)>& column) {
  const int half = spec.fftSize / 2;
  work.batchIn.resize(kBandBatch);
  work.batchOut.resize(kBandBatch);
  for (auto& in : work.batchIn) in.assign(static_cast<std::size_t>(half) + 1, 0.0f);
  for (auto& out : work.batchOut) out.resize(static_cast<std::size_t>(spectroColumnSize(spec)));
  int frame[kBandBatch];
  const float* in[kBandBatch];
  float* out[kBandBatch];
  for (int c = 0; c < kBandBatch; ++c) {
    in[c] = work.batchIn[static_cast<std::size_t>(c)].data();
    out[c] = work.batchOut[static_cast<std::size_t>(c)].data();
  }
  int held = 0;
  const auto flush = [&] {
    if (held == 0) return true;
    if (criticalBandColumns(work.bank, in, held, spec.displayedBins, out) < 0) return false;
    for (int c = 0; c < held; ++c) column(frame[c], work.batchOut[static_cast<std::size_t>(c)]);
    held = 0;
    return true;
  };
  for (int i = from; i < to; ++i) {
    const std::int64_t start = centreOf(i) - spec.fen_fft / 2 + 1;
    if (!x.holds(start, frameReadLength(spec))) continue;
    std::vector<float>& dest = work.batchIn[static_cast<std::size_t>(held)];
    if (spec.bands.priorSmoothing) {
      if (!cepstralColumn(spec, x, start, spec.fftSize, dest)) return false;
    } else if (!work.fft.compute(x, start, dest.data(), spec.preemphasis, true)) {
      return false;
    }
    frame[held++] = i;
    if (held == kBandBatch && !flush()) return false;
  }
  return flush();
}

// Frames 0 .. count - 1 in blocks, a few per thread so that uneven blocks
// even out, and at least 32 frames each; each block has its own work space,
// prepared once and copied (building a filter bank costs far more than
// copying it). body(work, from, to) does one block.
bool inBlocks(const CurrentSpectro& spec, int count, std::vector<SpectroWork>* works,
              const std::function<bool(SpectroWork&, int, int)>& body) {
  if (count <= 0) return true;
  const int threads = workerThreads();
  const int blocks = std::clamp(count / 32, 1, threads <= 1 ? 1 : threads * 4);
  std::vector<SpectroWork> local;
  std::vector<SpectroWork>& spaces = works ? *works : local;
  try {
    if (static_cast<int>(spaces.size()) < blocks) spaces.resize(static_cast<std::size_t>(blocks));
    if (!spaces[0].prepared && !prepareSpectroWork(spec, spaces[0])) return false;
    for (SpectroWork& work : spaces)
      if (!work.prepared) work = spaces[0];
  } catch (const std::bad_alloc&) {
    debugMessage("spectroColumns(): out of memory");
    return false;
  }
  return parallelFor(blocks, [&](int b) {
    const int from = static_cast<int>(static_cast<std::int64_t>(count) * b / blocks);
    const int to = static_cast<int>(static_cast<std::int64_t>(count) * (b + 1) / blocks);
    try {
      SpectroWork& work = spaces[static_cast<std::size_t>(b)];
      if (!work.prepared && !prepareSpectroWork(spec, work)) return false;
      return body(work, from, to);
    } catch (const std::bad_alloc&) {
      debugMessage("spectroColumns(): out of memory");
      return false;
    }
  });
}

}  // namespace

bool spectroColumns(const CurrentSpectro& spec, const SampleSpan& x, int count,
                    const std::function<std::int64_t(int)>& centreOf,
                    const std::function<void(int, const std::vector<float>&)>& column,
                    std::vector<SpectroWork>* works) {
  return inBlocks(spec, count, works, [&](SpectroWork& work, int from, int to) {
    if (spec.kind == 6) return criticalBandBlock(spec, work, x, from, to, centreOf, column);
    std::vector<float> values;
    for (int i = from; i < to; ++i) {
      const std::int64_t centre = centreOf(i);
      if (!x.holds(centre - spec.fen_fft / 2 + 1, frameReadLength(spec))) continue;
      if (!spectroColumn(spec, work, x, centre, values)) return false;
      column(i, values);
    }
    return true;
  });
}

bool spectroImageColumns(const CurrentSpectro& spec, const SampleSpan& x, int count,
                         const std::function<std::int64_t(int)>& centreOf, int bins, int height,
                         const std::function<std::uint8_t*(int)>& row, std::vector<SpectroWork>* works) {
  if (spec.kind != 1 && spec.kind != 2) {
    return spectroColumns(
        spec, x, count, centreOf,
        [&](int i, const std::vector<float>& column) {
          fileColumnLevels(column.data(), std::min<int>(bins, static_cast<int>(column.size())), spec.displayedBins,
                           height, spec.lowDb, spec.highDb, row(i));
        },
        works);
  }
  // The powers, their levels approximated, and logarithms only where a
  // pixel's level is in doubt: the bytes of the exact columns.
  return inBlocks(spec, count, works, [&](SpectroWork& work, int from, int to) {
    const int size = spectroColumnSize(spec);
    const int shown = std::min(bins, size);
    std::vector<float> power(static_cast<std::size_t>(size));
    std::vector<double> approx(static_cast<std::size_t>(size));
    const auto gain = static_cast<float>(work.fft.levelOffsetDb());
    for (int i = from; i < to; ++i) {
      const std::int64_t start = centreOf(i) - spec.fen_fft / 2 + 1;
      if (!x.holds(start, frameReadLength(spec))) continue;
      if (!work.fft.compute(x, start, power.data(), spec.preemphasis, false)) return false;
      approxPowerDb(power.data(), shown, gain, approx.data());
      fileColumnLevelsOfPower(power.data(), approx.data(), gain, shown, spec.displayedBins, height, spec.lowDb,
                              spec.highDb, row(i));
    }
    return true;
  });
}

bool fillSpectroMatrix(const SampleSpan& x, SpectroMatrix& matrix, std::int64_t first, int frames, int step,
                       bool preemphasis) {
  constexpr int kN = 256;
  constexpr int kHeight = 130;
  if (frames < 0 || step < 0) {
    debugMessage("fillSpectroMatrix(): negative frame count or step");
    return false;
  }
  const int reach = kN + (preemphasis ? 1 : 0);
  if (frames > 0 && (!x.holds(first, reach) || !x.holds(first + static_cast<std::int64_t>(frames - 1) * step, reach))) {
    debugMessage("fillSpectroMatrix(): frames outside the samples");
    return false;
  }
  try {
    SpecFft engine;
    if (!engine.init(kN, kN)) return false;
    std::vector<std::vector<float>> columns(static_cast<std::size_t>(frames), std::vector<float>(kHeight, 0.0f));
    for (int i = 0; i < frames; ++i)
      if (!engine.compute(x, first + static_cast<std::int64_t>(i) * step, columns[i].data(), preemphasis, true))
        return false;
    matrix.columns = std::move(columns);
  } catch (const std::bad_alloc&) {
    debugMessage("fillSpectroMatrix(): out of memory");
    return false;
  }
  matrix.height = kHeight;
  matrix.first = first;
  matrix.step = step;
  return true;
}

}  // namespace ardv
