// Phase vocoder: analysis, phase propagation, overlap-add, normalisation
// and fades, streamed.
#include "prosody/phase_vocoder.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/report.h"
#include "spectral/fft.h"
#include "texts/texts.h"

namespace ardv {
namespace {

constexpr int N = kVocoderFrame;
constexpr int H = kVocoderHop;
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kMinWindowSum = 0.079;
constexpr int kFade = 256;

double argOf(double re, double im) { return std::fabs(re) < 1e-6 && std::fabs(im) < 1e-6 ? 0.0 : std::atan2(im, re); }
double principal(double d) { return std::atan2(std::sin(d), std::cos(d)); }

// Output after normalisation: fades, held back 256 samples for the fade-out.
class FadedOutput {
 public:
  explicit FadedOutput(const SampleSink& sink) : sink_(sink) {}
  bool push(double v) {
    if (count_ < kFade) v *= static_cast<double>(count_) / kFade;
    ++count_;
    held_.push_back(v);
    if (held_.size() < 2 * kFade) return true;
    return send(held_.size() - kFade);
  }
  bool finish() {
    const std::size_t L = held_.size();
    for (std::size_t j = 1; j <= std::min<std::size_t>(L, kFade); ++j) held_[L - j] *= static_cast<double>(j - 1) / kFade;
    return send(L);
  }

 private:
  bool send(std::size_t count) {
    pcm_.resize(count);
    for (std::size_t i = 0; i < count; ++i) pcm_[i] = toSample(held_[i]);
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(count));
    return count == 0 || sink_(pcm_.data(), count);
  }
  const SampleSink& sink_;
  std::int64_t count_ = 0;
  std::vector<double> held_;
  std::vector<std::int16_t> pcm_;
};

}  // namespace

bool phaseVocoder(const SampleReader& read, std::int64_t n, double fs, double alpha, bool phaseLocking,
                  const SampleSink& sink) {
  PitchGeometry geo;
  if (!pitchGeometry(fs, 0, geo)) {
    message("The phase vocoder needs a sampling frequency from 4000 to 128000 Hz, not " + std::to_string(fs) + " Hz.");
    return false;
  }
  if (n < N) {
    message(text(9015) + " (" + std::to_string(std::max<std::int64_t>(n, 0)) +
            " samples; the phase vocoder needs a frame of 1024)");
    return false;
  }
  constexpr std::int64_t kBlock = 65536;
  std::vector<std::int16_t> block(static_cast<std::size_t>(kBlock));
  double sum = 0;
  for (std::int64_t s = 0; s < n; s += kBlock) {
    const std::int64_t c = std::min(kBlock, n - s);
    if (!read(s, c, block.data())) return false;
    for (std::int64_t i = 0; i < c; ++i) sum += block[static_cast<std::size_t>(i)];
  }
  const double mu = n > 0 ? sum / static_cast<double>(n) : 0.0;
  std::vector<double> w(N);
  for (int j = 0; j < N; ++j) w[static_cast<std::size_t>(j)] = 0.54 - 0.46 * std::cos(kTwoPi * j / (N - 1));
  const auto outLen = static_cast<std::int64_t>(static_cast<double>(n) * alpha);
  std::vector<double> re(N), im(N), yr(N), yi(N), mag(N), arg(N), prevArg(N, 0.0), phi(N, 0.0), next(N), db(N / 2);
  std::vector<float> out;
  std::vector<double> wsum;
  std::int64_t base = 0;  // output index of out[0]
  FadedOutput faded(sink);
  bool ended = false;
  // Normalises and sends output samples below `upTo`.
  auto release = [&](std::int64_t upTo) {
    upTo = std::min(upTo, outLen);
    const std::int64_t count = std::min<std::int64_t>(upTo - base, static_cast<std::int64_t>(out.size()));
    if (count <= 0) return true;
    for (std::int64_t i = 0; i < count && !ended; ++i) {
      const auto k = static_cast<std::size_t>(i);
      if (!(std::fabs(wsum[k]) > kMinWindowSum)) ended = true;
      else if (!faded.push(out[k] / wsum[k])) return false;
    }
    out.erase(out.begin(), out.begin() + count);
    wsum.erase(wsum.begin(), wsum.begin() + count);
    base += count;
    return true;
  };
  std::vector<std::int16_t> frame(N);
  std::vector<int> peaks;
  // Frames run to the end of the signal, the last ones padded with zeros,
  // so that the final 1024 + 128 samples are not dropped.
  for (std::int64_t m = 0; m * H < n; ++m) {
    const std::int64_t have = std::min<std::int64_t>(N, n - m * H);
    if (!read(m * H, have, frame.data())) return false;
    std::fill(frame.begin() + have, frame.end(), static_cast<std::int16_t>(std::lround(mu)));
    for (int j = 0; j < N; ++j) {
      const auto u = static_cast<std::size_t>(j);
      re[u] = (frame[u] - mu) * w[u];
      im[u] = 0;
    }
    fftComplexForward(N, re.data(), im.data());
    for (int k = 0; k <= N / 2; ++k) {  // the upper half mirrors the lower
      const auto u = static_cast<std::size_t>(k);
      mag[u] = std::hypot(re[u], im[u]);
      arg[u] = argOf(re[u], im[u]);
      if (k < N / 2) db[u] = 10 * std::log10(re[u] * re[u] + im[u] * im[u] + 1e-30);
    }
    auto propagate = [&](int k) {
      const auto u = static_cast<std::size_t>(k);
      if (m == 0) return alpha * arg[u];
      const double d = principal(arg[u] - prevArg[u] - kTwoPi * k * H / N);
      return phi[u] + alpha * H * (d / H + kTwoPi * k / N);
    };
    std::fill(yr.begin(), yr.end(), 0.0);
    std::fill(yi.begin(), yi.end(), 0.0);
    peaks.clear();
    if (phaseLocking)
      for (int k = 1; k < N / 2 - 1; ++k)
        if (db[static_cast<std::size_t>(k)] > db[static_cast<std::size_t>(k - 1)] &&
            db[static_cast<std::size_t>(k)] >= db[static_cast<std::size_t>(k + 1)])
          peaks.push_back(k);
    std::fill(next.begin(), next.end(), 0.0);
    if (peaks.empty()) {
      for (int k = 1; k < N / 2; ++k) next[static_cast<std::size_t>(k)] = propagate(k);
      for (int k = 1; k < N / 2; ++k) {
        const auto u = static_cast<std::size_t>(k);
        yr[u] = mag[u] * std::cos(next[u]), yi[u] = mag[u] * std::sin(next[u]);
      }
    } else {
      int from = 0;
      for (std::size_t p = 0; p < peaks.size(); ++p) {
        const int pk = peaks[p];
        const int to = p + 1 < peaks.size() ? (pk + peaks[p + 1]) / 2 : N / 2;
        const double theta = propagate(pk) - arg[static_cast<std::size_t>(pk)];
        const double c = std::cos(theta), s = std::sin(theta);
        for (int k = from; k < to; ++k) {
          const auto u = static_cast<std::size_t>(k);
          yr[u] = re[u] * c - im[u] * s, yi[u] = re[u] * s + im[u] * c;
          next[u] = arg[u] + theta;
        }
        from = to;
      }
      yi[0] = 0;
    }
    yr[0] = phaseLocking && !peaks.empty() ? yr[0] : mag[0];
    yr[N / 2] = mag[N / 2];
    for (int k = 1; k < N / 2; ++k) {
      const auto u = static_cast<std::size_t>(k), v = static_cast<std::size_t>(N - k);
      yr[v] = yr[u], yi[v] = -yi[u];
    }
    fftComplexInverse(N, yr.data(), yi.data());
    phi.swap(next);
    prevArg.swap(arg);
    arg.assign(N, 0.0);
    const auto at = static_cast<std::int64_t>(static_cast<double>(m) * H * alpha);
    if (!release(at)) return false;
    const std::int64_t need = at + N - base;
    if (need > static_cast<std::int64_t>(out.size())) out.resize(static_cast<std::size_t>(need), 0.0f), wsum.resize(static_cast<std::size_t>(need), 0.0);
    for (int j = 0; j < N; ++j) {
      // trunc(m*128*alpha + j), as one index per sample of the frame
      const auto idx = static_cast<std::int64_t>(static_cast<double>(m) * H * alpha + j) - base;
      if (idx < 0 || idx >= static_cast<std::int64_t>(out.size())) continue;
      out[static_cast<std::size_t>(idx)] += static_cast<float>(yr[static_cast<std::size_t>(j)] / N);
      wsum[static_cast<std::size_t>(idx)] += w[static_cast<std::size_t>(j)];
    }
  }
  if (!release(outLen)) return false;
  return faded.finish();
}

}  // namespace ardv
