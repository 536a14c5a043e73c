// Voicing by a path through autocorrelation candidates.
#include "prosody/voicing_path.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "prosody/pitch_run.h"
#include "prosody/voicing_check.h"
#include "spectral/cpu_paths.h"
#include "spectral/fft.h"
#include "spectral/fft_kernel.h"

namespace ardv {
namespace {

struct Candidate {
  float f0 = 0;       // 0: unvoiced
  float octave = 0;   // log2 f0
  float strength = 0;
  float octaveUp = 0;  // normalised autocorrelation at half the period
};

// sin and cos of pi j / m (j < m), those of even j again one after another,
// and the weights of r(1): the cosines with the first halved.
struct CosineTables {
  std::vector<double> sin, cos, sinEven, cosEven, firstLag;
  CosineTables() = default;
  explicit CosineTables(int m) {
    for (int j = 0; j < m; ++j) {
      sin.push_back(std::sin(std::numbers::pi * j / m));
      cos.push_back(std::cos(std::numbers::pi * j / m));
    }
    for (int j = 0; j < m; j += 2) sinEven.push_back(sin[static_cast<std::size_t>(j)]);
    for (int j = 0; j < m; j += 2) cosEven.push_back(cos[static_cast<std::size_t>(j)]);
    firstLag = cos;
    firstLag[0] = 0.5;
  }
};

// P(k) = |X(k)|^2, k = 0..m, from the packed transform x of a real frame
// (P(m) left at 0: its Nyquist bin is dropped).
ARDV_WIDE_PATHS void halfPower(const float* x, int m, float* power) {
  power[0] = x[0] * x[0];
  for (int k = 1; k < m; ++k) power[k] = x[2 * k] * x[2 * k] + x[2 * k + 1] * x[2 * k + 1];
  power[m] = 0;
}

using Doubles4 = double __attribute__((vector_size(32)));

// Lanes by reference: the default build has no AVX to return them in.
[[gnu::always_inline]] inline void load4(const double* p, Doubles4& v) { std::memcpy(&v, p, sizeof v); }

[[gnu::always_inline]] inline void widen4(const float* p, Doubles4& v) { v = Doubles4{p[0], p[1], p[2], p[3]}; }

[[gnu::always_inline]] inline void reverse4(Doubles4& v) { v = Doubles4{v[3], v[2], v[1], v[0]}; }

// y(j) = (P(j) + P(m-j)) / 2 - sin(pi j / m) (P(j) - P(m-j)) into y;
// returns r(1) / 2. Four at a time, the same operations in every lane.
ARDV_WIDE_PATHS double foldPower(const float* power, const CosineTables& t, int m, double* y) {
  const double* s = t.sin.data();
  for (int j = 0; j < m; j += 4) {
    Doubles4 a, b, sj;
    widen4(power + j, a);
    widen4(power + m - j - 3, b);
    reverse4(b);
    load4(s + j, sj);
    const Doubles4 out = 0.5 * (a + b) - sj * (a - b);
    std::memcpy(y + j, &out, sizeof out);
  }
  // r(1) / 2 in eight running sums.
  const double* w = t.firstLag.data();
  Doubles4 sums[2] = {};
  for (int j = 0; j < m; j += 8)
    for (int h = 0; h < 2; ++h) {
      Doubles4 p, wj;
      widen4(power + j + 4 * h, p);
      load4(w + j + 4 * h, wj);
      sums[h] += p * wj;
    }
  const Doubles4 sum = sums[0] + sums[1];
  return (sum[0] + sum[1]) + (sum[2] + sum[3]);
}

// The split of the real transform Y of 2 * half points from the complex one
// Z of half points (natural order), for k < count: Re Y(k) into real and
// -Im Y(k) into imag. Four at a time, then one by one.
ARDV_WIDE_PATHS void splitParts(const double* zr, const double* zi, const CosineTables& t, int half, int count,
                                double* real, double* imag) {
  const double* c = t.cosEven.data();
  const double* s = t.sinEven.data();
  real[0] = zr[0] + zi[0];
  imag[0] = 0;
  int k = 1;
  for (; k + 4 <= count; k += 4) {
    Doubles4 ar, ai, br, bi, ck, sk;
    load4(zr + k, ar);
    load4(zi + k, ai);
    load4(zr + half - k - 3, br);
    load4(zi + half - k - 3, bi);
    reverse4(br);
    reverse4(bi);
    bi = -bi;
    load4(c + k, ck);
    load4(s + k, sk);
    const Doubles4 er = 0.5 * (ar + br), ei = 0.5 * (ai + bi);
    const Doubles4 orr = 0.5 * (ai - bi), oi = -0.5 * (ar - br);
    const Doubles4 re = er + ck * orr + sk * oi, im = -(ei + ck * oi - sk * orr);
    std::memcpy(real + k, &re, sizeof re);
    std::memcpy(imag + k, &im, sizeof im);
  }
  for (; k < count; ++k) {
    const double ar = zr[k], ai = zi[k], br = zr[half - k], bi = -zi[half - k];
    const double er = 0.5 * (ar + br), ei = 0.5 * (ai + bi);
    const double orr = 0.5 * (ai - bi), oi = -0.5 * (ar - br);
    real[k] = er + c[k] * orr + s[k] * oi;
    imag[k] = -(ei + c[k] * oi - s[k] * orr);
  }
}

// The frame of `length` samples at v less their mean, times the window w,
// into out; returns its largest magnitude. Eight samples to a vector.
ARDV_WIDE_PATHS float windowFrame(const std::int16_t* v, const float* w, int length, float* out) {
  using Floats8 = float __attribute__((vector_size(32)));
  using Shorts8 = std::int16_t __attribute__((vector_size(16)));
  using Ints8 = std::int32_t __attribute__((vector_size(32)));
  std::int64_t sum = 0;
  for (int k = 0; k < length; ++k) sum += v[k];
  const auto mean = static_cast<float>(static_cast<double>(sum) / length);
  Floats8 lanes = {};
  int k = 0;
  for (; k + 8 <= length; k += 8) {
    Shorts8 x;
    Floats8 h;
    std::memcpy(&x, v + k, sizeof x);
    std::memcpy(&h, w + k, sizeof h);
    const Floats8 y = (__builtin_convertvector(x, Floats8) - mean) * h;
    std::memcpy(out + k, &y, sizeof y);
    Ints8 bits;
    std::memcpy(&bits, &y, sizeof bits);
    bits &= 0x7fffffff;
    Floats8 magnitude;
    std::memcpy(&magnitude, &bits, sizeof magnitude);
    lanes = lanes < magnitude ? magnitude : lanes;
  }
  float peak = 0;
  for (int j = 0; j < 8; ++j) peak = std::max(peak, lanes[j]);
  for (; k < length; ++k) {
    const float y = (static_cast<float>(v[k]) - mean) * w[k];
    out[k] = y;
    peak = std::max(peak, std::fabs(y));
  }
  return peak;
}

// r(lag) = acf(lag) * scale * inverse(lag) for lag = from..to; the lags
// strictly inside where r peaks above floor, in order, into lags; their count.
ARDV_WIDE_PATHS int correlationPeaks(const float* acf, const double* inverse, double scale, double floor, int from,
                                     int to, double* r, int* lags) {
  for (int lag = from; lag <= to; ++lag) r[lag] = acf[lag] * scale * inverse[lag];
  int count = 0, lag = from + 1;
  using Words4 = std::int64_t __attribute__((vector_size(32)));
  for (; lag + 4 <= to; lag += 4) {
    Doubles4 before, at, after;
    load4(r + lag - 1, before);
    load4(r + lag, at);
    load4(r + lag + 1, after);
    const Words4 peak = (at > before) & (at >= after) & (at > floor);
    for (int j = 0; j < 4; ++j) {
      lags[count] = lag + j;
      count += peak[j] != 0;
    }
  }
  for (; lag < to; ++lag) {
    lags[count] = lag;
    count += r[lag] > r[lag - 1] && r[lag] >= r[lag + 1] && r[lag] > floor;
  }
  return count;
}

// The frame analysis: a Hann window of `length` samples, the reciprocal of
// its normalised autocorrelation and the lags searched.
class FrameAnalysis {
 public:
  bool prepare(double fs, const VoicingPathSettings& s, bool octaveUp) {
    fs_ = fs;
    s_ = s;
    octaveUp_ = octaveUp;
    length_ = static_cast<int>(std::lround(3.0 * fs / std::max(s.floorHz, kPathWindowFloorHz)));
    maxLag_ = std::min(static_cast<int>(std::ceil(fs / s.floorHz)), length_ - 2);
    minLag_ = std::max(2, static_cast<int>(std::floor(fs / s.ceilingHz)));
    fftSize_ = 256;
    while (fftSize_ < length_ + maxLag_ + 2) fftSize_ *= 2;
    if (fftSize_ > kMaxFftSize || minLag_ >= maxLag_) return false;
    window_.resize(static_cast<std::size_t>(length_));
    for (int k = 0; k < length_; ++k)
      window_[static_cast<std::size_t>(k)] =
          static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * (k + 1) / (length_ + 1)));
    work_.assign(static_cast<std::size_t>(fftSize_) + 2, 0.0f);
    power_.assign(static_cast<std::size_t>(fftSize_ / 2) + 1, 0.0f);
    const int m = fftSize_ / 2;
    re_.assign(static_cast<std::size_t>(m / 2) + 1, 0.0);
    im_.assign(static_cast<std::size_t>(m / 2) + 1, 0.0);
    y_.assign(static_cast<std::size_t>(m), 0.0);
    tables_ = CosineTables(m);
    std::copy(window_.begin(), window_.end(), work_.begin());
    if (!autocorrelate()) return false;
    inverseWindowCorrelation_.resize(static_cast<std::size_t>(maxLag_ + 2));
    for (int lag = 0; lag <= maxLag_ + 1; ++lag)
      inverseWindowCorrelation_[static_cast<std::size_t>(lag)] = double(work_[0]) / work_[static_cast<std::size_t>(lag)];
    r_.resize(static_cast<std::size_t>(maxLag_ + 2));
    lags_.resize(static_cast<std::size_t>(maxLag_ + 2));
    return true;
  }

  int length() const { return length_; }

  // Candidates of the frame of `length` samples at v, the unvoiced one first;
  // voiced ones only when one could win against an unvoiced score of
  // `hopeless` or less.
  void candidates(const std::int16_t* v, double globalPeak, double hopeless, std::vector<Candidate>& out) {
    const double vt = s_.voicingThreshold;
    const double localPeak = windowFrame(v, window_.data(), length_, work_.data());
    const double unvoiced = vt + std::max(0.0, 2.0 - (localPeak / globalPeak) / (s_.silenceThreshold / (1.0 + vt)));
    out.push_back({0, 0, static_cast<float>(unvoiced)});
    if (unvoiced > hopeless || !autocorrelate() || work_[0] <= 0) return;
    const double scale = 1.0 / double(work_[0]);
    const int peaks = correlationPeaks(work_.data(), inverseWindowCorrelation_.data(), scale, 0.5 * vt, minLag_ - 1,
                                       maxLag_, r_.data(), lags_.data());
    const std::size_t first = out.size();
    const double floorOctave = std::log2(s_.floorHz);
    for (int i = 0; i < peaks; ++i) {
      const int lag = lags_[static_cast<std::size_t>(i)];
      const double before = r_[static_cast<std::size_t>(lag - 1)], at = r_[static_cast<std::size_t>(lag)],
                   after = r_[static_cast<std::size_t>(lag + 1)];
      const double curvature = before - 2 * at + after;
      const double shift = curvature != 0 ? 0.5 * (before - after) / curvature : 0.0;
      const double peak = at - 0.25 * (before - after) * shift;
      const double f0 = fs_ / (lag + shift);
      if (f0 < s_.floorHz || f0 > s_.ceilingHz) continue;
      const double octave = std::log2(f0);
      out.push_back({static_cast<float>(f0), static_cast<float>(octave),
                     static_cast<float>(peak + s_.octaveCost * (octave - floorOctave)),
                     octaveUp_ ? static_cast<float>(correlationAt(0.5 * (lag + shift), scale) / std::max(peak, 1e-9))
                               : 0.0f});
    }
    const auto most = static_cast<std::size_t>(s_.candidates - 1);
    if (out.size() - first > most) {
      std::partial_sort(out.begin() + static_cast<std::ptrdiff_t>(first),
                        out.begin() + static_cast<std::ptrdiff_t>(first + most), out.end(),
                        [](const Candidate& p, const Candidate& q) { return p.strength > q.strength; });
      out.resize(first + most);
    }
  }

 private:
  // The normalised autocorrelation at a fractional lag below maxLag_,
  // linearly between its neighbours.
  double correlationAt(double lag, double scale) const {
    const int a = std::clamp(static_cast<int>(lag), 0, maxLag_);
    const double t = lag - a;
    auto r = [&](int l) {
      const auto at = static_cast<std::size_t>(l);
      return work_[at] * scale * inverseWindowCorrelation_[at];
    };
    return (1 - t) * r(a) + t * r(a + 1);
  }

  // work_[0..length) in, its autocorrelation (times fftSize_) in
  // work_[0..maxLag_ + 1] out. The power spectrum P is real and even, so the
  // autocorrelation is its cosine transform: with M = fftSize_ / 2,
  // r(l) = P(0) + 2 sum_{k=1}^{M-1} P(k) cos(pi k l / M) (P(M) dropped).
  // It comes from the M-point real transform Y of
  // y(j) = (P(j) + P(M-j)) / 2 - sin(pi j / M) (P(j) - P(M-j)), taken as a
  // complex one of M/2 points and split: r(2k) = 2 Re Y(k), and
  // r(2k+1) = r(2k-1) - 2 Im Y(k) from r(1) summed directly. In double, as
  // the full transform of P was, so r rounds to the same floats.
  bool autocorrelate() {
    std::fill(work_.begin() + length_, work_.end(), 0.0f);
    if (!realFft(work_.data(), fftSize_)) return false;
    const int m = fftSize_ / 2, half = m / 2, last = maxLag_ + 1;
    halfPower(work_.data(), m, power_.data());
    double odd = foldPower(power_.data(), tables_, m, y_.data());
    fftkernel::realAsComplexForward(half, y_.data(), re_.data(), im_.data());
    splitParts(re_.data(), im_.data(), tables_, half, last / 2 + 1, y_.data(), y_.data() + half);
    // y_ now holds Re Y(k), then -Im Y(k) from half on.
    work_[0] = static_cast<float>(2 * y_[0]);
    for (int lag = 1; lag <= last; ++lag) {
      const auto k = static_cast<std::size_t>(lag / 2);
      if (lag % 2 == 0) {
        work_[static_cast<std::size_t>(lag)] = static_cast<float>(2 * y_[k]);
      } else {
        if (k > 0) odd += y_[static_cast<std::size_t>(half) + k];
        work_[static_cast<std::size_t>(lag)] = static_cast<float>(2 * odd);
      }
    }
    return true;
  }

  double fs_ = 0;
  VoicingPathSettings s_;
  int length_ = 0, fftSize_ = 0, minLag_ = 0, maxLag_ = 0;
  bool octaveUp_ = false;  // candidates' shares at half the period wanted
  std::vector<double> inverseWindowCorrelation_, r_, re_, im_, y_;
  CosineTables tables_;
  std::vector<int> lags_;
  std::vector<float> window_, work_, power_;
};

}  // namespace

std::vector<float> autocorrelationPath(std::span<const std::int16_t> x, double fs, double first, double step,
                                       int frames, const VoicingPathSettings& settings, std::vector<float>* octaveUp) {
  FrameAnalysis analysis;
  if (frames <= 0 || step <= 0 || settings.candidates < 2 || !analysis.prepare(fs, settings, octaveUp != nullptr))
    return {};
  int largest = 0;  // in integers, which vectorise
  for (std::int16_t v : x) largest = std::max(largest, std::abs(static_cast<int>(v)));
  const double globalPeak = largest;
  // Costs are per 10 ms.
  const double perStep = 0.01 / (step / fs);
  const double changeCost = settings.voicedUnvoicedCost * perStep;
  const double jumpCost = settings.octaveJumpCost * perStep;
  // A voiced frame between unvoiced ones scores at most this above them
  // (normalised peaks reach a little over 1 at long lags).
  const double hopeless = 1.1 + settings.octaveCost * std::log2(settings.ceilingHz / settings.floorHz) + 2 * changeCost;
  // Every frame's candidates one after another; `starts` marks each frame's.
  std::vector<Candidate> cand;
  std::vector<std::size_t> starts(static_cast<std::size_t>(frames) + 1, 0);
  std::vector<std::uint8_t> back;
  std::vector<double> score, next;
  const auto samples = static_cast<std::int64_t>(x.size());
  for (int i = 0; i < frames; ++i) {
    const std::size_t from = cand.size();
    const std::int64_t start = std::llround(first + i * step) - analysis.length() / 2;
    // A frame the window leaves the samples for has no say (-1 below); a
    // silent run is unvoiced.
    const bool outside = start < 0 || start + analysis.length() > samples;
    if (outside || globalPeak <= 0)
      cand.push_back({outside ? -1.0f : 0.0f, 0, static_cast<float>(settings.voicingThreshold + (outside ? 0 : 2))});
    else
      analysis.candidates(x.data() + start, globalPeak, hopeless, cand);
    starts[static_cast<std::size_t>(i) + 1] = cand.size();
    const std::size_t count = cand.size() - from;
    next.assign(count, 0.0);
    back.resize(cand.size(), 0);
    // Into each candidate from the first of the best scores before it, less
    // the step's cost (without branches: the best is hard to foresee).
    const std::size_t prev = i > 0 ? starts[static_cast<std::size_t>(i) - 1] : 0;
    for (std::size_t b = 0; b < count; ++b) {
      const Candidate& now = cand[from + b];
      const bool nowVoiced = now.f0 > 0;
      double best = i > 0 ? -1e300 : 0.0;
      std::uint8_t arg = 0;
      for (std::size_t a = 0; a < score.size(); ++a) {
        const Candidate& was = cand[prev + a];
        const bool wasVoiced = was.f0 > 0;
        const double jump = jumpCost * std::abs(was.octave - now.octave);
        const double value = score[a] - (wasVoiced != nowVoiced ? changeCost : wasVoiced ? jump : 0.0);
        const bool better = value > best;
        best = better ? value : best;
        arg = better ? static_cast<std::uint8_t>(a) : arg;
      }
      back[from + b] = arg;
      next[b] = best + now.strength;
    }
    score.swap(next);
  }
  std::vector<float> f0(static_cast<std::size_t>(frames), 0.0f);
  if (octaveUp) octaveUp->assign(static_cast<std::size_t>(frames), 0.0f);
  auto k = static_cast<std::size_t>(std::max_element(score.begin(), score.end()) - score.begin());
  for (int i = frames - 1; i >= 0; --i) {
    const std::size_t at = starts[static_cast<std::size_t>(i)] + k;
    f0[static_cast<std::size_t>(i)] = cand[at].f0;
    if (octaveUp) (*octaveUp)[static_cast<std::size_t>(i)] = cand[at].octaveUp;
    k = back[at];
  }
  return f0;
}

void voiceByPath(const PitchRun& run, std::vector<int>& p) {
  const float threshold = run.params.voicingThreshold;
  if (threshold <= 0 || run.x.empty() || p.empty()) return;
  const PitchGeometry& g = run.geo;
  const std::vector<std::int16_t>& xs = judgedSamples(run);
  VoicingPathSettings s;
  s.floorHz = run.params.f0Min;
  s.ceilingHz = std::min<double>(run.params.f0Max, kPathCeilingHz);
  s.voicingThreshold = threshold;
  const auto n = static_cast<int>(p.size());
  // Under a range whose ceiling lies below the path's own, a frame whose
  // waveform repeats almost as well at half the path's period may hold the
  // voice an octave up, where the comb found its half or could not reach
  // it: the path adds no such frame.
  const bool narrowed = s.ceilingHz < kPathCeilingHz;
  std::vector<float> upShare;
  const std::vector<float> path = autocorrelationPath(xs, g.fs, g.L / 2, g.S, n, s, narrowed ? &upShare : nullptr);
  if (static_cast<int>(path.size()) != n) return;
  auto at = [&](int k) -> int& { return p[static_cast<std::size_t>(k)]; };
  const std::vector<int> before = p;
  auto was = [&](int k) { return before[static_cast<std::size_t>(k)]; };
  auto pathF0 = [&](int k) {
    const auto i = static_cast<std::size_t>(k);
    return narrowed && was(k) <= 0 && upShare[i] >= kPathOctaveUpShare ? 0.0f : path[i];
  };
  // Runs lose the path's unvoiced frames at their ends and its longer
  // unvoiced stretches inside. A run's first frame alone unvoiced stays: the
  // path's window reaches further before the voice than the comb's frame.
  for (int i = 0; i < n;) {
    if (was(i) <= 0) {
      ++i;
      continue;
    }
    int end = i;
    while (end < n && was(end) > 0) ++end;
    for (int k = i; k < end;) {
      int e = k;
      while (e < end && pathF0(e) == 0) ++e;
      const bool onset = k == i && e - k == 1 && e < end;
      if ((e - k >= kPathHoleFrames || k == i || e == end) && !onset)
        for (int m = k; m < e; ++m) at(m) = 0;
      k = std::max(e, k + 1);
    }
    i = end;
  }
  // Runs grow over the path's voiced frames beside them while it agrees, but
  // not into another run that the path's F0 there disagrees with (an octave
  // slip at one run's end would otherwise spread over the gap).
  auto joins = [&](int k, int f0) { return pathF0(k) > 0 && std::abs(pathF0(k) - f0) <= kPathJoinAgreement * f0; };
  // A run's last frame may stray from the path (an octave slip as the voice
  // fades); the path carries the run on if it agreed with the run just before.
  auto inside = [&](int k) { return k >= 0 && k < n; };
  auto edgeF0 = [&](int edge, int direction) {
    for (int m = edge, j = 0; j < kPathCarryFrames && inside(m) && was(m) > 0; ++j, m -= direction)
      if (joins(m, at(m))) return static_cast<int>(std::lround(pathF0(edge)));
    return at(edge);
  };
  auto grow = [&](int from, int direction) {
    int k = from + direction;
    int f0 = edgeF0(from, direction);
    while (inside(k) && was(k) <= 0 && at(k) <= 0 && (joins(k, at(k - direction)) || joins(k, f0))) {
      at(k) = f0 = static_cast<int>(std::lround(pathF0(k)));
      k += direction;
    }
    // Stopped at another run, or at another run's growth, whose F0 the
    // path does not carry over: the gap stays unvoiced.
    const bool grown = k - direction != from;
    const bool disagrees = inside(k) && grown && at(k) > 0 && !joins(k - direction, at(k));
    if (disagrees || (inside(k) && grown && was(k) > 0 && !joins(k - direction, was(k))))
      for (int m = from + direction; m != k; m += direction) at(m) = 0;
  };
  for (int i = 0; i < n; ++i) {
    if (was(i) <= 0 || at(i) <= 0) continue;
    if (i + 1 < n && was(i + 1) <= 0) grow(i, 1);
    if (i > 0 && was(i - 1) <= 0) grow(i, -1);
  }
  // The path's stretches in the voice's range away from every run.
  const double median = run.thr.F0med;
  for (int k = 0; k < n;) {
    if (pathF0(k) <= 0 || at(k) > 0) {
      ++k;
      continue;
    }
    int e = k;
    bool inRange = median > 0;
    for (; e < n && pathF0(e) > 0 && at(e) <= 0; ++e)
      inRange = inRange && pathF0(e) <= kPathRunRange * median && pathF0(e) * kPathRunRange >= median;
    const bool apart = (k == 0 || at(k - 1) <= 0) && (e == n || at(e) <= 0);
    if (apart && inRange && e - k >= kPathRunFrames)
      for (int m = k; m < e; ++m) at(m) = static_cast<int>(std::lround(pathF0(m)));
    k = e;
  }
}

}  // namespace ardv
