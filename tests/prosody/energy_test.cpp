// Energy parameters and frames, whole-file energy lines, and the speech
// start/end detector's confirmation rules.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "prosody/energy.h"
#include "prosody/energy_file.h"
#include "prosody/speech_detector.h"
#include "signal/infofile_io.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

// Frame length, FFT size, hop and band bins at 16 kHz, and the frame length
// after a cut to 2048 samples.
TEST(EnergySetup, DerivedSizes) {
  const struct {
    float fLow, fHigh, windowMs;
    int Le, Ne, He, bl, bh;
    float windowAfter;
  } rows[] = {
      {0, 8000, 16, 256, 256, 51, 0, 128, 16},         // 8000 Hz is the Nyquist bin
      {0, 20000, 200, 2048, 2048, 409, 0, 1024, 128},  // limited to Nyquist, long frame cut
      {1000, 1000, 16, 256, 256, 51, 16, 16, 16},      // equal limits: one bin
  };
  for (const auto& r : rows) {
    EnergyParams p;
    p.fLow = r.fLow, p.fHigh = r.fHigh, p.windowMs = r.windowMs;
    EnergySetup s;
    ASSERT_TRUE(energySetup(p, 16000, s));
    EXPECT_EQ((std::vector<int>{s.Le, s.Ne, s.He, s.bl, s.bh}), (std::vector<int>{r.Le, r.Ne, r.He, r.bl, r.bh}))
        << r.fHigh << " Hz, " << r.windowMs << " ms";
    EXPECT_FLOAT_EQ(p.windowMs, r.windowAfter);
  }
}

TEST(FrameEnergy, OneBinHoldsTheLevelOfASine) {
  EnergyParams p;
  p.fLow = p.fHigh = 1000;
  EnergySetup s;
  ASSERT_TRUE(energySetup(p, 16000, s));
  // A 1000-Hz sine of amplitude 1000 with a rectangular 256-sample frame:
  // |X| = 1000 * 256 / 2 at bin 16, level 10*log10(128000^2) + 20*log10(128/256).
  std::vector<std::int16_t> x(256);
  for (std::size_t n = 0; n < x.size(); ++n)
    x[n] = static_cast<std::int16_t>(std::lround(1000 * std::cos(2 * std::numbers::pi * 1000 * n / 16000.0)));
  FrameEnergy e(s);
  EXPECT_NEAR(e(x.data()), 20 * std::log10(128000.0) + 20 * std::log10(0.5), 0.05);
}

// Each check corrects its field at 16 kHz and says so; a good value is left unsaid.
TEST(EnergyChecks, CorrectionsOfTheOptions) {
  using Check = std::string (*)(EnergyParams&, double);
  const struct {
    Check check;
    float fLow, fHigh, windowMs;
    float EnergyParams::*field;
    float expect;
    bool said;
  } rows[] = {
      {checkEnergyLow, 9000, 8000, 16, &EnergyParams::fLow, 7000, true},
      {checkEnergyLow, 7500, 8000, 16, &EnergyParams::fLow, 7000, true},
      {checkEnergyHigh, 7000, 9000, 16, &EnergyParams::fHigh, 8000, true},
      {checkEnergyHigh, 3000, 2000, 16, &EnergyParams::fHigh, 4000, true},
      {checkEnergyWindow, 0, 8000, -1, &EnergyParams::windowMs, 16, true},
      {checkEnergyWindow, 0, 8000, NAN, &EnergyParams::windowMs, 16, true},
      {checkEnergyWindow, 0, 8000, 500, &EnergyParams::windowMs, 128, true},
      {checkEnergyWindow, 0, 8000, 128, &EnergyParams::windowMs, 128, false},
  };
  for (const auto& r : rows) {
    EnergyParams p;
    p.fLow = r.fLow, p.fHigh = r.fHigh, p.windowMs = r.windowMs;
    EXPECT_EQ(r.check(p, 16000).empty(), !r.said) << r.fLow << " " << r.fHigh << " " << r.windowMs;
    EXPECT_FLOAT_EQ(p.*r.field, r.expect) << r.fLow << " " << r.fHigh << " " << r.windowMs;
  }
}

// One signal file (300 ms of near silence first): its energy lines and its speech.
TEST(EnergyFile, LinesAreRelativeToTheLowestEnergyAndSpeechIsFound) {
  ml_init(test::sourceDataDir() / "format" / "english.txt");
  test::TempDir dir;
  const auto s = test::knownF0Set()[12];
  ASSERT_TRUE(test::writeWav(dir / "e.wav", s.samples, s.fs));
  infoFile info;
  info.nom = (dir / "e.wav").string();
  ASSERT_TRUE(init_infoFile_read(info));
  EnergyParams p;
  ASSERT_TRUE(energyForFile(info, dir / "e.txt", p));
  const std::string text = test::readFile(dir / "e.txt");
  EXPECT_EQ(text.substr(0, 4), "0   ");
  std::istringstream in(text);
  long ms = 0, prev = -1;
  double v = 0, loudest = 0;
  int count = 0, zeros = 0;
  for (; in >> ms >> v; prev = ms, ++count) {
    EXPECT_GT(ms, prev);
    EXPECT_GE(v, 0);
    zeros += v == 0;
    loudest = std::max(loudest, v);
  }
  // One line every 51 samples up to the last sample.
  EXPECT_EQ(count, static_cast<int>((s.samples.size() + 50) / 51));
  EXPECT_GT(zeros, 0);  // the lowest energy is the zero
  EXPECT_GT(loudest, 40);

  std::int64_t start = -1, end = -1;
  ASSERT_TRUE(speechStartEnd(info, start, end));
  EXPECT_NEAR(static_cast<double>(start), 300, 30);
  // 700 ms voiced, 150 ms of loud hiss, 600 ms voiced, then silence.
  EXPECT_NEAR(static_cast<double>(end), 1750, 40);
}

TEST(EnergyFile, MissingDirectoryIsWarnedOnce) {
  ScopedRecorder rec;
  infoFile info;
  info.frequence = 16000;
  EnergyParams p;
  EXPECT_FALSE(energyForFile(info, "/nonexistent-dir-ardv/e.txt", p));
  EXPECT_EQ(rec->count(ReportKind::Warning), 1u);
}

// Feeds loudness pattern segments (ms, loud) at 4-ms frames from t = 0.
SpeechDetector run(const std::vector<std::pair<int, bool>>& pattern) {
  SpeechDetector d;
  std::int64_t t = 0;
  for (const auto& [ms, loud] : pattern)
    for (int k = 0; k < ms / 4; ++k, t += 4) d.feed(loud ? 70 : 20, t);
  return d;
}

TEST(SpeechDetector, ConfirmationRules) {
  struct Case {
    const char* rule;
    std::vector<std::pair<int, bool>> pattern;
    int state;
    std::int64_t start, end;  // speech confirmed after 13 loud frames starts 50 ms before
  };
  const Case cases[] = {
      {"a burst under 50 ms starts nothing", {{100, false}, {48, true}, {300, false}, {52, true}, {40, false}}, 2,
       448 + 48 - 50, -1},
      {"a pause under 100 ms ends nothing", {{100, false}, {300, true}, {96, false}, {300, true}}, 2, 98, -1},
      {"a pause over 100 ms ends speech at its start", {{100, false}, {300, true}, {200, false}}, 5, 98, 400},
      {"renewed loudness over 40 ms cancels an end",
       {{100, false}, {300, true}, {60, false}, {44, true}, {60, false}, {300, true}}, 2, 98, -1},
      // Quiet from 200 ms is only 102 ms after the start.
      {"speech under 150 ms cannot end", {{100, false}, {100, true}, {48, false}, {300, true}}, 2, 98, -1},
      {"no speech in the first second gives zeros", {{1100, false}, {300, true}}, 5, 0, 0}};
  for (const Case& c : cases) {
    const SpeechDetector d = run(c.pattern);
    EXPECT_EQ(d.state(), c.state) << c.rule;
    EXPECT_EQ(d.start(), c.start) << c.rule;
    EXPECT_EQ(d.end(), c.end) << c.rule;
  }
}

}  // namespace
}  // namespace ardv
