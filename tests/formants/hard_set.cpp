#include "tests/formants/hard_set.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <random>

#include "signal/wavfile.h"
#include "tests/formants/klatt_test_support.h"

namespace ardv::test {
namespace {

struct Voice {
  double f0, f4, f5;
};
constexpr Voice kMale{110, 3500, 4300}, kFemale{210, 4200, 4900}, kChild{300, 5000, 5900};

// A stretch: `ms` long, voiced or silent, formants gliding from `from` to `to`.
struct Segment {
  int ms;
  bool voiced;
  double from[3], to[3];
};

struct Plan {
  Voice voice;
  std::vector<Segment> segments;
};

Plan plan(const std::string& klass) {
  auto vowel = [](int ms, double a1, double a2, double a3, double b1, double b2, double b3) {
    return Segment{ms, true, {a1, a2, a3}, {b1, b2, b3}};
  };
  const Segment gap{70, false, {}, {}}, pause{250, false, {}, {}};
  if (klass == "female-i") return {kFemale, {vowel(700, 320, 2750, 3250, 300, 2950, 3400)}};
  if (klass == "female-e") return {kFemale, {vowel(700, 480, 2450, 3000, 460, 2600, 3100)}};
  if (klass == "child-i") return {kChild, {vowel(700, 400, 3200, 3950, 380, 3500, 4150)}};
  if (klass == "child-e") return {kChild, {vowel(700, 580, 2900, 3700, 560, 3050, 3850)}};
  if (klass == "diphthong-female")
    return {kFemale, {vowel(120, 850, 1400, 2850, 850, 1400, 2850), vowel(380, 850, 1400, 2850, 400, 2650, 3200),
                      vowel(150, 400, 2650, 3200, 400, 2650, 3200)}};
  if (klass == "diphthong-male")
    return {kMale, {vowel(120, 750, 1200, 2500, 750, 1200, 2500), vowel(380, 750, 1200, 2500, 320, 2200, 2850),
                    vowel(150, 320, 2200, 2850, 320, 2200, 2850)}};
  // A sentence of five vowels, with stop closures and pauses between them.
  return {kFemale,
          {vowel(180, 850, 1400, 2900, 820, 1450, 2900), gap, vowel(180, 330, 2750, 3250, 330, 2700, 3250), pause,
           vowel(180, 380, 950, 2700, 380, 1000, 2700), gap, vowel(180, 480, 2450, 3000, 500, 2400, 3000), pause,
           vowel(180, 520, 1000, 2800, 540, 1050, 2800)}};
}

// Second-order section y = b·x − a1·y1 − a2·y2 (b normalised at `gainHz`).
struct Biquad {
  double b0, b1, b2, a1, a2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  double operator()(double x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1, x1 = x, y2 = y1, y1 = y;
    return y;
  }
};

// Butterworth (Q 0.707) high-pass or low-pass at fc.
Biquad butterworth(double fc, double fs, bool high) {
  const double w = 2.0 * std::numbers::pi * fc / fs, alpha = std::sin(w) / (2.0 * std::sqrt(0.5)), c = std::cos(w);
  const double a0 = 1.0 + alpha;
  const double b1 = high ? -(1.0 + c) : 1.0 - c, b0 = high ? (1.0 + c) / 2.0 : (1.0 - c) / 2.0;
  return {b0 / a0, b1 / a0, b0 / a0, -2.0 * c / a0, (1.0 - alpha) / a0};
}

}  // namespace

const std::vector<std::string>& hardClasses() {
  static const std::vector<std::string> c{"female-i", "female-e", "child-i", "child-e",
                                          "diphthong-female", "diphthong-male", "sentence"};
  return c;
}

const std::vector<std::string>& hardConditions() {
  static const std::vector<std::string> c{"clean", "telephone", "white-20", "white-10", "white-5", "speech-20",
                                          "speech-10", "speech-5", "48k", "breathy", "creaky"};
  return c;
}

HardUtterance hardUtterance(const std::string& klass, const std::string& condition) {
  const Plan p = plan(klass);
  HardUtterance u;
  u.fs = condition == "telephone" ? 8000.0 : condition == "48k" ? 48000.0 : 16000.0;
  std::vector<KlattRecord> records;
  const Segment silence{100, false, {}, {}};
  std::vector<Segment> segments{silence};
  segments.insert(segments.end(), p.segments.begin(), p.segments.end());
  segments.push_back(silence);
  int frame = 0;
  for (const Segment& s : segments)
    for (int t = 0; t < s.ms; t += 4, ++frame) {
      KlattRecord r = initialKlattDefaults();
      const double w = s.ms > 4 ? static_cast<double>(t) / (s.ms - 4) : 0.0;
      std::array<double, 3> f{};
      for (int k = 0; k < 3; ++k) f[static_cast<std::size_t>(k)] = s.from[k] + w * (s.to[k] - s.from[k]);
      r[kF4hz] = static_cast<int>(p.voice.f4);
      r[kF5hz] = static_cast<int>(p.voice.f5);
      r[kF6hz] = static_cast<int>(std::min(p.voice.f5 + 900, u.fs / 2 - 300));
      r[kAVdb] = r[kAVpdb] = s.voiced ? 60 : 0;
      double f0 = p.voice.f0 * (1.0 + 0.08 * std::sin(2 * std::numbers::pi * frame * 0.004 / 0.9));
      if (condition == "creaky") {
        f0 = (frame % 2 ? 0.55 : 0.45) * p.voice.f0;  // low, alternating periods
        r[kKopen] = 15;
      } else if (condition == "breathy") {
        r[kKopen] = 70;
        r[kTLTdb] = 12;
        r[kAturb] = 45;
        r[kASP] = s.voiced ? 50 : 0;
      }
      r[kF0hz10] = s.voiced ? static_cast<int>(f0) : 0;
      for (int k = 0; k < 3; ++k) r[kF1hz + 2 * k] = s.voiced ? static_cast<int>(f[static_cast<std::size_t>(k)]) : 500 + 1000 * k;
      records.push_back(r);
      u.voiced.push_back(s.voiced);
      u.formants.push_back(f);
    }
  std::vector<double> x = synthesize<double>(records, {.rateHz = static_cast<int>(u.fs), .frameMs = 4});
  if (condition == "telephone") {
    Biquad high = butterworth(300, u.fs, true), high2 = high, low = butterworth(3400, u.fs, false), low2 = low;
    for (double& v : x) v = low2(low(high2(high(v))));
  }
  if (condition.starts_with("white") || condition.starts_with("speech")) {
    double power = 0.0;
    int n = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
      if (u.voiced[std::min(u.voiced.size() - 1, static_cast<std::size_t>(i / (u.fs * 0.004)))]) power += x[i] * x[i], ++n;
    const double snr = std::stod(condition.substr(condition.find('-') + 1));
    std::mt19937 gen(7);
    std::normal_distribution<double> normal;
    std::vector<double> noise(x.size());
    // Speech-shaped: −6 dB per octave above 500 Hz.
    const double pole = condition.starts_with("speech") ? std::exp(-2.0 * std::numbers::pi * 500.0 / u.fs) : 0.0;
    double state = 0.0, noisePower = 0.0;
    for (double& v : noise) {
      state = pole * state + normal(gen);
      v = state;
      noisePower += v * v;
    }
    const double gain = std::sqrt(power / std::max(1, n) / (noisePower / noise.size()) / std::pow(10.0, snr / 10.0));
    for (std::size_t i = 0; i < x.size(); ++i) x[i] += gain * noise[i];
  }
  double peak = 1.0;
  for (double v : x) peak = std::max(peak, std::abs(v));
  for (double v : x) u.samples.push_back(static_cast<std::int16_t>(std::lround(v * 12000.0 / peak)));
  return u;
}

HardUtterance klattGridUtterance(const std::string& name) {
  HardUtterance u;
  const std::string base = std::string(ARDV_SOURCE_DIR) + "/tests/formants/klattgrid/" + name;
  infoFile info;
  info.nom = base + ".wav";
  std::ifstream wav(info.nom, std::ios::binary);
  if (init_infoFile_read_WAV(info) && wav.seekg(info.depl)) {
    u.fs = info.frequence;
    u.samples.resize(static_cast<std::size_t>(info.sampleCount()));
    wav.read(reinterpret_cast<char*>(u.samples.data()), info.sampleCount() * 2);
  }
  std::ifstream truth(base + ".truth");
  int ms = 0, voiced = 0;
  std::array<double, 3> f{};
  while (truth >> ms >> voiced >> f[0] >> f[1] >> f[2]) {
    u.voiced.push_back(voiced != 0);
    u.formants.push_back(f);
  }
  return u;
}

double hardTruth(const HardUtterance& u, int k, double ms, double edgeMs) {
  const auto frames = static_cast<long>(u.voiced.size());
  const long first = static_cast<long>(std::floor((ms - edgeMs) / 4.0)), last = static_cast<long>((ms + edgeMs) / 4.0);
  if (first < 0 || last >= frames) return 0.0;
  for (long i = first; i <= last; ++i)
    if (!u.voiced[static_cast<std::size_t>(i)]) return 0.0;
  const long i = std::min(frames - 1, static_cast<long>(ms / 4.0));
  const double f = u.formants[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)];
  // Above the telephone band's edge nothing is left to track.
  return u.fs == 8000.0 && f > 3300.0 ? 0.0 : f;
}

}  // namespace ardv::test
