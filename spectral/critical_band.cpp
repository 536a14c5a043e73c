// Critical-band filter bank, band analysis, band-to-bins mapping, width check.
#include "spectral/critical_band.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "platform/report.h"
#include "spectral/cpu_paths.h"

namespace ardv {
namespace {

constexpr double kConstantWidth = 100.0;  // scale units

int roundHalfAway(double x) { return static_cast<int>(std::lround(x)); }

// Bark filter of centre fc over bins [0, half); binBark[k] is the Bark value
// of bin k.
void barkFilter(double fs, int n, double fc, const std::vector<double>& binBark, float* w) {
  const int half = n / 2;
  const double zc = barkFromHz(fc);
  const int lo = std::max(0, roundHalfAway(n * hzFromBark(zc - 2.5) / fs));
  const int hi = std::min(half, roundHalfAway(n * hzFromBark(zc + 1.3) / fs));
  for (int k = lo; k <= hi && k < half; ++k)
    w[k] = static_cast<float>(barkCurve(binBark[static_cast<std::size_t>(k)] - zc));
}

// Triangle of centre fc whose feet lie `width` scale units on either side.
// The two sides meet at the bin nearest fc.
void triangleFilter(double fs, int n, double fc, PerceptualScale scale, double width, float* w) {
  const int half = n / 2;
  const double mc = scaleFromHz(scale, fc);
  const double dl = fc - hzFromScale(scale, mc - width);
  const double dr = hzFromScale(scale, mc + width) - fc;
  const int split = roundHalfAway(fc / fs * n);
  for (int k = 0; k < half; ++k) {
    const double fk = k * fs / n;
    const double v = k < split ? 1.0 - (fc - fk) / dl : 1.0 - (fk - fc) / dr;
    w[k] = static_cast<float>(std::max(0.0, v));
  }
}

}  // namespace

bool buildFilterBank(double fs, int bands, int fftSize, BandDistribution distribution,
                     PerceptualScale scale, WidthStrategy width, BandAxis axis, FilterBank& bank) {
  if (fftSize < 4 || fftSize > 4096 || fftSize % 2 != 0 || !(fs > 0.0) || !std::isfinite(fs)) {
    debugMessage("buildFilterBank() : bad FFT size " + std::to_string(fftSize) + " or sampling frequency");
    return false;
  }
  const int half = fftSize / 2;
  if (bands < 2 || bands > half) {
    message("The number of bands must lie between 2 and " + std::to_string(half) + " (half the FFT size)");
    return false;
  }
  try {
    FilterBank built;
    built.bands = bands;
    built.fftSize = fftSize;
    built.distribution = distribution;
    built.weights.assign(static_cast<std::size_t>(bands) * half, 0.0f);
    built.centres.resize(bands);
    built.firstBin.resize(bands);
    built.endBin.resize(bands);
    built.values.resize(static_cast<std::size_t>(bands) * kBandBatch);

    const double top = scaleFromHz(scale, fs / 2.0);
    const double step = width == WidthStrategy::Constant ? kConstantWidth : top / (bands + 1);
    // The Bark value of each bin, computed once for all the filters.
    std::vector<double> binBark;
    if (scale == PerceptualScale::Bark) {
      binBark.resize(static_cast<std::size_t>(half));
      for (int k = 0; k < half; ++k) binBark[static_cast<std::size_t>(k)] = barkFromHz(k * fs / fftSize);
    }
    const bool linearCentres = distribution == BandDistribution::SpectroLike && axis == BandAxis::Linear;
    for (int b = 0; b < bands; ++b) {
      const double fc = linearCentres ? b * (fs / 2.0) / (bands - 1) : hzFromScale(scale, b * top / (bands - 1));
      built.centres[b] = axis == BandAxis::Perceptual ? roundHalfAway(static_cast<double>(b) / (bands - 1) * half)
                                                      : roundHalfAway(fc / fs * fftSize);
      float* w = built.weights.data() + static_cast<std::size_t>(b) * half;
      if (scale == PerceptualScale::Bark)
        barkFilter(fs, fftSize, fc, binBark, w);
      else
        triangleFilter(fs, fftSize, fc, scale, step, w);

      double sum = 0.0;
      for (int k = 0; k < half; ++k) sum += w[k];
      if (std::fabs(sum) > 1e-10)
        for (int k = 0; k < half; ++k) w[k] = static_cast<float>(w[k] / sum);
      int first = 0;
      while (first < half && w[first] == 0.0f) ++first;
      int end = half;
      while (end > first && w[end - 1] == 0.0f) --end;
      built.firstBin[b] = first;
      built.endBin[b] = end;
    }
    bank = std::move(built);
  } catch (const std::bad_alloc&) {
    debugMessage("buildFilterBank() : out of memory");
    return false;
  }
  return true;
}

void releaseFilterBank(FilterBank& bank) { bank = FilterBank(); }

int analysedBands(const FilterBank& bank, int displayedBins) {
  for (int b = 0; b < bank.bands - 1; ++b)
    if ((bank.centres[b] + bank.centres[b + 1]) / 2 > displayedBins) return b;
  return bank.bands;
}

namespace {

// The weighted sums of `cols` columns (1..kBandBatch) for the first `count`
// bands. Eight independent partial sums per column, so that the products
// pipeline (and vectorise) instead of waiting on one running sum; the
// columns share each filter's weights. Every path and batch size adds in the
// same order (no fused multiply-add), so all give the same bits.
using Float8 = float __attribute__((vector_size(32)));

[[gnu::always_inline]] inline void load8(Float8& v, const float* p) { std::memcpy(&v, p, sizeof v); }

template <int C>
[[gnu::always_inline]] inline void bandSums(const float* const* x, const FilterBank& bank, int count,
                                            float* const* out) {
  const std::size_t half = static_cast<std::size_t>(bank.fftSize / 2);
  for (int b = 0; b < count; ++b) {
    const float* w = bank.weights.data() + static_cast<std::size_t>(b) * half;
    Float8 part[C] = {};
    const int end = bank.endBin[b];
    int k = bank.firstBin[b];
    for (; k + 8 <= end; k += 8) {
      Float8 wk, xk;
      load8(wk, w + k);
      for (int c = 0; c < C; ++c) {
        load8(xk, x[c] + k);
        part[c] += xk * wk;
      }
    }
    float sum[C];
    for (int c = 0; c < C; ++c) {
      const Float8& p = part[c];
      sum[c] = ((p[0] + p[4]) + (p[1] + p[5])) + ((p[2] + p[6]) + (p[3] + p[7]));
    }
    for (; k < end; ++k)
      for (int c = 0; c < C; ++c) sum[c] += x[c][k] * w[k];
    for (int c = 0; c < C; ++c) out[c][b] = sum[c];
  }
}

#define ARDV_BAND_SUMS(NAME, ATTR)                                                                \
  ATTR void NAME(const float* const* x, int cols, const FilterBank& bank, int count, float* const* out) { \
    switch (cols) {                                                                               \
      case 1: return bandSums<1>(x, bank, count, out);                                            \
      case 2: return bandSums<2>(x, bank, count, out);                                            \
      case 3: return bandSums<3>(x, bank, count, out);                                            \
      default: return bandSums<4>(x, bank, count, out);                                           \
    }                                                                                             \
  }

ARDV_BAND_SUMS(genericBandSums, )
#ifdef ARDV_X86_PATHS
ARDV_BAND_SUMS(avx2BandSums, [[gnu::target("avx2")]])
#endif

using BandSums = void (*)(const float* const*, int, const FilterBank&, int, float* const*);

BandSums chosenBandSums() {
#ifdef ARDV_X86_PATHS
  if (cpuHasAvx2()) return avx2BandSums;
#endif
  return genericBandSums;
}

const BandSums bandSumsPath = chosenBandSums();

}  // namespace

int bandAnalysis(std::span<const float> column, int displayedBins, const FilterBank& bank, std::span<float> out) {
  if (column.size() < static_cast<std::size_t>(bank.fftSize / 2) || out.size() < static_cast<std::size_t>(bank.bands)) {
    debugMessage("bandAnalysis() : column or band buffer too short");
    return -1;
  }
  const int count = analysedBands(bank, displayedBins);
  const float* x = column.data();
  float* o = out.data();
  bandSumsPath(&x, 1, bank, count, &o);
  return count;
}

void bandsToBins(std::span<const float> bandValues, int count, int displayedBins, const FilterBank& bank,
                 bool stairs, std::span<float> column) {
  const int half = bank.fftSize / 2;
  const int limit = std::clamp(displayedBins, 0, half);
  if (count <= 0 || limit == 0) return;
  if (bandValues.size() < static_cast<std::size_t>(count) || count > bank.bands ||
      column.size() < static_cast<std::size_t>(limit)) {
    debugMessage("bandsToBins() : band values or column too short");
    return;
  }
  int current = 0;
  float last = bandValues[0];
  const std::vector<std::int32_t>& c = bank.centres;
  for (int b = 0; b < count && current < limit; ++b) {
    if (stairs) {
      const int end = std::min(limit, b < bank.bands - 1 ? (c[b] + c[b + 1]) / 2 : half);
      last = bandValues[b];
      for (; current < end; ++current) column[current] = last;
    } else if (b > 0) {
      const double x0 = c[b - 1];
      const double v0 = bandValues[b - 1];
      const double span = c[b] - x0;
      const double slope = span > 0.0 ? (bandValues[b] - v0) / span : 0.0;
      const int end = std::min(limit - 1, static_cast<int>(c[b]));
      for (; current <= end; ++current)
        column[current] = span > 0.0 ? static_cast<float>(v0 + slope * (current - x0)) : bandValues[b];
      last = bandValues[b];
    }
  }
  for (; current < limit; ++current) column[current] = last;
}

int criticalBandColumns(FilterBank& bank, const float* const* columns, int count, int displayedBins,
                         float* const* outs) {
  const int half = bank.fftSize / 2;
  const int d = std::clamp(displayedBins, 0, half);
  if (count < 1 || count > kBandBatch || bank.bands < 2 ||
      bank.values.size() < static_cast<std::size_t>(bank.bands) * kBandBatch) {
    debugMessage("criticalBandColumn() : filter bank or buffers missing");
    return -1;
  }
  const int analysed = analysedBands(bank, d);
  float* values[kBandBatch];
  for (int c = 0; c < count; ++c) values[c] = bank.values.data() + static_cast<std::size_t>(c) * bank.bands;
  bandSumsPath(columns, count, bank, analysed, values);
  const bool stairs = bank.distribution == BandDistribution::AsrLike;
  for (int c = 0; c < count; ++c) {
    const std::span<const float> v(values[c], static_cast<std::size_t>(bank.bands));
    const std::span<float> out(outs[c], static_cast<std::size_t>(d));
    if (half > bank.bands || stairs) {
      bandsToBins(v, analysed, d, bank, stairs, out);
    } else {
      // One band per bin: the values are the bins; past the analysed bands the
      // last value repeats.
      int k = 0;
      for (; k < std::min(analysed, d); ++k) out[k] = v[k];
      for (; k < d; ++k) out[k] = analysed > 0 ? v[analysed - 1] : 0.0f;
    }
  }
  return d;
}

int criticalBandColumn(FilterBank& bank, std::span<const float> column, int displayedBins, std::span<float> out) {
  const int half = bank.fftSize / 2;
  if (column.size() < static_cast<std::size_t>(half) ||
      out.size() < static_cast<std::size_t>(std::clamp(displayedBins, 0, half))) {
    debugMessage("criticalBandColumn() : filter bank or buffers missing");
    return -1;
  }
  const float* x = column.data();
  float* o = out.data();
  return criticalBandColumns(bank, &x, 1, displayedBins, &o);
}

bool widthTooSmall(double fs, int bands, int fftSize, PerceptualScale scale) {
  if (bands < 1 || fftSize < 1) return true;
  return hzFromScale(scale, scaleFromHz(scale, fs / 2.0) / bands) < fs / fftSize;
}

WidthStrategy checkWidthStrategy(double fs, int bands, int fftSize, PerceptualScale scale, WidthStrategy width,
                                 bool silently) {
  if (width != WidthStrategy::FilterDependent || !widthTooSmall(fs, bands, fftSize, scale)) return width;
  if (!silently)
    message("Width strategy set to constant width because the width is too small.\n Decrease the number of bands");
  return WidthStrategy::Constant;
}

}  // namespace ardv
