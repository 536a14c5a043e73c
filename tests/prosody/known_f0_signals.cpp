// Known-F0 signals: Rosenberg pulses, formant resonators, noise and silence.
#include "tests/prosody/known_f0_signals.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>

#include "signal/replacing_file.h"
#include "signal/wav_layout.h"

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
    y2 = y1, y1 = y;
    return y;
  }
};

// Rosenberg pulse at phase fraction p of the period (opening tp, closing 16 %).
constexpr double kClosing = 0.16;

double rosenberg(double p, double tp) {
  constexpr double tn = kClosing;
  if (p < tp) return 0.5 * (1 - std::cos(kPi * p / tp));
  if (p < tp + tn) return std::cos(kPi * (p - tp) / (2 * tn));
  return 0;
}

// RBJ biquad (direct form I).
struct Biquad {
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  Biquad(bool highPass, double f, double q, double fs) {
    const double w = 2 * kPi * f / fs, al = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + al;
    b0 = (highPass ? (1 + c) : (1 - c)) / 2 / a0;
    b1 = (highPass ? -(1 + c) : (1 - c)) / a0;
    b2 = b0;
    a1 = -2 * c / a0;
    a2 = (1 - al) / a0;
  }
  double operator()(double x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1, x1 = x, y2 = y1, y1 = y;
    return y;
  }
};

// Fourth-order Butterworth band 300..3400 Hz.
void telephoneBand(std::vector<double>& x, double fs) {
  for (double q : {0.5412, 1.3066}) {
    Biquad hp(true, 300, q, fs), lp(false, std::min(3400.0, 0.45 * fs), q, fs);
    for (double& v : x) v = lp(hp(v));
  }
}

// Adds noise of `kind` at `snrDb` below the mean power of the voiced samples.
void addNoise(std::vector<double>& x, const std::vector<double>& f0At, NoiseKind kind, double snrDb, double fs,
              unsigned seed) {
  double power = 0;
  std::size_t n = 0;
  for (std::size_t k = 0; k < x.size(); ++k)
    if (f0At[k] > 0) power += x[k] * x[k], ++n;
  if (n == 0) return;
  std::mt19937 rng(seed);
  std::normal_distribution<double> gauss(0.0, 1.0);
  std::vector<double> w(x.size());
  // Speech-shaped: flat to 500 Hz, then falling 6 dB per octave, no rumble.
  const double lp = std::exp(-2 * kPi * 500 / fs), hp = std::exp(-2 * kPi * 80 / fs);
  double low = 0, prevIn = 0, high = 0, wp = 0;
  for (double& v : w) {
    v = gauss(rng);
    if (kind == NoiseKind::SpeechShaped) {
      low = (1 - lp) * v + lp * low;
      high = hp * (high + low - prevIn);
      prevIn = low;
      v = high;
    }
    wp += v * v;
  }
  const double noisePower = power / static_cast<double>(n) / std::pow(10.0, snrDb / 10);
  const double gain = std::sqrt(noisePower / (wp / static_cast<double>(w.size())));
  for (std::size_t k = 0; k < x.size(); ++k) x[k] += gain * w[k];
}

}  // namespace

KnownF0Signal synthesize(const std::string& name, double fs, const std::vector<Segment>& segments, unsigned seed,
                         const Voice& voice, const Condition& condition) {
  KnownF0Signal out{name, fs, {}, {}, {}};
  std::mt19937 rng(seed);
  std::normal_distribution<double> gauss(0.0, 1.0);
  std::vector<double> f0At;  // true F0 per sample, 0 unvoiced
  std::vector<double> x, breath;
  const double* fm = voice.formants;
  const double* bw = voice.bandwidths;
  Resonator f1(fm[0], bw[0], fs), f2(fm[1], bw[1], fs), f3(fm[2], bw[2], fs);
  Resonator b1(fm[0], bw[0], fs), b2(fm[1], bw[1], fs), b3(fm[2], bw[2], fs);
  std::mt19937 breathRng(seed + 5000);
  std::normal_distribution<double> breathGauss(0.0, 1.0);
  double phase = 0, prevPulse = 0, noisePrev = 0;
  for (const Segment& seg : segments) {
    const auto n = static_cast<std::int64_t>(seg.ms * 0.001 * fs);
    for (std::int64_t k = 0; k < n; ++k) {
      const double t = static_cast<double>(k) / fs;
      double v = 0, f0 = 0;
      if (seg.kind == SegmentKind::Voiced) {
        f0 = seg.f0Start + (seg.f0End - seg.f0Start) * static_cast<double>(k) / static_cast<double>(n);
        f0 *= 1 + seg.vibratoDepth * std::sin(2 * kPi * seg.vibratoHz * t);
        const double before = phase;
        phase += f0 / fs;
        if (before < voice.openQuotient + kClosing && phase >= voice.openQuotient + kClosing)
          out.gci.push_back(static_cast<std::int64_t>(x.size()));
        phase -= std::floor(phase);
        const double pulse = rosenberg(phase, voice.openQuotient);
        v = (pulse - prevPulse) * 4000.0;  // lip radiation: first difference
        prevPulse = pulse;
        v = f3(f2(f1(v)));
        // Breath noise, strongest while the glottis is open.
        if (voice.aspiration > 0) breath.push_back(b3(b2(b1(breathGauss(breathRng) * (0.25 + pulse)))));
      } else {
        prevPulse = 0;
        const double w = gauss(rng);
        v = seg.kind == SegmentKind::Noise ? (w - noisePrev) * 900.0 : w * 3.0;  // hiss is high-passed
        noisePrev = w;
        f3(f2(f1(0)));
        if (voice.aspiration > 0) breath.push_back(b3(b2(b1(0))));
      }
      x.push_back(v);
      f0At.push_back(f0);
    }
  }
  if (voice.aspiration > 0) {
    // Breath power = aspiration x pulse power over the voiced samples.
    double px = 0, pb = 0;
    for (std::size_t k = 0; k < x.size(); ++k)
      if (f0At[k] > 0) px += x[k] * x[k], pb += breath[k] * breath[k];
    const double g = pb > 0 ? std::sqrt(voice.aspiration * px / pb) : 0.0;
    for (std::size_t k = 0; k < x.size(); ++k)
      if (f0At[k] > 0) x[k] += g * breath[k];
  }
  double peak = 1e-9;
  for (std::size_t k = 0; k < x.size(); ++k)
    if (f0At[k] > 0) peak = std::max(peak, std::fabs(x[k]));
  const double gain = 12000.0 / peak;
  // Only voiced stretches are scaled; noise and silence keep their level.
  for (std::size_t k = 0; k < x.size(); ++k)
    if (f0At[k] > 0) x[k] *= gain;
  if (condition.noise != NoiseKind::None)
    addNoise(x, f0At, condition.noise, condition.snrDb, fs, seed + 9000);
  if (condition.telephone) telephoneBand(x, fs);
  for (double v : x) out.samples.push_back(static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L)));
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
      const std::vector<Segment> segs = {{K::Silence, 300}, {K::Voiced, 700, p.a, mid, p.depth, p.rate}, {K::Noise, 150},
                                         {K::Voiced, 600, mid, p.b, p.depth, p.rate}, {K::Silence, 250}};
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
    segs.push_back({(segs.size() / 2) % 3 == 0 ? K::Silence : K::Noise, g});
    total += d + g;
  }
  return synthesize("speech-like", fs, segs, seed);
}

const char* voiceClassName(VoiceClass v) {
  return v == VoiceClass::Male ? "male" : v == VoiceClass::Female ? "female" : "child";
}

std::vector<std::string> noisyConditions() {
  return {"clean", "white20", "white10", "white5", "speech20", "speech10", "speech5", "breathy", "telephone"};
}

std::vector<NoisyF0Signal> noisyF0Set(const std::string& only, const VoiceClass* onlyVoice) {
  using K = SegmentKind;
  struct ClassRow {
    VoiceClass cls;
    Voice voice;
    double a, b, c, vib;  // glide a -> b -> c, vibrato centre
  };
  const ClassRow classes[] = {
      {VoiceClass::Male, {{600, 1300, 2400}, {70, 100, 160}, 0.40, 0}, 100, 150, 115, 120},
      {VoiceClass::Female, {{750, 1700, 2900}, {80, 110, 170}, 0.50, 0}, 190, 290, 220, 230},
      {VoiceClass::Child, {{900, 2000, 3300}, {90, 130, 200}, 0.50, 0}, 310, 440, 350, 360},
  };
  std::vector<NoisyF0Signal> set;
  const std::vector<std::string> conditions = noisyConditions();
  for (std::size_t ci = 0; ci < conditions.size(); ++ci) {
    const std::string& cond = conditions[ci];
    if (!only.empty() && cond != only) continue;
    Condition c;
    const char kind = cond[0];
    if (kind == 'w' || kind == 's') {
      c.noise = kind == 'w' ? NoiseKind::White : NoiseKind::SpeechShaped;
      c.snrDb = std::stod(cond.substr(kind == 'w' ? 5 : 6));
    }
    c.telephone = cond == "telephone";
    const double fs = c.telephone ? 8000.0 : 16000.0;
    for (const ClassRow& row : classes) {
      if (onlyVoice && *onlyVoice != row.cls) continue;
      Voice v = row.voice;
      if (cond == "breathy") {
        v.openQuotient = 0.65;
        v.aspiration = 0.3;
      }
      const std::vector<std::vector<Segment>> utterances = {
          {{K::Silence, 250}, {K::Voiced, 600, row.a, row.b}, {K::Noise, 120}, {K::Voiced, 500, row.b, row.c},
           {K::Silence, 200}},
          {{K::Silence, 200}, {K::Voiced, 900, row.vib, row.vib, 0.04, 5.5}, {K::Noise, 100},
           {K::Voiced, 400, row.vib * 0.9, row.vib * 0.9, 0.01, 7}, {K::Silence, 200}},
      };
      for (std::size_t u = 0; u < utterances.size(); ++u) {
        const unsigned seed = static_cast<unsigned>(100 + 10 * ci + 3 * static_cast<int>(row.cls) + u);
        const std::string name = cond + "-" + voiceClassName(row.cls) + (u == 0 ? "-glide" : "-vibrato");
        set.push_back({synthesize(name, fs, utterances[u], seed, v, c), cond, row.cls});
      }
    }
  }
  return set;
}

void F0Score::add(const F0Score& o) {
  voicedBoth += o.voicedBoth, gross += o.gross, decided += o.decided, voicingErrors += o.voicingErrors;
}

F0Score scoreF0(const KnownF0Signal& s, const std::vector<int>& track) {
  F0Score sc;
  const std::size_t n = std::min(s.truth.size(), track.size());
  for (std::size_t k = 0; k < n; ++k) {
    const double truth = s.truth[k];
    if (truth < 0) continue;  // window across a voicing boundary
    const int got = track[k];
    ++sc.decided;
    if ((truth > 0) != (got > 0)) ++sc.voicingErrors;
    if (truth > 0 && got > 0) {
      ++sc.voicedBoth;
      if (std::fabs(got - truth) > 0.2 * truth) ++sc.gross;
    }
  }
  return sc;
}

bool writeWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, double fs) {
  return writeWavFile(path, samples, fs, notetiqs{}, notetiqs{});
}

bool writeFileSafely(const std::filesystem::path& path, const std::string& content) {
  ReplacingFile out{path};
  return out.open() && out.write(content) && out.commit();
}

}  // namespace ardv::test
