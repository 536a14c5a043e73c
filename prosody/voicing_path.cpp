// Voicing by a path through autocorrelation candidates.
#include "prosody/voicing_path.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "prosody/pitch_run.h"
#include "prosody/voicing_check.h"
#include "spectral/fft.h"

namespace ardv {
namespace {

struct Candidate {
  float f0 = 0;       // 0: unvoiced
  float octave = 0;   // log2 f0
  float strength = 0;
};

// The frame analysis: a Hann window of `length` samples, the reciprocal of
// its normalised autocorrelation and the lags searched.
class FrameAnalysis {
 public:
  bool prepare(double fs, const VoicingPathSettings& s) {
    fs_ = fs;
    s_ = s;
    length_ = static_cast<int>(std::lround(3.0 * fs / s.floorHz));
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
    power_.assign(static_cast<std::size_t>(fftSize_) + 2, 0.0f);
    std::copy(window_.begin(), window_.end(), work_.begin());
    if (!autocorrelate()) return false;
    inverseWindowCorrelation_.resize(static_cast<std::size_t>(maxLag_ + 2));
    for (int lag = 0; lag <= maxLag_ + 1; ++lag)
      inverseWindowCorrelation_[static_cast<std::size_t>(lag)] = double(work_[0]) / work_[static_cast<std::size_t>(lag)];
    r_.resize(static_cast<std::size_t>(maxLag_ + 2));
    return true;
  }

  int length() const { return length_; }

  // Candidates of the frame of `length` samples at v, the unvoiced one first;
  // voiced ones only when one could win against an unvoiced score of
  // `hopeless` or less.
  void candidates(const std::int16_t* v, double globalPeak, double hopeless, std::vector<Candidate>& out) {
    const double vt = s_.voicingThreshold;
    std::int64_t sum = 0;
    for (int k = 0; k < length_; ++k) sum += v[k];
    const auto mean = static_cast<float>(static_cast<double>(sum) / length_);
    // The peak in eight running maxima, eight samples at a time.
    float lanes[8] = {};
    const float* w = window_.data();
    float* windowed = work_.data();
    int k = 0;
    for (; k + 8 <= length_; k += 8)
      for (int j = 0; j < 8; ++j) {
        const float y = (static_cast<float>(v[k + j]) - mean) * w[k + j];
        windowed[k + j] = y;
        lanes[j] = std::max(lanes[j], std::fabs(y));
      }
    for (; k < length_; ++k) {
      const float y = (static_cast<float>(v[k]) - mean) * w[k];
      windowed[k] = y;
      lanes[0] = std::max(lanes[0], std::fabs(y));
    }
    const double localPeak = *std::max_element(lanes, lanes + 8);
    const double unvoiced = vt + std::max(0.0, 2.0 - (localPeak / globalPeak) / (s_.silenceThreshold / (1.0 + vt)));
    out.push_back({0, 0, static_cast<float>(unvoiced)});
    if (unvoiced > hopeless || !autocorrelate() || work_[0] <= 0) return;
    const double scale = 1.0 / double(work_[0]);
    for (int lag = minLag_ - 1; lag <= maxLag_; ++lag)
      r_[static_cast<std::size_t>(lag)] =
          work_[static_cast<std::size_t>(lag)] * scale * inverseWindowCorrelation_[static_cast<std::size_t>(lag)];
    const std::size_t first = out.size();
    for (int lag = minLag_; lag < maxLag_; ++lag) {
      const double before = r_[static_cast<std::size_t>(lag - 1)], at = r_[static_cast<std::size_t>(lag)],
                   after = r_[static_cast<std::size_t>(lag + 1)];
      if (!(at > before && at >= after && at > 0.5 * vt)) continue;
      const double curvature = before - 2 * at + after;
      const double shift = curvature != 0 ? 0.5 * (before - after) / curvature : 0.0;
      const double peak = at - 0.25 * (before - after) * shift;
      const double f0 = fs_ / (lag + shift);
      if (f0 < s_.floorHz || f0 > s_.ceilingHz) continue;
      const double octave = std::log2(f0);
      out.push_back({static_cast<float>(f0), static_cast<float>(octave),
                     static_cast<float>(peak + s_.octaveCost * (octave - std::log2(s_.floorHz)))});
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
  // work_[0..length) in, its autocorrelation (times fftSize_) in
  // work_[0..maxLag_ + 1] out: the power spectrum is real and even, so a
  // forward transform of it is the inverse one times fftSize_.
  bool autocorrelate() {
    std::fill(work_.begin() + length_, work_.end(), 0.0f);
    if (!realFft(work_.data(), fftSize_)) return false;
    const auto n = static_cast<std::size_t>(fftSize_);
    // Packed: work_[0] = X(0), work_[1] unused (the Nyquist bin is dropped),
    // work_[2k], work_[2k+1] = X(k).
    power_[0] = work_[0] * work_[0];
    power_[n / 2] = 0;
    for (std::size_t k = 1; k < n / 2; ++k) power_[k] = power_[n - k] = work_[2 * k] * work_[2 * k] + work_[2 * k + 1] * work_[2 * k + 1];
    if (!realFft(power_.data(), fftSize_)) return false;
    for (int lag = 0; lag <= maxLag_ + 1; ++lag) work_[static_cast<std::size_t>(lag)] = power_[2 * static_cast<std::size_t>(lag)];
    return true;
  }

  double fs_ = 0;
  VoicingPathSettings s_;
  int length_ = 0, fftSize_ = 0, minLag_ = 0, maxLag_ = 0;
  std::vector<double> inverseWindowCorrelation_, r_;
  std::vector<float> window_, work_, power_;
};

}  // namespace

std::vector<float> autocorrelationPath(std::span<const std::int16_t> x, double fs, double first, double step,
                                       int frames, const VoicingPathSettings& settings) {
  FrameAnalysis analysis;
  if (frames <= 0 || step <= 0 || settings.candidates < 2 || !analysis.prepare(fs, settings)) return {};
  double globalPeak = 0;
  for (std::int16_t v : x) globalPeak = std::max(globalPeak, std::abs(static_cast<double>(v)));
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
    for (std::size_t b = 0; b < count; ++b) {
      const Candidate& now = cand[from + b];
      double best = 0.0;
      if (i > 0) {
        const std::size_t prev = starts[static_cast<std::size_t>(i) - 1];
        best = -1e300;
        for (std::size_t a = 0; a < score.size(); ++a) {
          const Candidate& was = cand[prev + a];
          const bool wasVoiced = was.f0 > 0, nowVoiced = now.f0 > 0;
          const double cost = !wasVoiced && !nowVoiced  ? 0.0
                              : !wasVoiced || !nowVoiced ? changeCost
                                                         : jumpCost * std::abs(was.octave - now.octave);
          if (score[a] - cost > best) best = score[a] - cost, back[from + b] = static_cast<std::uint8_t>(a);
        }
      }
      next[b] = best + now.strength;
    }
    score.swap(next);
  }
  std::vector<float> f0(static_cast<std::size_t>(frames), 0.0f);
  auto k = static_cast<std::size_t>(std::max_element(score.begin(), score.end()) - score.begin());
  for (int i = frames - 1; i >= 0; --i) {
    const std::size_t at = starts[static_cast<std::size_t>(i)] + k;
    f0[static_cast<std::size_t>(i)] = cand[at].f0;
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
  const std::vector<float> path = autocorrelationPath(xs, g.fs, g.L / 2, g.S, n, s);
  if (static_cast<int>(path.size()) != n) return;
  auto pathF0 = [&](int k) { return path[static_cast<std::size_t>(k)]; };
  auto at = [&](int k) -> int& { return p[static_cast<std::size_t>(k)]; };
  const std::vector<int> before = p;
  auto was = [&](int k) { return before[static_cast<std::size_t>(k)]; };
  // Runs lose the path's unvoiced frames at their ends and its longer
  // unvoiced stretches inside.
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
      if (e - k >= kPathHoleFrames || k == i || e == end)
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
