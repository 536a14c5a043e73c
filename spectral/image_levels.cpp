// Level mapping, bin-to-row gathering, grey ramp, colour map and legend values.
#include "spectral/image_levels.h"

#include <algorithm>
#include <cmath>

#include "spectral/power_db.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ardv {
namespace {

// (db - low)*scale limited to 0..255 before any conversion, so that any value
// (the -100 dB floor, NaN, an empty dB range) gives a valid level. The scale
// is worked out once for a column.
class LevelScale {
 public:
  LevelScale(double lowDb, double highDb, double scaleTop)
      : low_(lowDb), ranged_(highDb - lowDb > 0.0), factor_(ranged_ ? scaleTop / (highDb - lowDb) : 0.0) {}
  int operator()(double db) const {
    double v = ranged_ ? (db - low_) * factor_ : (db > low_ ? 255.0 : 0.0);
    // NaN and below 0 give 0. Without branches where the processor allows:
    // levels jump from row to row, so branches are mispredicted.
#if defined(__SSE2__)
    v = _mm_cvtsd_f64(_mm_min_sd(_mm_max_sd(_mm_set_sd(v), _mm_setzero_pd()), _mm_set_sd(255.0)));
#else
    v = v > 0.0 ? v : 0.0;
    v = v < 255.0 ? v : 255.0;
#endif
    return static_cast<int>(v);
  }

 private:
  double low_;
  bool ranged_;
  double factor_;
};

// Calls emit(rowFrom, rowTo, k) each time bin k closes a pixel row on the
// screen (rows rowTo .. rowFrom - 1 painted).
template <class Emit>
void screenRows(int bins, int displayedBins, const PlaneAxis& axis, Emit emit) {
  if (displayedBins <= 0) return;
  int yPrev = axis.rowOf(0.0);
  for (int k = 0; k < bins; ++k) {
    const int y = axis.rowOf((k + 1) * 128.0 / displayedBins);
    if (y != yPrev) {
      emit(y, yPrev, k);
      yPrev = y;
    }
  }
}

// The same for file pixels p = trunc((k+1)*height/D): pixels pPrev .. p - 1.
template <class Emit>
void fileRows(int bins, int displayedBins, int height, Emit emit) {
  if (displayedBins <= 0) return;
  const double r = static_cast<double>(height) / displayedBins;
  int pPrev = 0;
  for (int k = 0; k < bins; ++k) {
    const int p = static_cast<int>((k + 1) * r);
    if (p != pPrev) {
      emit(pPrev, p, k);
      pPrev = p;
    }
  }
}

void paintRows(std::int16_t* rows, int count, int from, int to, int level) {
  for (int y = std::max(0, from); y < std::min(count, to); ++y) rows[y] = static_cast<std::int16_t>(level);
}

void writePixels(std::uint8_t* levels, int height, int from, int to, int level) {
  for (int p = std::max(0, from); p < std::min(height, to); ++p) levels[p] = static_cast<std::uint8_t>(level);
}

// Integer running value of the reassigned rows: mean or maximum of the bins.
struct ReassignedGather {
  bool mean = true;
  long long value = 0;
  long long count = 0;
  void add(float v) {
    const double x = std::isfinite(v) ? std::clamp(static_cast<double>(v), -1e9, 1e9) : 0.0;
    if (mean)
      value = static_cast<long long>(static_cast<double>(value) + x);
    else
      value = static_cast<long long>(std::max(static_cast<double>(value), x));
    ++count;
  }
  long long take() {
    const long long r = mean ? (count > 0 ? value / count : 0) : value;
    value = 0;
    count = 0;
    return r;
  }
};

}  // namespace

int screenLevel(double db, double lowDb, double highDb) { return LevelScale(lowDb, highDb, 254.0)(db); }
int fileLevel(double db, double lowDb, double highDb) { return LevelScale(lowDb, highDb, 255.0)(db); }

int PlaneAxis::rowOf(double u) const {
  return rows - 1 - static_cast<int>(std::trunc((u - uMin) / uRange * rows + 0.5));
}

ScreenRowRuns screenRowRuns(int bins, int displayedBins, const PlaneAxis& axis) {
  ScreenRowRuns r;
  r.bins = bins;
  r.axis = axis;
  r.reassignedMean = bins <= axis.rowOf(0.0) - axis.rowOf(128.0);
  screenRows(bins, displayedBins, axis, [&](int y, int yPrev, int k) { r.runs.push_back({k, y, yPrev}); });
  return r;
}

void screenColumnLevels(const float* column, const ScreenRowRuns& runs, double lowDb, double highDb,
                        std::int16_t* rows) {
  const int count = runs.axis.rows;
  const LevelScale level(lowDb, highDb, 254.0);
  std::fill(rows, rows + count, static_cast<std::int16_t>(-1));
  int k0 = 0;
  for (const ScreenRowRuns::Run& run : runs.runs) {
    double sum = 0.0;
    int n = 0;
    for (; k0 <= run.lastBin; ++k0, ++n) sum += column[k0];
    paintRows(rows, count, run.rowFrom, run.rowTo, level(sum / n));
  }
}

void screenColumnLevels(const float* column, int bins, int displayedBins, const PlaneAxis& axis, double lowDb,
                        double highDb, std::int16_t* rows) {
  screenColumnLevels(column, screenRowRuns(bins, displayedBins, axis), lowDb, highDb, rows);
}

namespace {

// The pixel runs of fileRows for one image, worked out once per thread and
// size rather than once per column.
const std::vector<ScreenRowRuns::Run>& fileRuns(int bins, int displayedBins, int height) {
  struct Kept {
    int bins = -1, displayedBins = -1, height = -1;
    std::vector<ScreenRowRuns::Run> runs;
  };
  thread_local Kept kept;
  if (kept.bins != bins || kept.displayedBins != displayedBins || kept.height != height) {
    kept.runs.clear();
    fileRows(bins, displayedBins, height, [&](int from, int to, int k) {
      kept.runs.push_back({k, std::max(0, from), std::min(height, to)});
    });
    kept.bins = bins;
    kept.displayedBins = displayedBins;
    kept.height = height;
  }
  return kept.runs;
}

}  // namespace

void fileColumnLevels(const float* column, int bins, int displayedBins, int height, double lowDb, double highDb,
                      std::uint8_t* levels) {
  std::fill(levels, levels + height, std::uint8_t{0});
  const LevelScale level(lowDb, highDb, 255.0);
  int k0 = 0;
  for (const ScreenRowRuns::Run& run : fileRuns(bins, displayedBins, height)) {
    double sum = 0.0;
    int count = 0;
    for (; k0 <= run.lastBin; ++k0, ++count) sum += column[k0];
    const auto v = static_cast<std::uint8_t>(level(count == 1 ? sum : sum / count));
    for (int p = run.rowFrom; p < run.rowTo; ++p) levels[p] = v;
  }
}

void fileColumnLevelsOfPower(const float* power, const double* approxDb, float gainDb, int bins, int displayedBins,
                             int height, double lowDb, double highDb, std::uint8_t* levels) {
  std::fill(levels, levels + height, std::uint8_t{0});
  const LevelScale level(lowDb, highDb, 255.0);
  const double doubt = kPowerDbError + 1e-9;
  int k0 = 0;
  for (const ScreenRowRuns::Run& run : fileRuns(bins, displayedBins, height)) {
    const int from = k0;
    double sum = 0.0;
    int count = 0;
    for (; k0 <= run.lastBin; ++k0, ++count) sum += approxDb[k0];
    const double mean = count == 1 ? sum : sum / count;  // the same value, without a division
    // Levels grow with the value: when both ends of the doubt fall on one
    // level, so does the exact mean.
    int v = level(mean - doubt);
    if (!std::isfinite(mean) || v != level(mean + doubt)) {
      double exact = 0.0;
      for (int k = from; k < k0; ++k) exact += powerDb(power[k], gainDb);
      v = level(exact / count);
    }
    for (int p = run.rowFrom; p < run.rowTo; ++p) levels[p] = static_cast<std::uint8_t>(v);
  }
}

namespace {

// Columns gathered side by side: their running values are independent
// chains, which the processor then overlaps.
template <int C>
void reassignedBatch(const float* const* columns, const ScreenRowRuns& runs, double lowDb, double highDb,
                     std::int16_t* const* rows) {
  const int count = runs.axis.rows;
  const LevelScale level(lowDb, highDb, 254.0);
  ReassignedGather g[C];
  for (int c = 0; c < C; ++c) {
    std::fill(rows[c], rows[c] + count, static_cast<std::int16_t>(-1));
    g[c].mean = runs.reassignedMean;
  }
  int k0 = 0;
  for (const ScreenRowRuns::Run& run : runs.runs) {
    for (; k0 <= run.lastBin; ++k0)
      for (int c = 0; c < C; ++c) g[c].add(columns[c][k0]);
    for (int c = 0; c < C; ++c)
      paintRows(rows[c], count, run.rowFrom, run.rowTo, level(static_cast<double>(g[c].take())));
  }
}

}  // namespace

void reassignedScreenLevels(const float* const* columns, int count, const ScreenRowRuns& runs, double lowDb,
                            double highDb, std::int16_t* const* rows) {
  for (int c = 0; c < count; c += 4) {
    switch (std::min(4, count - c)) {
      case 1: reassignedBatch<1>(columns + c, runs, lowDb, highDb, rows + c); break;
      case 2: reassignedBatch<2>(columns + c, runs, lowDb, highDb, rows + c); break;
      case 3: reassignedBatch<3>(columns + c, runs, lowDb, highDb, rows + c); break;
      default: reassignedBatch<4>(columns + c, runs, lowDb, highDb, rows + c); break;
    }
  }
}

void reassignedScreenLevels(const float* column, const ScreenRowRuns& runs, double lowDb, double highDb,
                            std::int16_t* rows) {
  reassignedScreenLevels(&column, 1, runs, lowDb, highDb, &rows);
}

void reassignedScreenLevels(const float* column, int bins, int displayedBins, const PlaneAxis& axis, double lowDb,
                            double highDb, std::int16_t* rows) {
  reassignedScreenLevels(column, screenRowRuns(bins, displayedBins, axis), lowDb, highDb, rows);
}

void reassignedFileLevels(const float* column, int bins, int displayedBins, int height, double lowDb, double highDb,
                          std::uint8_t* levels) {
  std::fill(levels, levels + height, std::uint8_t{0});
  const LevelScale level(lowDb, highDb, 255.0);
  ReassignedGather g{bins <= height};
  int k0 = 0;
  fileRows(bins, displayedBins, height, [&](int from, int to, int k) {
    for (; k0 <= k; ++k0) g.add(column[k0]);
    writePixels(levels, height, from, to, level(static_cast<double>(g.take())));
  });
}

LevelColours greyRamp(double gamma) {
  LevelColours ramp;
  for (int v = 0; v < 256; ++v) {
    const double g = (1.0 - std::pow(v / 255.0, gamma)) * 255.0;
    const int level = std::isfinite(g) ? static_cast<int>(std::clamp(g, 0.0, 255.0)) : 0;
    const auto c = static_cast<std::uint8_t>(level);
    ramp[static_cast<std::size_t>(v)] = Rgb{c, c, c};
  }
  return ramp;
}

namespace {

struct Hsv {
  double h, s, v;
};

Hsv toHsv(double r, double g, double b) {
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  Hsv out{0.0, mx > 0.0 ? (mx - mn) / mx : 0.0, mx / 255.0};
  const double d = mx - mn;
  if (out.s > 0.0) {
    if (mx == r)
      out.h = 60.0 * ((g - b) / d);
    else if (mx == g)
      out.h = 60.0 * ((b - r) / d + 2.0);
    else
      out.h = 60.0 * ((r - g) / d + 4.0);
    if (out.h < 0.0) out.h += 360.0;
  }
  return out;
}

Rgb toRgb(const Hsv& c) {
  double r = c.v, g = c.v, b = c.v;
  if (c.s > 0.0) {
    const double hh = c.h / 60.0;
    const int sector = static_cast<int>(std::floor(hh)) % 6;
    const double f = hh - std::floor(hh);
    const double p = c.v * (1.0 - c.s), q = c.v * (1.0 - c.s * f), t = c.v * (1.0 - c.s * (1.0 - f));
    switch (sector) {
      case 0: r = c.v; g = t; b = p; break;
      case 1: r = q; g = c.v; b = p; break;
      case 2: r = p; g = c.v; b = t; break;
      case 3: r = p; g = q; b = c.v; break;
      case 4: r = t; g = p; b = c.v; break;
      default: r = c.v; g = p; b = q; break;
    }
  }
  auto byte = [](double x) { return static_cast<std::uint8_t>(std::clamp(x * 255.0, 0.0, 255.0)); };
  return Rgb{byte(r), byte(g), byte(b)};
}

}  // namespace

LevelColours colourMap() {
  struct Key {
    double r, g, b;
    int entries;
  };
  static constexpr Key kKeys[9] = {{255, 255, 255, 48}, {255, 255, 204, 46}, {255, 207, 64, 44},
                                   {250, 123, 70, 40},  {255, 31, 19, 28},    {140, 0, 0, 22},
                                   {64, 0, 0, 16},      {48, 0, 0, 12},       {0, 0, 0, 0}};
  LevelColours map;
  std::size_t e = 0;
  for (int i = 0; i < 8; ++i) {
    const Hsv a = toHsv(kKeys[i].r, kKeys[i].g, kKeys[i].b);
    const Hsv b = toHsv(kKeys[i + 1].r, kKeys[i + 1].g, kKeys[i + 1].b);
    const int n = kKeys[i].entries;
    for (int j = 0; j < n && e < map.size(); ++j, ++e) {
      const Hsv c{a.h + j * (b.h - a.h) / n, a.s + j * (b.s - a.s) / n, a.v + j * (b.v - a.v) / n};
      map[e] = toRgb(c);
    }
  }
  return map;
}

Rgb DisplayColours::levelColour(int v) const {
  const std::size_t i = static_cast<std::size_t>(std::clamp(v, 0, 255));
  if (!graymode || (!paletteDevice && lowColourDevice)) return colour[i];
  return grey[i];
}

bool DisplayColours::setSpectroGamma(double newGamma) {
  if (lowColourDevice || std::fabs(newGamma - gamma) < 0.01) return false;
  gamma = newGamma;
  grey = greyRamp(gamma);
  return true;
}

DisplayColours& displayColours() {
  static DisplayColours colours;
  return colours;
}

LevelRange& legendRange() {
  static LevelRange range;
  return range;
}

double legendLevelDb(int k) {
  const LevelRange& r = legendRange();
  return r.lowDb + k * (r.highDb - r.lowDb) / 255.0;
}

int legendLabelInterval(double planeWidth, double labelWidth) {
  double need = 1.0;
  if (planeWidth > 0.0 && labelWidth > 0.0) need = std::max(1.0, 256.0 / (0.8 * planeWidth / labelWidth));
  int n = 1;
  while (n < need && n < 256) n *= 2;
  return n;
}

}  // namespace ardv
