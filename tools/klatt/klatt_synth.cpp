#include "tools/klatt/klatt_synth.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace ardv::klatt {
namespace {

constexpr double kPi = std::numbers::pi;

// A parallel formant at A = 60 dB peaks 20 dB above its excitation, about as
// high as the cascade's F1.
constexpr double kParallelPeak = 10.0;
// Output level: with Gain0 55 dB, AVdb 60 dB and a male vowel, peaks come
// near a third of full scale.
constexpr double kOutputScale = 4000.0;
// Frequency at which TLTdb is the attenuation of the tilt filter.
constexpr double kTiltHz = 3000.0;
// Alternate periods are lengthened and shortened by Kskew/400 of a period.
constexpr double kSkewPerPercent = 1.0 / 400.0;
// Noise levels on the dB scale of the voicing: aspiration (and turbulence)
// set so that /h/ with ASP 60 through the cascade comes about 7 dB below a
// vowel at AVdb 60; frication (through parallel peaks 20 dB up) set so that /s/ with AF 60 and
// A5, A6 near 55 comes about 10 dB below a vowel at AVdb 60.
constexpr double kNoiseScale = 0.25;
constexpr double kFricationScale = 0.35;

double clampTo(std::int32_t v, double lo, double hi) { return std::clamp(static_cast<double>(v), lo, hi); }

// Ratio of the return-phase constant: eps*ta = 1 - exp(-eps*d), by Newton
// from eps = 1/ta (ta < d/2 guarantees a positive root).
double solveEpsilon(double ta, double d) {
  double eps = 1.0 / ta;
  for (int i = 0; i < 30; ++i) {
    const double e = std::exp(-eps * d);
    const double g = eps * ta - 1.0 + e;
    const double dg = ta - d * e;
    if (std::abs(dg) < 1e-300) break;
    const double next = eps - g / dg;
    if (!std::isfinite(next) || next <= 0) break;
    if (std::abs(next - eps) < 1e-12 * eps) return next;
    eps = next;
  }
  return eps;
}

}  // namespace

double amplitudeOfDb(double db) { return db <= 0 ? 0.0 : std::pow(10.0, (db - 60.0) / 20.0); }

std::string checkOptions(const SynthOptions& o) {
  if (o.rateHz < 1000 || o.rateHz > 96000)
    return "-s " + std::to_string(o.rateHz) + ": the rate must be 1000 to 96000 Hz";
  if (o.frameMs < 1 || o.frameMs > 1000)
    return "-f " + std::to_string(o.frameMs) + ": the frame duration must be 1 to 1000 ms";
  if (o.waveform < 1 || o.waveform > 8)
    return "-t " + std::to_string(o.waveform) + ": the waveform must be 1 to 8";
  if (o.flutterPercent < 0 || o.flutterPercent > 100)
    return "-F " + std::to_string(o.flutterPercent) + ": the flutter must be 0 to 100 %";
  return {};
}

double Synthesizer::Resonator::step(double x) {
  const double y = a * x + b * y1 + c * y2;
  y2 = y1;
  y1 = y;
  return y;
}

double Synthesizer::Antiresonator::step(double x) {
  const double y = a * x + b * x1 + c * x2;
  x2 = x1;
  x1 = x;
  return y;
}

Synthesizer::Synthesizer(const SynthOptions& options)
    : options_(options), fs_(static_cast<double>(options.rateHz)) {
  current_ = initialKlattDefaults();
}

std::int64_t Synthesizer::samplesForFrames(std::int64_t frames) const {
  const std::int64_t perMs = static_cast<std::int64_t>(options_.frameMs) * options_.rateHz;
  return ((frames_ + frames) * perMs + 500) / 1000 - produced_;
}

// Formants at 0 Hz (the default) or within 5 % of the Nyquist frequency are
// left out; bandwidths are kept from 10 Hz to half the rate, so every pole
// lies inside the unit circle.
void Synthesizer::setResonator(Resonator& r, double f, double bw) const {
  r.on = f > 0 && f < 0.475 * fs_;
  if (!r.on) {
    r.y1 = r.y2 = 0;
    return;
  }
  bw = std::clamp(bw, 10.0, 0.5 * fs_);
  f = std::max(f, 20.0);
  r.c = -std::exp(-2 * kPi * bw / fs_);
  r.b = 2 * std::exp(-kPi * bw / fs_) * std::cos(2 * kPi * f / fs_);
  r.a = 1 - r.b - r.c;
}

// Signs of the parallel resonators F1-F6, the nasal pole, F1N-F3N:
// neighbours alternate, so that their sum does not cancel between the peaks;
// the nasal pole, which lies below F1, has the sign opposite to F1's.
constexpr double kParallelSign[10] = {1, -1, 1, -1, 1, -1, -1, -1, 1, -1};

// A parallel resonator has the same gain at its centre frequency whatever its
// frequency and bandwidth, so that its amplitude in dB is the level of its peak.
void Synthesizer::setParallel(Resonator& r, double f, double bw) const {
  setResonator(r, f, bw);
  if (!r.on) return;
  const double w = 2 * kPi * std::max(f, 20.0) / fs_;
  const std::complex<double> z1 = std::polar(1.0, -w);
  r.a = kParallelPeak * std::abs(1.0 - r.b * z1 - r.c * z1 * z1);
}

void Synthesizer::setFilters(const KlattRecord& r) {
  auto freq = [&](int i) { return clampTo(r[i], 0, 1e6); };
  auto band = [&](int i) { return clampTo(r[i], 10, 1e6); };
  auto amp = [&](int i) { return amplitudeOfDb(clampTo(r[i], 0, 96)); };

  // The nasal zero acts only with its pole: FNP at 0 leaves both out.
  setResonator(nasalPole_, freq(kFNPhz), band(kBNPhz));
  Resonator zero;
  setResonator(zero, nasalPole_.on ? freq(kFNZhz) : 0.0, band(kBNZhz));
  nasalZero_.on = zero.on;
  if (zero.on) {
    nasalZero_.a = 1 / zero.a;
    nasalZero_.b = -zero.b / zero.a;
    nasalZero_.c = -zero.c / zero.a;
  } else {
    nasalZero_.x1 = nasalZero_.x2 = 0;
  }

  static constexpr int kNasalF[3] = {kF1Nhz, kF2Nhz, kF3Nhz};
  static constexpr int kFormantF[6] = {kF1hz, kF2hz, kF3hz, kF4hz, kF5hz, kF6hz};
  static constexpr int kFormantB[6] = {kB1hz, kB2hz, kB3hz, kB4hz, kB5hz, kB6hz};
  static constexpr int kFormantBp[6] = {kB1phz, kB2phz, kB3phz, kB4phz, kB5phz, kB6phz};
  static constexpr int kFormantA[6] = {kA1, kA2, kA3, kA4, kA5, kA6};
  for (int k = 0; k < 3; ++k) {
    const int f = kNasalF[k];  // F, B, A, Bp follow in the table
    setResonator(cascade_[k], freq(f), band(f + 1));
    setParallel(parallel_[7 + k], freq(f), band(f + 3));
    parallelGain_[7 + k] = amp(f + 2);
  }
  for (int k = 0; k < 6; ++k) {
    setResonator(cascade_[8 - k], freq(kFormantF[k]), band(kFormantB[k]));
    setParallel(parallel_[k], freq(kFormantF[k]), band(kFormantBp[k]));
    parallelGain_[k] = amp(kFormantA[k]);
  }
  setParallel(parallel_[6], freq(kFNPhz), band(kBNPhz));
  parallelGain_[6] = amp(kANP);

  aspiration_ = kNoiseScale * amp(kASP);
  frication_ = kFricationScale * amp(kAF);
  bypass_ = amp(kAB);
  gain_ = kOutputScale * std::pow(10.0, (clampTo(r[kGain0], 0, 96) - 55.0) / 20.0);
}

void Synthesizer::startPeriod() {
  const KlattRecord& r = current_;
  Voicing v;
  double f0 = clampTo(r[kF0hz10], 0, 1e6);
  if (f0 > 0 && options_.flutterPercent > 0) {
    const double t = time_;
    f0 += options_.flutterPercent / 50.0 * f0 / 100.0 *
          (std::sin(2 * kPi * 12.7 * t) + std::sin(2 * kPi * 7.1 * t) + std::sin(2 * kPi * 4.7 * t));
  }
  v.avCascade = amplitudeOfDb(clampTo(r[kAVdb], 0, 96));
  v.avParallel = amplitudeOfDb(clampTo(r[kAVpdb], 0, 96));
  v.voiced = f0 > 0 && (v.avCascade > 0 || v.avParallel > 0);
  if (!v.voiced) {
    // Unvoiced: look again at the next sample.
    v.t0 = 1;
    voicing_ = v;
    tiltCoef_ = 0;
    return;
  }
  f0 = std::clamp(f0, 20.0, std::min(1000.0, fs_ / 4));
  v.t0 = fs_ / f0;
  const double skew = clampTo(r[kKskew], 0, 100) * kSkewPerPercent;
  v.t0 *= (periods_ % 2 == 0) ? 1 + skew : 1 - skew;
  ++periods_;
  v.turbulence = kNoiseScale * amplitudeOfDb(clampTo(r[kAturb], 0, 96));

  if (options_.source == Source::klatt) {
    v.te = clampTo(r[kKopen], 5, 95) / 100 * v.t0;
  } else {
    // Normalised to T0 = 1: Tp = 1/(2 Rg), Te = Tp (1 + Rk), Ta = Ra.
    const double ra = clampTo(r[kRax1000], 1, 200) / 1000;
    const double rk = clampTo(r[kRkx100], 1, 99) / 100;
    const double rg = clampTo(r[kRgx50], 25, 400) / 50;
    double tp = 0.5 / rg;
    double te = tp * (1 + rk);
    if (te > 0.97) {
      te = 0.97;
      tp = te / (1 + rk);
    }
    const double d = 1 - te;
    const double ta = std::min(ra, 0.5 * d);
    const double eps = solveEpsilon(ta, d);
    const double w = kPi / tp;
    const double s = std::sin(w * te), c = std::cos(w * te);
    const double ret = -(((1 - std::exp(-eps * d)) / eps) - d * std::exp(-eps * d)) / (eps * ta);
    // Net flow over the period is zero: the open-phase area (E(te) = -1)
    // balances the return phase. The area falls as alpha grows.
    auto balance = [&](double alpha) {
      const double open = (std::exp(alpha * te) * (alpha * s - w * c) + w) / (alpha * alpha + w * w);
      return -open / (std::exp(alpha * te) * s) + ret;
    };
    double lo = -30, hi = 300, alpha = 0;
    if (balance(lo) > 0 && balance(hi) < 0) {
      for (int i = 0; i < 60; ++i) {
        alpha = 0.5 * (lo + hi);
        (balance(alpha) > 0 ? lo : hi) = alpha;
      }
    }
    v.te = te * v.t0;
    v.alpha = alpha / v.t0;
    v.omega = w / v.t0;
    v.e0 = -1 / (std::exp(alpha * te) * s);
    v.eps = eps / v.t0;
    v.ta = ta * v.t0;
    v.tail = std::exp(-eps * d);
  }

  // One-pole low-pass with TLTdb of attenuation at 3 kHz (0.45 fs at low rates).
  const double tilt = clampTo(r[kTLTdb], 0, 41);
  tiltCoef_ = 0;
  if (tilt > 0) {
    const double g2 = std::pow(10.0, -tilt / 10);
    const double cw = std::cos(2 * kPi * std::min(kTiltHz, 0.45 * fs_) / fs_);
    const double p = 1 - g2 * cw, q = 1 - g2;
    tiltCoef_ = (p - std::sqrt(std::max(0.0, p * p - q * q))) / q;
  }
  voicing_ = v;
}

// The flow derivative of the current period at `t` samples from its start,
// -1 at the closing instant.
double Synthesizer::voicingSample(double t) const {
  const Voicing& v = voicing_;
  if (!v.voiced) return 0;
  if (options_.source == Source::klatt) {
    if (t >= v.te) return 0;
    const double x = t / v.te;
    return 2 * x - 3 * x * x;  // derivative of the flow x^2 - x^3
  }
  double e;
  if (t < v.te)
    e = v.e0 * std::exp(v.alpha * t) * std::sin(v.omega * t);
  else
    e = -(std::exp(-v.eps * (t - v.te)) - v.tail) / (v.eps * v.ta);
  return std::clamp(e, -20.0, 20.0);
}

// Uniform white noise in [-1, 1) (xorshift32).
double Synthesizer::noise() {
  seed_ ^= seed_ << 13;
  seed_ ^= seed_ >> 17;
  seed_ ^= seed_ << 5;
  return static_cast<double>(seed_) / 2147483648.0 - 1.0;
}

double Synthesizer::sample() {
  if (periodPos_ >= voicing_.t0) {
    periodPos_ = std::max(0.0, periodPos_ - voicing_.t0);
    startPeriod();
  }
  const double t = periodPos_;
  const bool secondHalf = voicing_.voiced && t >= 0.5 * voicing_.t0;
  periodPos_ += 1;
  time_ += 1 / fs_;

  double shape = voicingSample(t);
  if (tiltCoef_ > 0) shape = tiltState_ = (1 - tiltCoef_) * shape + tiltCoef_ * tiltState_;
  else tiltState_ = shape;
  const double turbulence = voicing_.voiced && t < voicing_.te ? voicing_.turbulence * noise() : 0.0;
  const double voiceC = voicing_.avCascade * shape + (voicing_.avCascade > 0 ? turbulence : 0);
  const double voiceP = voicing_.avParallel * shape + (voicing_.avParallel > 0 ? turbulence : 0);
  const double modulation = secondHalf ? 0.5 : 1.0;
  const double asp = aspiration_ > 0 ? aspiration_ * modulation * noise() : 0.0;
  const double fric = frication_ > 0 ? frication_ * modulation * noise() : 0.0;

  const int w = options_.waveform;
  if (w == 1) return voiceC;
  if (w == 2) return asp;
  if (w == 3) return fric;
  if (w == 7) return voiceC + asp + fric;

  double cascade = 0;
  if (w == 4 || w == 8) {
    cascade = voiceC + asp;
    if (nasalPole_.on) cascade = nasalPole_.step(cascade);
    if (nasalZero_.on) cascade = nasalZero_.step(cascade);
    for (Resonator& r : cascade_)
      if (r.on) cascade = r.step(cascade);
    if (w == 4) return cascade;
  }
  double parallel = 0;
  if (w == 5 || w == 8) {
    const double x = w == 5 ? voiceP : voiceP + fric;
    // The amplitude scales each resonator's input, so that a change of
    // amplitude at a frame boundary rings in through the resonator instead
    // of stepping its output (a click); a resonator at amplitude 0 rings out.
    for (int k = 0; k < 10; ++k)
      if (parallel_[k].on) parallel += kParallelSign[k] * parallel_[k].step(parallelGain_[k] * x);
    if (w == 5) return parallel;
  }
  const double bypass = bypass_ * fric;
  if (w == 6) return bypass;
  return cascade + parallel + bypass;
}

void Synthesizer::frame(const KlattRecord& record, std::vector<double>& out) {
  const std::int64_t count = samplesForFrames(1);
  current_ = record;
  setFilters(record);
  ++frames_;
  out.reserve(out.size() + static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    const double y = sample() * gain_;
    out.push_back(std::isfinite(y) ? y : 0.0);
  }
  produced_ += count;
}

void Synthesizer::frame(const KlattRecord& record, std::vector<std::int16_t>& out) {
  buffer_.clear();
  frame(record, buffer_);
  for (double y : buffer_) out.push_back(static_cast<std::int16_t>(std::clamp(std::round(y), -32768.0, 32767.0)));
}

}  // namespace ardv::klatt
