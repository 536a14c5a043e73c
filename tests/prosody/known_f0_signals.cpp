// Known-F0 signals: Rosenberg pulses, formant resonators, noise and silence.
#include "tests/prosody/known_f0_signals.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <random>

namespace ardv::test {
namespace {

constexpr double kPi = std::numbers::pi;

// Two-pole resonator at f Hz with bandwidth bw Hz, unit gain at DC.
struct Resonator {
  double a1 = 0, a2 = 0, g = 1, y1 = 0, y2 = 0;
  Resonator(double f, double bw, double fs) {
    const double r = std::exp(-kPi * bw / fs);
    a1 = 2 * r * std::cos(2 * kPi * f / fs);
    a2 = -r * r;
    g = 1 - a1 - a2;
  }
  double operator()(double x) {
    const double y = g * x + a1 * y1 + a2 * y2;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// Rosenberg pulse at phase fraction p of the period (open 40 %, closing 16 %).
double rosenberg(double p) {
  constexpr double tp = 0.40, tn = 0.16;
  if (p < tp) return 0.5 * (1 - std::cos(kPi * p / tp));
  if (p < tp + tn) return std::cos(kPi * (p - tp) / (2 * tn));
  return 0;
}

}  // namespace

KnownF0Signal synthesize(const std::string& name, double fs, const std::vector<Segment>& segments, unsigned seed) {
  KnownF0Signal out;
  out.name = name;
  out.fs = fs;
  std::mt19937 rng(seed);
  std::normal_distribution<double> gauss(0.0, 1.0);
  std::vector<double> f0At;  // true F0 per sample, 0 unvoiced
  std::vector<double> x;
  Resonator f1(600, 70, fs), f2(1300, 100, fs), f3(2400, 160, fs);
  double phase = 0, prevPulse = 0, noisePrev = 0;
  for (const Segment& seg : segments) {
    const auto n = static_cast<std::int64_t>(seg.ms * 0.001 * fs);
    for (std::int64_t k = 0; k < n; ++k) {
      const double t = static_cast<double>(k) / fs;
      double v = 0, f0 = 0;
      if (seg.kind == SegmentKind::Voiced) {
        f0 = seg.f0Start + (seg.f0End - seg.f0Start) * static_cast<double>(k) / static_cast<double>(n);
        f0 *= 1 + seg.vibratoDepth * std::sin(2 * kPi * seg.vibratoHz * t);
        phase += f0 / fs;
        phase -= std::floor(phase);
        const double pulse = rosenberg(phase);
        v = (pulse - prevPulse) * 4000.0;  // lip radiation: first difference
        prevPulse = pulse;
        v = f3(f2(f1(v)));
      } else {
        prevPulse = 0;
        const double w = gauss(rng);
        if (seg.kind == SegmentKind::Noise) {
          v = (w - noisePrev) * 900.0;  // hiss, high-passed
        } else {
          v = w * 3.0;
        }
        noisePrev = w;
        f3(f2(f1(0)));
      }
      x.push_back(v);
      f0At.push_back(f0);
    }
  }
  double peak = 1e-9;
  for (std::size_t k = 0; k < x.size(); ++k)
    if (f0At[k] > 0) peak = std::max(peak, std::fabs(x[k]));
  const double gain = 12000.0 / peak;
  for (std::size_t k = 0; k < x.size(); ++k) {
    // Only voiced stretches are scaled; noise and silence keep their level.
    const double v = f0At[k] > 0 ? x[k] * gain : x[k];
    out.samples.push_back(static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L)));
  }
  const int L = static_cast<int>(fs * 0.032), S = static_cast<int>(fs * 0.008);
  const auto len = static_cast<std::int64_t>(out.samples.size()) - 1;
  for (std::int64_t i = 0; i * S < len - L; ++i) {
    const std::int64_t a = i * S, b = i * S + L - 1, c = i * S + L / 2;
    const bool va = f0At[static_cast<std::size_t>(a)] > 0, vb = f0At[static_cast<std::size_t>(b)] > 0;
    const double fc = f0At[static_cast<std::size_t>(c)];
    out.truth.push_back(va != vb ? -1 : fc);
  }
  return out;
}

std::vector<KnownF0Signal> knownF0Set() {
  using K = SegmentKind;
  struct Pattern {
    const char* name;
    double a, b, depth, rate;
  };
  const Pattern patterns[] = {
      {"flat70", 70, 70, 0, 0},          {"flat120", 120, 120, 0, 0},     {"flat220", 220, 220, 0, 0},
      {"flat450", 450, 450, 0, 0},       {"glide100to250", 100, 250, 0, 0}, {"glide300to150", 300, 150, 0, 0},
      {"glide70to140", 70, 140, 0, 0},   {"glide250to450", 250, 450, 0, 0}, {"vibrato200", 200, 200, 0.06, 5.5},
      {"vibrato110", 110, 110, 0.05, 6.0},
  };
  std::vector<KnownF0Signal> set;
  unsigned seed = 7;
  for (double fs : {8000.0, 16000.0}) {
    for (const Pattern& p : patterns) {
      const double mid = (p.a + p.b) / 2;
      const std::vector<Segment> segs = {
          {K::Silence, 300, 0, 0, 0, 0},       {K::Voiced, 700, p.a, mid, p.depth, p.rate},
          {K::Noise, 150, 0, 0, 0, 0},         {K::Voiced, 600, mid, p.b, p.depth, p.rate},
          {K::Silence, 250, 0, 0, 0, 0},
      };
      set.push_back(synthesize(std::string(p.name) + "@" + std::to_string(static_cast<int>(fs)), fs, segs, seed++));
    }
  }
  return set;
}

KnownF0Signal speechLike(double fs, double seconds, unsigned seed) {
  using K = SegmentKind;
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> f0(90, 260), dur(120, 400), gap(60, 250);
  std::vector<Segment> segs;
  double total = 0;
  while (total < seconds * 1000) {
    const double a = f0(rng), b = f0(rng), d = dur(rng), g = gap(rng);
    segs.push_back({K::Voiced, d, a, b, 0.02, 5});
    segs.push_back({(segs.size() / 2) % 3 == 0 ? K::Silence : K::Noise, g, 0, 0, 0, 0});
    total += d + g;
  }
  return synthesize("speech-like", fs, segs, seed);
}

bool writeWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, double fs) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  auto u32 = [&](std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out.put(static_cast<char>((v >> (8 * k)) & 0xFF));
  };
  auto u16 = [&](std::uint16_t v) {
    out.put(static_cast<char>(v & 0xFF));
    out.put(static_cast<char>(v >> 8));
  };
  const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
  const auto rate = static_cast<std::uint32_t>(fs);
  out.write("RIFF", 4);
  u32(36 + bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(bytes);
  for (std::int16_t s : samples) u16(static_cast<std::uint16_t>(s));
  return static_cast<bool>(out);
}

}  // namespace ardv::test
