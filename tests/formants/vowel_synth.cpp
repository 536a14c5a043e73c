#include "tests/formants/vowel_synth.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace ardv::test {

double trueFormant(const VowelSpec& s, int k, double t) {
  const double u = std::clamp(t / s.seconds, 0.0, 1.0);
  return s.startHz[k] + (s.endHz[k] - s.startHz[k]) * u;
}

std::vector<std::int16_t> synthVowel(const VowelSpec& s) {
  const auto n = static_cast<std::size_t>(s.seconds * s.fs);
  std::vector<double> y(n, 0.0);
  const double glottal = std::exp(-2.0 * M_PI * 250.0 / s.fs);
  double phase = 1.0, lp = 0.0;
  struct Res {
    double y1 = 0, y2 = 0;
  } res[5];
  const double bw[5] = {60, 90, 140, 200, 250};
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / s.fs;
    phase += s.f0 / s.fs;
    double x = 0.0;
    if (phase >= 1.0) {
      phase -= 1.0;
      x = 1.0;
    }
    lp = x + glottal * lp;
    double v = lp;
    for (int k = 0; k < 4; ++k) {
      const double f = k < 3 ? trueFormant(s, k, t) : s.f4Hz;
      if (f >= s.fs / 2.0 - 200.0) continue;
      const double c = -std::exp(-2.0 * M_PI * bw[k] / s.fs);
      const double b = 2.0 * std::exp(-M_PI * bw[k] / s.fs) * std::cos(2.0 * M_PI * f / s.fs);
      const double a = 1.0 - b - c;
      const double out = a * v + b * res[k].y1 + c * res[k].y2;
      res[k].y2 = res[k].y1;
      res[k].y1 = out;
      v = out;
    }
    y[i] = v;
  }
  double peak = 1e-9, power = 0.0;
  for (double v : y) {
    peak = std::max(peak, std::abs(v));
    power += v * v;
  }
  const double scale = 12000.0 / peak;
  std::mt19937 rng(12345);
  std::normal_distribution<double> noise(0.0, 1.0);
  const double sigma = s.snrDb > 0.0 ? std::sqrt(power / static_cast<double>(std::max<std::size_t>(n, 1))) *
                                           std::pow(10.0, -s.snrDb / 20.0)
                                     : 0.0;
  std::vector<std::int16_t> out(n);
  for (std::size_t i = 0; i < n; ++i)
    out[i] = static_cast<std::int16_t>(std::lround(std::clamp((y[i] + sigma * noise(rng)) * scale, -32767.0, 32767.0)));
  return out;
}

}  // namespace ardv::test
