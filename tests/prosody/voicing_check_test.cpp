// The periodicity check after the path: what repeats at its period, onsets
// and creak trimmed, a voice below a raised floor.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <tuple>

#include "platform/headless/recording_reporter.h"
#include "prosody/pitch_candidates.h"
#include "prosody/pitch_martin.h"
#include "prosody/pitch_octave.h"
#include "prosody/pitch_onset.h"
#include "prosody/pitch_path.h"
#include "prosody/voicing_bonus.h"
#include "prosody/voicing_check.h"
#include "prosody/voicing_path.h"
#include "prosody/voicing_stats.h"
#include "signal/program.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/prosody/pitch_run_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv {
namespace {

// Periodicity of a 32-ms frame at 16 kHz: a harmonic tone repeats at its
// period (and at its half's), not at 1.5 times its F0; noise, silence and
// no F0 do not.
TEST(Periodicity, RepeatsOnlyAtThePeriod) {
  const int n = 512;
  std::vector<std::int16_t> tone(n), noise(n), silence(n, 0);
  std::mt19937 gen(7);
  std::normal_distribution<double> g(0, 3000);
  for (int k = 0; k < n; ++k) {
    const double t = k / 16000.0;
    tone[k] = static_cast<std::int16_t>(8000 * std::sin(2 * std::numbers::pi * 150 * t) +
                                        4000 * std::sin(2 * std::numbers::pi * 300 * t + 1));
    noise[k] = static_cast<std::int16_t>(g(gen));
  }
  const struct {
    const std::vector<std::int16_t>* x;
    double f0, lo, hi;
  } rows[] = {{&tone, 150, 0.95, 1.01}, {&tone, 75, 0.95, 1.01}, {&tone, 225, -1, 0.2},
              {&noise, 150, -1, 0.3},   {&silence, 150, 0, 0},  {&tone, 0, 0, 0}};
  for (const auto& r : rows) {
    const double v = periodicity(r.x->data(), n, 16000, r.f0);
    EXPECT_GE(v, r.lo) << r.f0;
    EXPECT_LE(v, r.hi) << r.f0;
  }
}

// The check on one run over noise (0-200 ms), a 150-Hz tone, noise again
// (400-500 ms, called a 70-Hz voice) and the tone: at most two weak onset
// frames and the creak inside turn unvoiced, the tone stays, and where it is
// called 75 Hz (260-340 ms) or 300 Hz (three frames near 700 ms) it gets
// its own F0 back, as it does where the path left it unvoiced (600-650 ms);
// the noise between two stretches of the tone stays unvoiced.
TEST(Periodicity, CheckTrimsOnsetsAndCreak) {
  const double fs = 16000;
  std::vector<std::int16_t> x(16000);
  std::mt19937 gen(3);
  std::normal_distribution<double> g(0, 3000);
  for (std::size_t k = 0; k < x.size(); ++k) {
    const double t = static_cast<double>(k) / fs;
    const bool tone = (t >= 0.2 && t < 0.4) || t >= 0.5;
    x[k] = static_cast<std::int16_t>(tone ? 8000 * std::sin(2 * std::numbers::pi * 150 * t) +
                                                4000 * std::sin(2 * std::numbers::pi * 300 * t + 1)
                                          : g(gen));
  }
  PitchRun run;
  prepare(run, x, fs);
  run.params.voicingThreshold = 0.4f;
  const int frames = run.geo.frames;
  auto centreMs = [&](int i) { return (i * run.geo.S + run.geo.L / 2) * 1000.0 / fs; };
  std::vector<int> p(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const double ms = centreMs(i);
    p[static_cast<std::size_t>(i)] = ms > 420 && ms < 480   ? 70
                                     : ms > 260 && ms < 340 ? 75
                                     : ms > 690 && ms < 714 ? 300
                                     : ms > 600 && ms < 650 ? 0
                                                            : 150;
  }
  checkPeriodicity(run, p);
  for (int i = 0; i < frames; ++i) {
    const double ms = centreMs(i);
    const int v = p[static_cast<std::size_t>(i)];
    if (i < kOnsetFramesChecked || (ms > 420 && ms < 480)) {
      EXPECT_EQ(v, 0) << ms;
    } else if ((ms > 230 && ms < 370) || ms > 530) {
      EXPECT_EQ(v, 150) << ms;
    }
  }
  EXPECT_GT(p[kOnsetFramesChecked], 0);
}

// With "Female" (floor 100 Hz) a voice of 80 Hz read at three times its F0
// is unvoiced; a voice of 240 Hz keeps its F0, and so does the 80-Hz voice
// with "Any", whose floor (65 Hz) holds the voice.
TEST(Periodicity, AVoiceBelowARaisedFloorIsUnvoiced) {
  const double fs = 16000;
  const struct {
    double voiceHz;
    int speaker, expect;
  } rows[] = {{80, 0, 0}, {240, 0, 240}, {80, -1, 240}};
  for (const auto& r : rows) {
    std::vector<std::int16_t> x(8000);
    for (std::size_t k = 0; k < x.size(); ++k) {
      double v = 0;  // the third harmonic strongest: the waveform repeats fairly at a third of its period
      for (const auto& [h, a] : {std::pair{1, 0.5}, {2, 0.5}, {3, 1.0}, {6, 0.5}})
        v += a * std::sin(2 * std::numbers::pi * h * r.voiceHz * static_cast<double>(k) / fs + h);
      x[k] = static_cast<std::int16_t>(8000 * v);
    }
    PitchRun run;
    prepare(run, x, fs);
    run.params = speakerF0Params(r.speaker);
    run.params.voicingThreshold = 0.4f;
    std::vector<int> p(static_cast<std::size_t>(run.geo.frames), 240);
    checkPeriodicity(run, p);
    EXPECT_EQ(p[p.size() / 2], r.expect) << r.voiceHz << " Hz, speaker " << r.speaker;
  }
}

// The voicing path over a harmonic voice with a pause in its middle: voiced
// at its F0 where the window lies in the voice, unvoiced in the pause, in
// noise and in silence; no path where the transform would be too large.
TEST(VoicingPath, VoicesTheVoiceAndNothingElse) {
  const struct {
    double fs, f0;  // f0 0: white noise; -1: silence
    bool path;      // a path at all
  } rows[] = {{8000, 100, true},  {16000, 220, true}, {16000, 450, true}, {22050, 70, true},
              {48000, 120, true}, {44100, 67, true},  {11025, 600, true}, {16000, 0, true},
              {16000, -1, true},  {128000, 200, false}};
  for (const auto& r : rows) {
    const auto n = static_cast<std::size_t>(r.fs);  // 1 s: voice, 0.3-s pause from 0.35 s, voice
    std::vector<std::int16_t> x(n, 0);
    std::mt19937 gen(3);
    std::normal_distribution<double> noise(0, 3000);
    for (std::size_t k = 0; k < n; ++k) {
      const double t = static_cast<double>(k) / r.fs;
      if (r.f0 == 0) x[k] = static_cast<std::int16_t>(noise(gen));
      if (r.f0 <= 0 || (t >= 0.35 && t < 0.65)) continue;
      double v = 0;
      for (int h = 1; h * r.f0 < std::min(4000.0, r.fs / 2); ++h) v += std::sin(2 * std::numbers::pi * h * r.f0 * t) / h;
      x[k] = static_cast<std::int16_t>(6000 * v);
    }
    const int step = static_cast<int>(r.fs * 0.008), frames = static_cast<int>(n) / step;
    const std::vector<float> f0 = autocorrelationPath(x, r.fs, 0, step, frames, VoicingPathSettings{});
    ASSERT_EQ(f0.size(), r.path ? static_cast<std::size_t>(frames) : 0u) << r.fs;
    if (r.path) {
      EXPECT_TRUE(f0.front() == -1 && f0.back() == -1) << "frames whose window leaves the samples have no say";
    }
    const double half = 1.5 / 65.0 + 0.008;  // half the window and a frame
    int voicedInVoice = 0, inVoice = 0, voicedElsewhere = 0;
    for (int i = 0; i < static_cast<int>(f0.size()); ++i) {
      const double t = i * 0.008;
      const bool voice = r.f0 > 0 && t > half && t < 1 - half && (t < 0.35 - half || t > 0.65 + half);
      const bool pause = r.f0 <= 0 || (t > 0.35 + half && t < 0.65 - half);
      if (voice) {
        ++inVoice;
        voicedInVoice += f0[static_cast<std::size_t>(i)] > 0;
        if (f0[static_cast<std::size_t>(i)] > 0) {
          EXPECT_NEAR(f0[static_cast<std::size_t>(i)], r.f0, 0.02 * r.f0) << r.fs << " Hz, frame " << i;
        }
      }
      if (pause) voicedElsewhere += f0[static_cast<std::size_t>(i)] > 0;
    }
    EXPECT_EQ(voicedInVoice, inVoice) << r.fs << " Hz, F0 " << r.f0;
    EXPECT_EQ(voicedElsewhere, 0) << r.fs << " Hz, F0 " << r.f0;
  }
}

// Under "Male" the path's candidates stop at 400 Hz: a voice above it reads
// at half its F0 there. A run the comb found at that half does not grow over
// the voice (its frames repeat as well at half the path's period), while a
// voice within the range grows over the whole voice.
TEST(VoicingPath, NoGrowthAtHalfAVoiceAboveTheRange) {
  const double fs = 16000;
  const struct {
    double voiceHz, runHz;
    bool grows;
  } rows[] = {{460, 230, false}, {300, 300, true}};
  for (const auto& r : rows) {
    std::vector<std::int16_t> x(16000);
    for (std::size_t k = 0; k < x.size(); ++k) {
      double v = 0;
      for (int h = 1; h * r.voiceHz < 4000; ++h)
        v += std::sin(2 * std::numbers::pi * h * r.voiceHz * static_cast<double>(k) / fs) / h;
      x[k] = static_cast<std::int16_t>(6000 * v);
    }
    PitchRun run;
    prepare(run, x, fs);
    run.params = speakerF0Params(1);
    run.thr.F0med = static_cast<int>(r.runHz);
    const int frames = run.geo.frames;
    std::vector<int> p(static_cast<std::size_t>(frames), 0);
    for (int i = frames / 2 - 5; i < frames / 2 + 5; ++i) p[static_cast<std::size_t>(i)] = static_cast<int>(r.runHz);
    voiceByPath(run, p);
    int voiced = 0;
    for (int f : p) voiced += f > 0;
    EXPECT_EQ(voiced > frames - 12, r.grows) << r.voiceHz << " Hz: " << voiced << " of " << frames;
    EXPECT_GE(voiced, 10) << r.voiceHz << " Hz";
  }
}

// A voice after silence: the path's window, longer than the comb's frame,
// still holds silence at the voice's first frames. A run whose first frame
// alone the path leaves unvoiced keeps it; two such frames are trimmed.
TEST(VoicingPath, ARunKeepsItsFirstFrameAloneUnvoiced) {
  const double fs = 16000;
  std::vector<std::int16_t> x(16000, 0);
  for (std::size_t k = 8000; k < x.size(); ++k) {
    double v = 0;
    for (int h = 1; h * 150 < 4000; ++h)
      v += std::sin(2 * std::numbers::pi * h * 150 * static_cast<double>(k) / fs) / h;
    x[k] = static_cast<std::int16_t>(6000 * v);
  }
  PitchRun run;
  prepare(run, x, fs);
  run.thr.F0med = 150;
  const int frames = run.geo.frames;
  // The path voices this voice from frame 61 on.
  const struct {
    int start, first;
  } rows[] = {{60, 60}, {59, 61}, {55, 61}, {64, 61}};
  for (const auto& r : rows) {
    std::vector<int> p(static_cast<std::size_t>(frames), 0);
    for (int i = r.start; i < frames; ++i) p[static_cast<std::size_t>(i)] = 150;
    voiceByPath(run, p);
    int first = 0;
    while (first < frames && p[static_cast<std::size_t>(first)] == 0) ++first;
    EXPECT_EQ(first, r.first) << "run from frame " << r.start;
  }
}

}  // namespace
}  // namespace ardv
