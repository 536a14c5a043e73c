// Resampling: the ratio table, the stop band of the filter on a sweep, the
// pass band on a sine, the output length and the output file's name and rate;
// Escape leaves a previous output file as it was.
#include "signal/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <numbers>

#include "platform/headless/recording_reporter.h"
#include "platform/keyboard.h"
#include "signal/current_signal.h"
#include "signal/edit_context.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "signal/wav_layout.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

TEST(Resample, RatioTable) {
  struct Case {
    double from, to;
    int up, down;
    bool resample;
  };
  for (const Case& c : {Case{16000, 8000, 1, 2, true}, Case{8000, 16000, 2, 1, true}, Case{44100, 16000, 4, 11, true},
                        Case{16000, 22050, 11, 8, true}, Case{22050, 16000, 8, 11, true}, Case{16000, 16500, 1, 1, false},
                        Case{8000, 44100, 11, 2, true}, Case{48000, 8000, 1, 1, false}}) {
    const ResampleRatio r = resampleRatio(c.from / c.to);
    EXPECT_EQ(r.up, c.up) << c.from << " -> " << c.to;
    EXPECT_EQ(r.down, c.down) << c.from << " -> " << c.to;
    EXPECT_EQ(r.resample, c.resample) << c.from << " -> " << c.to;
  }
}

std::vector<std::int16_t> tone(std::int64_t n, double fs, double f0Hz, double f1Hz, double amplitude) {
  std::vector<std::int16_t> x(static_cast<std::size_t>(n));
  for (std::int64_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / fs, duration = static_cast<double>(n) / fs;
    const double phase = 2 * std::numbers::pi * (f0Hz * t + (f1Hz - f0Hz) * t * t / (2 * duration));
    // Raised-cosine ends of 50 ms keep the onset from spreading below f0Hz.
    const double edge = std::min({t, duration - t, 0.05}) / 0.05;
    const double ramp = 0.5 - 0.5 * std::cos(std::numbers::pi * edge);
    x[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(amplitude * ramp * std::sin(phase)));
  }
  return x;
}

TEST(Resample, HalvingTheRateStopsEverythingAbove4kHz) {
  const ResampleRatio ratio = resampleRatio(2.0);
  const std::int64_t n = 32000;
  // A sweep over the band that would fold into the output: 4 to 8 kHz.
  const auto y = resampleSamples(tone(n, 16000, 4000, 8000, 30000), ratio);
  ASSERT_EQ(static_cast<std::int64_t>(y.size()), (n - 900) / 2 - 2);
  int peak = 0;
  for (std::int16_t v : y) peak = std::max(peak, std::abs(static_cast<int>(v)));
  EXPECT_LT(20 * std::log10(std::max(peak, 1) / 30000.0), -70.0) << "peak " << peak;
  // A 1 kHz tone passes unchanged in level.
  const auto pass = resampleSamples(tone(n, 16000, 1000, 1000, 20000), ratio);
  int passPeak = 0;
  for (std::int16_t v : pass) passPeak = std::max(passPeak, std::abs(static_cast<int>(v)));
  EXPECT_NEAR(passPeak, 20000, 40);
}

TEST(Resample, OutputLengthFollowsTheRule) {
  const ResampleRatio up{11, 8, true};  // 16000 -> 22000
  EXPECT_EQ(resampledLength(1000, up), (11000 - 900) / 8 - 2);
  EXPECT_EQ(resampleSamples(std::vector<std::int16_t>(1000, 100), up).size(), std::size_t{(11000 - 900) / 8 - 2});
  EXPECT_EQ(resampledLength(80, up), 0);  // shorter than the filter
  EXPECT_EQ(resampledWavName("out"), "out.wav");
  EXPECT_EQ(resampledWavName("dir/out.wav"), "dir/out.wav");
}

// Escape leaves a previous output file as it was; a completed run replaces it.
TEST(Resample, CurrentFileToAWavFileAtTheNewRateUnlessEscaped) {
  test::TempDir dir;
  ScopedRecorder rec;
  const std::string in = (dir.path() / "in.wav").string();
  ASSERT_TRUE(writeWavFile(in, tone(48000, 16000, 500, 500, 10000), 16000, notetiqs(), notetiqs()));
  test::writeFile(dir / "half.wav", "previous");
  resetCurrent();
  program().en_cours = infoFile{};
  program().en_cours.nom = in;
  ASSERT_TRUE(openCurrent());
  {
    ScriptedKeyboard keys(2);  // the press forgotten at the start, the first block, then Escape
    ScopedKeyboard scope(keys);
    EXPECT_FALSE(resampleCurrent(8000, (dir.path() / "half").string()));
    EXPECT_EQ(keys.polls(), 3);
  }
  EXPECT_EQ(test::readFile(dir / "half.wav"), "previous");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 2);
  EXPECT_TRUE(rec->saw("Resampling stopped"));

  ASSERT_TRUE(resampleCurrent(8000, (dir.path() / "half").string()));
  infoFile out;
  out.nom = (dir.path() / "half.wav").string();
  ASSERT_TRUE(init_infoFile_read(out));
  EXPECT_EQ(out.frequence, 8000);
  EXPECT_EQ(out.longueur / 2, (48000 - 900) / 2 - 2);
  EXPECT_TRUE(rec->saw("half.wav"));
}

}  // namespace
}  // namespace ardv
