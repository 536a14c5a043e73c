// Accuracy of the McCandless and snake tracks on synthetic vowels of three
// voice classes, steady and moving, clean and at 20 dB SNR, at 8/16/48 kHz.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "formants/mccandless.h"
#include "formants/snake.h"
#include "signal/time_conversion.h"
#include "tests/formants/vowel_synth.h"

namespace ardv {
namespace {

using test::VowelSpec;

struct Voice {
  const char* name;
  double f0;
  double steady[3];
  double from[3];
  double to[3];
  double f4;
};

constexpr Voice kVoices[] = {
    {"male", 100, {500, 1500, 2500}, {300, 2200, 2700}, {700, 1100, 2400}, 3500},
    {"female", 220, {600, 1700, 2800}, {350, 2400, 3000}, {800, 1300, 2800}, 4000},
    {"child", 330, {700, 2000, 3300}, {450, 2600, 3500}, {900, 1500, 3200}, 4500},
};

enum class Method { McCandless, Snake };

struct Errors {
  double mae[3] = {0, 0, 0};
  int frames = 0;
};

Errors measure(const VowelSpec& spec, Method method) {
  const auto x = test::synthVowel(spec);
  Errors e;
  const double edgeMs = 60.0, endMs = spec.seconds * 1000.0 - edgeMs;
  auto add = [&](double ms, const double f[3]) {
    if (ms < edgeMs || ms > endMs) return;
    for (int k = 0; k < 3; ++k) e.mae[k] += std::abs(f[k] - test::trueFormant(spec, k, ms / 1000.0));
    ++e.frames;
  };
  if (method == Method::McCandless) {
    std::vector<McCandlessFrame> frames;
    const int order = formantLpcOrder(spec.fs, 1.0);
    EXPECT_GE(mcCandless(x, 0, static_cast<std::int64_t>(x.size()) - 1, spec.fs, order, false, frames), 0);
    for (const auto& fr : frames) {
      const double f[3] = {fr.f[0].frequencyHz, fr.f[1].frequencyHz, fr.f[2].frequencyHz};
      add(fr.centre / spec.fs * 1000.0, f);
    }
  } else {
    std::vector<std::vector<SnakeTrackPoint>> tracks;
    EXPECT_TRUE(trackSnakes(x, 0, static_cast<std::int64_t>(x.size()) - 1, spec.fs, FormantOptions{}, SnakeParams{},
                            SupportMethod::Cepstral, InitialCurves::LpcRoots, tracks));
    if (tracks.size() < 3) return e;
    for (std::size_t i = 0; i < tracks[0].size(); ++i) {
      double f[3];
      const double ms = tracks[0][i].timeMs;
      for (int k = 0; k < 3; ++k) {
        const auto& t = tracks[static_cast<std::size_t>(k)];
        f[k] = t[std::min(i, t.size() - 1)].frequencyHz;
      }
      add(ms, f);
    }
  }
  for (double& m : e.mae) m /= std::max(1, e.frames);
  return e;
}

struct Case {
  int voice;
  bool moving;
  double snr;
  double fs;
  Method method;
};

std::string name(const Case& c) {
  return std::string(kVoices[c.voice].name) + (c.moving ? " moving" : " steady") + (c.snr > 0 ? " 20dB" : " clean") +
         " " + std::to_string(static_cast<int>(c.fs / 1000)) + "k " +
         (c.method == Method::McCandless ? "mccandless" : "snake");
}

class FormantAccuracy : public ::testing::TestWithParam<Case> {};

TEST_P(FormantAccuracy, MeanAbsoluteErrorWithinTargets) {
  const Case c = GetParam();
  const Voice& v = kVoices[c.voice];
  VowelSpec s;
  s.fs = c.fs;
  s.f0 = v.f0;
  s.f4Hz = v.f4;
  s.snrDb = c.snr;
  for (int k = 0; k < 3; ++k) {
    s.startHz[k] = c.moving ? v.from[k] : v.steady[k];
    s.endHz[k] = c.moving ? v.to[k] : v.steady[k];
  }
  const Errors e = measure(s, c.method);
  std::printf("ACCURACY %-40s F1 %6.1f F2 %6.1f F3 %6.1f (%d frames)\n", name(c).c_str(), e.mae[0], e.mae[1],
              e.mae[2], e.frames);
  ASSERT_GT(e.frames, 10);
  EXPECT_LE(e.mae[0], 40.0);
  EXPECT_LE(e.mae[1], 90.0);
  EXPECT_LE(e.mae[2], 120.0);
}

std::vector<Case> cases() {
  std::vector<Case> all;
  for (Method m : {Method::McCandless, Method::Snake})
    for (double fs : {8000.0, 16000.0, 48000.0})
      for (int v = 0; v < 3; ++v)
        for (bool moving : {false, true})
          for (double snr : {0.0, 20.0}) all.push_back({v, moving, snr, fs, m});
  return all;
}

INSTANTIATE_TEST_SUITE_P(Voices, FormantAccuracy, ::testing::ValuesIn(cases()));

}  // namespace
}  // namespace ardv
