// Snake formant tracking.
//
// Symbols: x column, y row, κ image weight, ρ repulsion, h update step.
#include "formants/snake.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "formants/formant_candidates.h"
#include "formants/mccandless.h"
#include "platform/report.h"
#include "signal/replacing_file.h"
#include "signal/resampler.h"
#include "signal/time_conversion.h"

namespace ardv {
namespace {

constexpr double kRepulsionRows = 7.0;
constexpr double kUpdateStep = 0.33;
constexpr double kInitialWindowMs = 250.0;
constexpr int kMaxDiscretised = 1001;

}  // namespace

SnakeParams& snakeParams() {
  static SnakeParams p;
  return p;
}

std::string snakeParamsProblem(const SnakeParams& p) {
  if (p.iterations < 0 || p.iterations > 100000) return "the number of iterations must lie between 0 and 100000";
  if (p.step < 1 || p.step > 512) return "the discretization step must lie between 1 and 512";
  for (double v : {p.weight, p.alpha, p.beta, p.repulsion})
    if (!std::isfinite(v) || v < 0.0 || v > 1e6) return "the weights must lie between 0 and 1000000";
  if (!std::isfinite(p.gamma) || p.gamma <= 0.0 || p.gamma > 1e6) return "gamma must lie above 0";
  if (p.displayPeriod < 1) return "the display period must be at least 1";
  return {};
}

int discretiseContour(const Contour& in, double d, Contour& out) {
  out.clear();
  if (!(d > 0.0) || !std::isfinite(d)) {
    message("WARNING : Discretisation impossible, changez la constante de discretisation ....");
    return -1;
  }
  double length = 0.0;
  for (std::size_t i = 1; i < in.size(); ++i) length += std::hypot(in[i].x - in[i - 1].x, in[i].y - in[i - 1].y);
  Contour pts;
  if (!in.empty()) {
    pts.push_back(in[0]);
    SnakePoint p = in[0];
    std::size_t seg = 0;
    double t0 = 0.0;
    while (seg + 1 < in.size() && static_cast<int>(pts.size()) <= kMaxDiscretised) {
      const SnakePoint a = in[seg], b = in[seg + 1];
      const double dx = b.x - a.x, dy = b.y - a.y;
      const double ex = a.x - p.x, ey = a.y - p.y;
      // |a + t·(b − a) − p|² = d²
      const double qa = dx * dx + dy * dy, qb = 2.0 * (dx * ex + dy * ey), qc = ex * ex + ey * ey - d * d;
      const double disc = qb * qb - 4.0 * qa * qc;
      double t = -1.0;
      if (qa > 0.0 && disc >= 0.0) t = (-qb + std::sqrt(disc)) / (2.0 * qa);
      if (t >= t0 && t <= 1.0) {
        p = {a.x + t * dx, a.y + t * dy};
        pts.push_back(p);
        t0 = t;
      } else {
        ++seg;
        t0 = 0.0;
      }
    }
  }
  const int effective = static_cast<int>(pts.size());
  char line[120];
  std::snprintf(line, sizeof line, " nombre de pts souhaites %d  nombre effectif %d\n", static_cast<int>(length / d),
                effective);
  reportHandler().traceLine(line);
  if (effective >= kMaxDiscretised) {
    message(" Le nombre maximum de points est atteint \n Je tronque a MAX_PTS");
    pts.resize(kMaxSnakePoints);
  } else if (effective <= 1) {
    message("WARNING : Discretisation impossible ... Le SNAKE n'existe pas ...");
    return 0;
  }
  std::snprintf(line, sizeof line, "\n nombre de points discretises %d\n", static_cast<int>(pts.size()));
  reportHandler().traceLine(line);
  out = std::move(pts);
  return static_cast<int>(out.size());
}

bool PentadiagonalSystem::factor(int n, double alpha, double beta, double gamma) {
  n_ = std::max(n, 0);
  for (auto& band : m_) band.assign(static_cast<std::size_t>(n_), 0.0);
  // Free ends: the Hessian of α·Σ|v(i+1) − v(i)|² + β·Σ|v(i−1) − 2v(i) + v(i+1)|² (halved).
  auto add = [&](int i, int j, double v) {
    if (i > j) std::swap(i, j);
    m_[j - i][static_cast<std::size_t>(i)] += v;
  };
  for (int i = 0; i + 1 < n_; ++i) {
    add(i, i, alpha);
    add(i + 1, i + 1, alpha);
    add(i, i + 1, -alpha);
  }
  for (int i = 1; i + 1 < n_; ++i) {
    const int idx[3] = {i - 1, i, i + 1};
    const double w[3] = {1.0, -2.0, 1.0};
    for (int a = 0; a < 3; ++a)
      for (int b = a; b < 3; ++b) add(idx[a], idx[b], beta * w[a] * w[b] * (a == b ? 1.0 : 1.0));
  }
  for (int i = 0; i < n_; ++i) m_[0][static_cast<std::size_t>(i)] += gamma;
  // LDLᵀ of the symmetric band.
  d_.assign(static_cast<std::size_t>(n_), 0.0);
  l1_.assign(static_cast<std::size_t>(n_), 0.0);
  l2_.assign(static_cast<std::size_t>(n_), 0.0);
  for (int i = 0; i < n_; ++i) {
    const auto s = static_cast<std::size_t>(i);
    // l2_[i] = L(i, i−2), l1_[i] = L(i, i−1)
    if (i >= 2) l2_[s] = m_[2][s - 2] / d_[s - 2];
    if (i >= 1) {
      double v = m_[1][s - 1];
      if (i >= 2) v -= l2_[s] * d_[s - 2] * l1_[s - 1];
      l1_[s] = v / d_[s - 1];
    }
    double di = m_[0][s];
    if (i >= 1) di -= l1_[s] * l1_[s] * d_[s - 1];
    if (i >= 2) di -= l2_[s] * l2_[s] * d_[s - 2];
    if (!(std::abs(di) > 1e-12) || !std::isfinite(di)) {
      message(" matrice non inversible ");
      n_ = 0;
      return false;
    }
    d_[s] = di;
  }
  return true;
}

double PentadiagonalSystem::entry(int i, int j) const {
  if (i > j) std::swap(i, j);
  if (j - i > 2 || i < 0 || j >= n_) return 0.0;
  return m_[j - i][static_cast<std::size_t>(i)];
}

void PentadiagonalSystem::solve(std::vector<double>& b) const {
  const int n = std::min<int>(n_, static_cast<int>(b.size()));
  for (int i = 0; i < n; ++i) {
    const auto s = static_cast<std::size_t>(i);
    if (i >= 1) b[s] -= l1_[s] * b[s - 1];
    if (i >= 2) b[s] -= l2_[s] * b[s - 2];
  }
  for (int i = 0; i < n; ++i) b[static_cast<std::size_t>(i)] /= d_[static_cast<std::size_t>(i)];
  for (int i = n - 1; i >= 0; --i) {
    const auto s = static_cast<std::size_t>(i);
    if (i + 1 < n) b[s] -= l1_[s + 1] * b[s + 1];
    if (i + 2 < n) b[s] -= l2_[s + 2] * b[s + 2];
  }
}

namespace {

// The image smoothed by the 5 × 5 kernel (weights 52), plain within two
// cells of the border.
std::vector<double> smoothedImage(const SupportImage& img) {
  static constexpr int kKernel[5][5] = {
      {1, 1, 2, 1, 1}, {1, 2, 4, 2, 1}, {2, 4, 8, 4, 2}, {1, 2, 4, 2, 1}, {1, 1, 2, 1, 1}};
  std::vector<double> s(img.cells.size());
  for (int c = 0; c < img.columns; ++c)
    for (int r = 0; r < img.rows; ++r) {
      double v = img.at(c, r);
      if (c >= 2 && r >= 2 && c + 2 < img.columns && r + 2 < img.rows) {
        v = 0.0;
        for (int i = -2; i <= 2; ++i)
          for (int j = -2; j <= 2; ++j) v += kKernel[i + 2][j + 2] * img.at(c + i, r + j);
        v /= 52.0;
      }
      s[static_cast<std::size_t>(c) * img.rows + r] = v;
    }
  return s;
}

// y of contour `k` at column x (linear between its points, ends held).
double rowAt(const Contour& k, double x) {
  if (k.empty()) return 0.0;
  if (x <= k.front().x) return k.front().y;
  if (x >= k.back().x) return k.back().y;
  const auto it = std::lower_bound(k.begin(), k.end(), x, [](const SnakePoint& p, double v) { return p.x < v; });
  const SnakePoint& b = *it;
  const SnakePoint& a = *(it - 1);
  return b.x > a.x ? a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x) : b.y;
}

}  // namespace

bool runSnakes(const SupportImage& image, std::vector<Contour>& contours, const SnakeParams& p,
               const std::vector<bool>& moving, const std::function<void(int, const std::vector<Contour>&)>& display) {
  const int width = image.columns;
  const int height = image.workingRows();
  if (width < 1 || image.cells.size() != static_cast<std::size_t>(image.columns) * image.rows) return false;
  const std::vector<double> smooth = smoothedImage(image);
  auto sm = [&](int c, int r) { return smooth[static_cast<std::size_t>(c) * image.rows + r]; };
  const int count = static_cast<int>(contours.size());
  std::vector<PentadiagonalSystem> systems(static_cast<std::size_t>(count));
  const double tau = 1.0;
  for (int k = 0; k < count; ++k)
    if (!systems[static_cast<std::size_t>(k)].factor(static_cast<int>(contours[static_cast<std::size_t>(k)].size()),
                                                      p.alpha * tau, p.beta * tau, p.gamma))
      return false;
  const double h4 = std::pow(kUpdateStep, 4);
  std::vector<double> b;
  for (int it = 1; it <= p.iterations; ++it) {
    for (int k = 0; k < count; ++k) {
      if (!moving.empty() && (static_cast<std::size_t>(k) >= moving.size() || !moving[static_cast<std::size_t>(k)]))
        continue;
      Contour& v = contours[static_cast<std::size_t>(k)];
      b.resize(v.size());
      for (std::size_t i = 0; i < v.size(); ++i) {
        const int c = static_cast<int>(std::lround(v[i].x));
        const int r = static_cast<int>(std::lround(v[i].y));
        double dy = 0.0;
        double raw = 0.0;
        if (c >= 0 && c < width && r >= 1 && r < height) {
          dy = r + 1 < height ? 0.5 * (sm(c, r + 1) - sm(c, r - 1)) : sm(c, r) - sm(c, r - 1);
          raw = image.at(c, r);
        }
        double rep;
        if (k == 0) {
          rep = -100.0 * p.repulsion * std::exp(-std::pow(4.0 * v[i].y / kRepulsionRows, 2));
        } else {
          const double below = rowAt(contours[static_cast<std::size_t>(k - 1)], v[i].x);
          rep = -raw * p.repulsion * std::exp(-std::pow((v[i].y - below) / kRepulsionRows, 2));
        }
        if (k + 1 < count && !contours[static_cast<std::size_t>(k + 1)].empty()) {
          const double above = rowAt(contours[static_cast<std::size_t>(k + 1)], v[i].x);
          rep += raw * p.repulsion * std::exp(-std::pow((v[i].y - above) / kRepulsionRows, 2));
        }
        const double fy = -p.weight * dy + rep;
        b[i] = p.gamma * v[i].y - h4 * fy;
      }
      systems[static_cast<std::size_t>(k)].solve(b);
      for (std::size_t i = 0; i < v.size(); ++i)
        v[i].y = std::isfinite(b[i]) ? std::clamp(b[i], 0.0, static_cast<double>(height - 1)) : v[i].y;
    }
    if (display && p.displayIntermediate && p.displayPeriod > 0 && it % p.displayPeriod == 0) display(it, contours);
  }
  return true;
}

double voicingWeight(std::span<const float> spectrum, double fs) {
  const int n = static_cast<int>(spectrum.size());
  if (n < 2 || !(fs > 0.0)) return 0.0;
  const double binHz = fs / 2.0 / n;
  auto mean = [&](double lo, double hi) {
    double s = 0.0;
    int m = 0;
    for (int k = 0; k < n; ++k)
      if (k * binHz >= lo && k * binHz <= hi) {
        s += spectrum[static_cast<std::size_t>(k)];
        ++m;
      }
    return m ? s / m : 0.0;
  };
  const double d = mean(0.0, 1200.0) - mean(2000.0, std::min(4000.0, fs / 2.0));
  if (d >= 15.0) return 1.0;
  if (d < 6.0) return 0.0;
  return (std::cos((d - 6.0) / 9.0 * M_PI + M_PI) + 1.0) / 2.0;
}

bool initialContours(std::span<const std::int16_t> samples, const SupportImage& image, const FormantOptions& options,
                     InitialCurves kind, std::vector<Contour>& contours) {
  const double fs = image.fs;
  const int order = formantLpcOrder(options, fs);
  const int lpcFrame = lpcRootsFrameLength(fs);
  const int columns = image.columns;
  // Per column frame: F1–F6 (0 = none) and a voicing weight.
  std::vector<std::array<double, kSnakeFormants>> est(static_cast<std::size_t>(columns));
  std::vector<double> voicing(static_cast<std::size_t>(columns), 0.0);
  McCandlessState state;
  std::vector<std::int16_t> buffer;
  std::vector<float> spectrum;
  PeakSettings peaks;
  peaks.trueEnvelope = true;
  peaks.order = PeakOrder::Registration;
  peaks.maxPeaks = kRegistrationPeaks;
  peaks.highestBin = 255;
  for (int c = 0; c < columns; ++c) {
    const std::int64_t start = image.columnCentre(c) - lpcFrame / 2;
    CandidateFrame roots;
    const auto frame = paddedFrame(samples, start, lpcFrame, buffer);
    if (!lpcRootsFrame(frame, 0, lpcFrame, fs, order, kMaxRootBandwidthHz, 0.0, roots, &spectrum)) return false;
    // The frame was pre-emphasised: undo its +6 dB/octave before weighing voicing.
    for (std::size_t k = 1; k < spectrum.size(); ++k)
      spectrum[k] -= static_cast<float>(20.0 * std::log10(2.0 * std::sin(M_PI * static_cast<double>(k) / 256.0)));
    // A silent frame (constant samples: nothing left after the pre-emphasis)
    // has a meaningless spectrum, which undone would read as voiced.
    const bool silent = std::all_of(frame.begin(), frame.end(), [&](std::int16_t v) { return v == frame.front(); });
    voicing[static_cast<std::size_t>(c)] = silent ? 0.0 : voicingWeight(spectrum, fs);
    std::vector<RootCandidate> list;
    if (kind == InitialCurves::LpcRoots) {
      for (const FormantCandidate& f : roots.candidates) list.push_back({f.frequencyHz, f.bandwidthHz, f.amplitudeDb});
    } else {
      const std::int64_t ps = image.columnCentre(c) - kSnakePeakFrame / 2;
      CandidateFrame pk;
      if (cepstralPeaksFrame(paddedFrame(samples, ps, kSnakePeakFrame, buffer), 0, fs, options, peaks, pk) < 0) return false;
      std::sort(pk.candidates.begin(), pk.candidates.end(),
                [](const FormantCandidate& a, const FormantCandidate& b) { return a.frequencyHz < b.frequencyHz; });
      for (const FormantCandidate& f : pk.candidates) list.push_back({f.frequencyHz, 100.0, f.amplitudeDb});
    }
    std::array<int, 4> assigned{};
    std::array<RootCandidate, 4> chosen{};
    bool ok = assignFormants(list, state.previous, 400.0, assigned, chosen, &state.misses);
    if (!ok) ok = assignFormants(list, state.previous, 600.0, assigned, chosen, &state.misses);
    for (int k = 0; k < 4; ++k)
      state.misses[static_cast<std::size_t>(k)] =
          assigned[static_cast<std::size_t>(k)] >= 0 ? 0 : state.misses[static_cast<std::size_t>(k)] + 1;
    auto& e = est[static_cast<std::size_t>(c)];
    e.fill(0.0);
    // Each assigned formant moves its estimate even when the frame fails, as
    // in the tracker: otherwise a child's F2 near 2600 Hz stays with F3's
    // starting estimate and the frames fail until F2 falls.
    for (int k = 0; k < 4; ++k)
      if (assigned[static_cast<std::size_t>(k)] >= 0)
        state.previous[static_cast<std::size_t>(k)] = chosen[static_cast<std::size_t>(k)].frequencyHz;
    if (!ok) continue;
    for (int k = 0; k < 3; ++k) e[static_cast<std::size_t>(k)] = chosen[static_cast<std::size_t>(k)].frequencyHz;
    // F4–F6: the next narrow roots above F3 and below the working rows (the
    // assignment's F4 stops at 3800 Hz).
    double floor = e[2];
    int k = 3;
    for (const RootCandidate& r : list)
      if (k < kSnakeFormants && r.frequencyHz > floor + 200.0 && r.frequencyHz < kSnakeTopHz &&
          r.bandwidthHz < 400.0) {
        e[static_cast<std::size_t>(k++)] = r.frequencyHz;
        floor = r.frequencyHz;
      }
  }
  const double colMs = image.hop / fs * 1000.0;
  const int reach = std::max(1, static_cast<int>(kInitialWindowMs / std::max(colMs, 1e-9)));
  const int height = image.workingRows();
  contours.assign(kSnakeFormants, Contour(static_cast<std::size_t>(columns)));
  std::vector<std::pair<double, double>> values;
  std::array<bool, kSnakeFormants> found{};
  for (int c = 0; c < columns; ++c) {
    for (int k = 0; k < kSnakeFormants; ++k) {
      values.clear();
      double total = 0.0, voiced = 0.0;
      for (int j = std::max(0, c - reach); j <= std::min(columns - 1, c + reach); ++j) {
        const double f = est[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)];
        const double w = (1.0 - std::abs(j - c) / (reach + 1.0)) * voicing[static_cast<std::size_t>(j)];
        voiced += w;
        if (f > 0.0 && w > 0.0) {
          values.emplace_back(f, w);
          total += w;
        }
      }
      // F4–F6 count only where they hold most of the window's voiced weight:
      // a few stray roots would otherwise make a contour beside F3.
      if (k >= 3 && total < voiced / 2.0) values.clear();
      double f;
      if (!values.empty()) {
        found[static_cast<std::size_t>(k)] = true;
        std::sort(values.begin(), values.end());
        double acc = 0.0;
        f = values.back().first;
        for (const auto& [v, w] : values)
          if ((acc += w) >= total / 2.0) {
            f = v;
            break;
          }
      } else if (voicing[static_cast<std::size_t>(c)] > 0.8) {
        f = k < 2 ? 350.0 + 550.0 * k : 2500.0 + 1000.0 * (k - 2);
      } else {
        f = 500.0 + 1000.0 * k;
      }
      const double row = std::clamp(f * 512.0 / fs, 0.0, static_cast<double>(height - 1));
      contours[static_cast<std::size_t>(k)][static_cast<std::size_t>(c)] = {static_cast<double>(c), row};
    }
  }
  // F4–F6 that no frame supports would only crowd the top of the image and
  // push F3 down: they are left out.
  std::size_t keep = 3;
  while (keep < contours.size() && found[keep]) ++keep;
  contours.resize(keep);
  return true;
}

std::vector<std::vector<SnakeTrackPoint>> contoursToTracks(const SupportImage& image,
                                                           const std::vector<Contour>& contours, std::int64_t offset) {
  std::vector<std::vector<SnakeTrackPoint>> tracks(contours.size());
  for (std::size_t k = 0; k < contours.size(); ++k) {
    const Contour& v = contours[k];
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (v[i].x < 0.0 || v[i].x > image.columns || v[i].y < 0.0 || v[i].y > image.rows) {
        char text[200];
        std::snprintf(text, sizeof text, " Hors image \n     numero %d, point (%f,%f) \n bimension image %d- %d \n",
                      static_cast<int>(i), v[i].x, v[i].y, image.columns, image.rows);
        message(text);
        continue;
      }
      if (i % 2 != 0) continue;
      tracks[k].push_back({static_cast<double>(samplesToMs(static_cast<double>(image.columnCentre(v[i].x) + offset), image.fs)),
                           v[i].y * image.fs / 512.0});
    }
  }
  return tracks;
}

namespace {

constexpr double kPreEmphasis = 0.5;  // of the resampled copy
constexpr double kChildLifterScale = 0.8;  // of the lifter bounds on the copy of a child's voice

// Tracks first..last of a signal above kSnakeTrackingRateHz on its copy at
// that rate; the tracks' dates stay those of the signal.
bool trackSnakesResampled(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
                          const FormantOptions& options, const SnakeParams& params, SupportMethod method,
                          InitialCurves kind, std::vector<std::vector<SnakeTrackPoint>>& tracks) {
  const auto rate = static_cast<std::int64_t>(std::lround(fs));
  const auto to = static_cast<std::int64_t>(kSnakeTrackingRateHz);
  const std::int64_t n = static_cast<std::int64_t>(samples.size());
  // The copy starts a little before the stretch (the filter's start-up) and
  // ends a frame after it (the last frames read past `last`).
  const std::int64_t margin = rate / 100;
  const std::int64_t from = std::clamp<std::int64_t>(first - margin, 0, n);
  const std::int64_t end = std::clamp<std::int64_t>(last + 512 * rate / to + margin, from, n);
  std::vector<std::int16_t> y = resampleSamples(samples.subspan(static_cast<std::size_t>(from),
                                                                static_cast<std::size_t>(end - from)),
                                                rate, to);
  // A light first difference (y[n] − 0.5·y[n−1], +9.5 dB at 8 kHz against
  // 0 Hz) keeps F3 on its ridge: without it the image of a voice recorded at
  // a high rate, steeper above F3 than one made at 16 kHz, drew the snake's
  // F3 of a child's moving vowel 250 Hz down.
  for (std::size_t i = y.size(); i-- > 1;)
    y[i] = static_cast<std::int16_t>(std::lround(std::clamp(y[i] - kPreEmphasis * y[i - 1], -32767.0, 32767.0)));
  // A child's harmonics (F0 of 250 Hz or more) stand apart in the copy's
  // 32-ms frames; the default lifter's taper to 2.5 ms, near the period,
  // leaves their ripple in the envelope and held F1 of a moving child vowel
  // on a harmonic (43 Hz off in 20 dB noise; with 4/5 of it 33 Hz).
  FormantOptions copyOptions = options;
  if (options.voiceF0FloorHz >= kShortTractF0FloorHz) {
    copyOptions.lifterLowMs *= kChildLifterScale;
    copyOptions.lifterHighMs *= kChildLifterScale;
  }
  const ResampleRatio ratio = resampleRatio(rate, to);
  const std::int64_t first16 = resampledPosition(first - from, ratio);
  const std::int64_t last16 = std::max(first16 + 1, resampledPosition(last - from, ratio));
  if (!trackSnakes(y, first16, last16, static_cast<double>(to), copyOptions, params, method, kind, tracks))
    return false;
  const double shiftMs = 1000.0 * static_cast<double>(from) / fs;
  for (auto& track : tracks)
    for (SnakeTrackPoint& p : track) p.timeMs += shiftMs;
  return true;
}

}  // namespace

bool trackSnakes(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
                 const FormantOptions& options, const SnakeParams& params, SupportMethod method, InitialCurves kind,
                 std::vector<std::vector<SnakeTrackPoint>>& tracks) {
  if (fs > kSnakeTrackingRateHz && fs <= static_cast<double>(kResampleMaxRateHz))
    return trackSnakesResampled(samples, first, last, fs, options, params, method, kind, tracks);
  SupportImage image;
  if (!computeSupportImage(samples, first, last, fs, method, options, image)) return false;
  std::vector<Contour> initial;
  if (!initialContours(samples, image, options, kind, initial)) return false;
  std::vector<Contour> contours;
  for (const Contour& c : initial) {
    Contour d;
    if (discretiseContour(c, params.step, d) > 1) contours.push_back(std::move(d));
  }
  if (!runSnakes(image, contours, params)) return false;
  tracks = contoursToTracks(image, contours);
  return true;
}

}  // namespace ardv
