// Spectrogram settings and columns: the derived sizes and their edge cases, a
// 1 kHz tone in the 1 kHz bin of every kind, silence at the floor, frame
// placement and the FFT column matrix.
#include "spectral/spectrogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <vector>

#include "platform/headless/recording_reporter.h"
#include "spectral/frame_placement.h"
#include "spectral/reassigned.h"
#include "spectral/spectrogram_params.h"
#include "tests/signal/signal_test_support.h"
#include "texts/texts.h"

namespace ardv {
namespace {

constexpr double kFs = 16000.0;

CurrentSpectro paramsOf(int kind, double fs = kFs) {
  SpectroSettings settings;
  settings.fmaxHz = fs / 2;
  CurrentSpectro c;
  EXPECT_TRUE(spectro_GetParams(settings, kind, fs, c));
  return c;
}

int argMax(const std::vector<float>& v, int count) {
  return static_cast<int>(std::max_element(v.begin(), v.begin() + count) - v.begin());
}

TEST(SpectroParams, NarrowAndWideBandDefaultsAt16k) {
  const CurrentSpectro narrow = paramsOf(2), wide = paramsOf(1);  // upper display frequency 8000 Hz
  EXPECT_EQ(std::tuple(narrow.fen_fft, narrow.fftSize, narrow.displayedBins, narrow.columnsPerFrame),
            std::tuple(512, 1024, 512, 2));
  EXPECT_EQ(std::pair(wide.fen_fft, wide.fftSize), std::pair(64, 256));
  SpecFft a, b;
  ASSERT_TRUE(a.init(narrow.fen_fft, narrow.fftSize));
  ASSERT_TRUE(b.init(wide.fen_fft, wide.fftSize));
  EXPECT_NEAR(a.levelOffsetDb(), 0.0, 1e-12);
  EXPECT_NEAR(b.levelOffsetDb(), 6.0206, 1e-4);
}

TEST(SpectroParams, EdgeCasesOfTheDerivedSizes) {
  SpectroSettings settings;
  settings[1].windowMs = 1.9f;  // counts as 1 ms
  CurrentSpectro c;
  ASSERT_TRUE(spectro_GetParams(settings, 1, kFs, c));
  EXPECT_EQ(c.fen_fft, 16);
  ASSERT_TRUE(spectro_GetParams(settings, 5, 22050, c));
  // The lifter: 1.25 ms at 22050 Hz, truncated.
  EXPECT_EQ(std::tuple(c.fen_fft, c.cepstralFftSize, c.fftSize, c.lifter1), std::tuple(512, 1024, 512, 27));
  ASSERT_TRUE(spectro_GetParams(settings, 4, kFs, c));
  EXPECT_EQ(std::tuple(c.step, c.lpcOrder, c.columnsPerFrame), std::tuple(128, 18, 1));
  // A 1024-sample window takes at least half of it.
  for (const auto& [asked, window, size] : {std::tuple{300, 4, 512}, {5000, 4, 4096}, {256, 64, 512}})
    EXPECT_EQ(normaliseFftSize(asked, window, kFs), size) << asked;
}

TEST(SpectroParams, LpcOrder) {
  for (const auto& [factor, fs, order] : {std::tuple{1.0, 8000.0, 10}, {1.0, 16000.0, 18}, {1.0, 22050.0, 24},
                                          {1.0, 48000.0, 50}, {0.1, 8000.0, 4}, {5.0, 48000.0, 60}})
    EXPECT_EQ(lpcOrder(factor, fs), order) << factor << " " << fs;
  for (double f = 0.2; f < 3; f += 0.05) {
    const int p = lpcOrder(f, 11025);
    EXPECT_EQ(p % 2, 0);
    EXPECT_GE(p, 4);
    EXPECT_LE(p, 60);
  }
}

// Every linear-prediction window the settings accept is computed as typed;
// one they refuse (a file at another rate may bring it) still gives a column.
TEST(SpectroParams, EveryLpcWindowGivesAColumn) {
  ScopedRecorder rec;
  const auto x0 = test::sine(20000, kFs, 1000, 8000);
  for (const double fs : {8000.0, 16000.0, 44100.0, 48000.0})
    for (const float factor : {0.1f, 1.0f, 4.0f})
      for (const float ms : {1, 2, 3, 5, 16, 64, 93, 100, 128}) {
        SpectroSettings settings;
        settings.fmaxHz = fs / 2;
        settings[4].windowMs = ms, settings[4].orderFactor = factor;
        std::string why;
        CurrentSpectro c;
        SpectroWork work;
        std::vector<float> column;
        ASSERT_TRUE(spectro_GetParams(settings, 4, fs, c) && prepareSpectroWork(c, work));
        const bool computable = spectroSettingsComputable(settings[4], fs, why);
        EXPECT_TRUE(!computable || c.fen_fft == std::lround(ms * fs / 1000)) << fs << " Hz, " << ms << " ms";
        EXPECT_TRUE(spectroColumn(c, work, SampleSpan{x0.data(), 20000, 0}, 10000, column)) << fs << " Hz, " << ms << " ms";
      }
  EXPECT_EQ(rec->count(ReportKind::Bug) + rec->count(ReportKind::Message), 0u);
}

TEST(SpectroParams, DefaultsRestoredAndOpenWindowsRedrawn) {
  SpectroSettings& s = spectroSettings();
  std::vector<int> redrawn;
  setSpectroRedrawHook([&](int k) { redrawn.push_back(k); });
  s[2].windowMs = 7.0f;
  s[2].windowOpen = true;
  s[5].lifter1Ms = 9.0f;
  setSpectroDefaults(-1);
  EXPECT_EQ(std::tuple(s[2].windowMs, s[2].windowOpen, s[5].lifter1Ms, redrawn),
            std::tuple(32.0f, true, 1.25f, std::vector<int>{2}));
  s[2].windowOpen = false;
  setSpectroRedrawHook(nullptr);
  ScopedRecorder rec;
  setSpectroDefaults(9);
  EXPECT_EQ(rec->count(ReportKind::Bug), 1u);
}

TEST(SpectroParams, DetailsText) {
  textTable().loadText(
      "8531, \"fs %d\\n\"\n8532, \"win %.1f\\n\"\n8533, \"l1 %.1f\\n\"\n8534, \"l2 %.1f\\n\"\n"
      "8535, \"p %d\\n\"\n8536, \"step %.1f\\n\"\n",
      "test");
  SpectroSettings s;
  auto details = [&](int kind) {
    std::string t = spectroDetailsText(s, kind, kFs, 10.0);
    std::erase(t, '\r');  // the text table may store line breaks as CR LF
    return t;
  };
  EXPECT_EQ(details(5), "fs 16000\nwin 512.0\nl1 20.0\nl2 40.0\nstep 30.0\n");
  EXPECT_EQ(details(4), "fs 16000\nwin 256.0\np 18\nstep 128.0\n");
}

TEST(SpecFft, SilenceGivesTheFloorAndTheLastBinIsAlwaysFloor) {
  const std::vector<std::int16_t> zeros(600, 0);
  const SampleSpan x{zeros.data(), 600, 1000};
  SpecFft f;
  ASSERT_TRUE(f.init(64, 256));
  std::vector<float> col(129);
  ASSERT_TRUE(f.compute(x, 1000, col.data(), true, true));
  for (float v : col) EXPECT_NEAR(v, -100.0 + 6.0206, 1e-3);
  const auto t = test::sine(600, kFs, 1000, 8000);
  const SampleSpan y{t.data(), 600, 0};
  ASSERT_TRUE(f.compute(y, 10, col.data(), false, false));
  EXPECT_NEAR(col[128], 1e-10, 1e-16);
}

TEST(SpecFft, RefusesBadSizesAndFramesOutsideTheSamples) {
  ScopedRecorder rec;
  SpecFft f;
  EXPECT_FALSE(f.init(64, 300));
  EXPECT_TRUE(rec->saw("initSpecFft() : taille fenetre fft non prévue"));
  ASSERT_TRUE(f.init(64, 128));
  const std::vector<std::int16_t> zeros(300, 0);
  std::vector<float> col(65);
  EXPECT_FALSE(f.compute(SampleSpan{zeros.data(), 300, 0}, 0, col.data(), true, true));
  EXPECT_TRUE(rec->saw("specFft() : taille fenetre fft non prévue"));
  ASSERT_TRUE(f.init(64, 256));
  EXPECT_FALSE(f.compute(SampleSpan{zeros.data(), 300, 0}, 236, col.data(), true, true));  // needs 301
  EXPECT_EQ(rec->count(ReportKind::Bug), 3u);
}

// 1000 Hz falls on a bin of every size: the peak is that bin. The critical
// bands average dB levels under an asymmetric filter (2.5 Bark below, 1.3
// above), which moves their maximum by a few bins.
TEST(SpectroColumn, ToneOfEveryKindPeaksInTheBinOf1kHz) {
  const auto x0 = test::sine(8000, kFs, 1000, 8000);
  for (const int kind : {1, 2, 4, 5, 6}) {
    CurrentSpectro c = paramsOf(kind);
    SpectroWork work;
    std::vector<float> column;
    ASSERT_TRUE(prepareSpectroWork(c, work) && spectroColumn(c, work, SampleSpan{x0.data(), 8000, 0}, 4000, column));
    const double binHz = kFs / c.fftSize;
    const int peak = argMax(column, std::min<int>(static_cast<int>(column.size()), c.fftSize / 2));
    EXPECT_NEAR(peak * binHz, 1000.0, kind == 6 ? 4 * binHz : 0.0) << "kind " << kind;
  }
}

TEST(Reassigned, ToneConcentratesOnItsRowAndSilenceIsFloor) {
  const auto x0 = test::sine(8000, kFs, 1000, 8000);
  const SampleSpan x{x0.data(), 8000, 0};
  ReassignedImage img;
  ASSERT_TRUE(fft_zoom_no(x, 3000, 16, 40, 512, 1024, img));
  ASSERT_EQ(img.rows, 512);
  std::vector<double> energyPerRow(512, 0.0);
  for (int i = 0; i < 40; ++i)
    for (int r = 0; r < 512; ++r) energyPerRow[r] += std::pow(10.0, img.at(i, r) / 10.0);
  const int best = static_cast<int>(std::max_element(energyPerRow.begin(), energyPerRow.end()) - energyPerRow.begin());
  EXPECT_NEAR(best, 64, 1);  // 1000 Hz at 15.625 Hz per bin
  const std::vector<std::int16_t> zeros(8000, 0);
  ASSERT_TRUE(fft_zoom_no(SampleSpan{zeros.data(), 8000, 0}, 3000, 16, 10, 512, 1024, img));
  for (float v : img.db) EXPECT_FLOAT_EQ(v, -100.0f);
  EXPECT_EQ(img.totalEnergy, 0.0);
}

TEST(Reassigned, FramesOutsideTheSamplesAreSkipped) {
  const auto x0 = test::sine(1000, kFs, 1000, 8000);
  ReassignedImage img;
  // Frames run from sample -200 to well past the end: only the held ones count.
  ASSERT_TRUE(fft_zoom_no(SampleSpan{x0.data(), 1000, 0}, -200, 100, 20, 256, 512, img));
  EXPECT_GT(img.totalEnergy, 0.0);
  ScopedRecorder rec;
  EXPECT_FALSE(fft_zoom_no(SampleSpan{x0.data(), 1000, 0}, 0, 0.0, 20, 256, 512, img));
  EXPECT_EQ(rec->count(ReportKind::Bug), 1u);
}

TEST(FramePlacement, PaneFramesStayInsideTheBuffer) {
  // 1000 pixels over samples 0..99999, buffer 0..47999, 512-sample window.
  const PaneMapping pane{0, 100000, 1000};
  for (const auto& [x, sample] : {std::pair{-5, 0}, {1000, 99999}, {3, 300}}) EXPECT_EQ(pane.sampleAt(x), sample) << x;
  const auto frames = paneFrames(pane, 0, 999, 512, 2, 0, 47999);
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.front().x, 3);  // 300 - 256 >= 3
  for (const auto& f : frames) {
    EXPECT_GE(f.centre - 256, 3);
    EXPECT_LE(f.centre + 256, 47999 - 3);
    EXPECT_EQ(std::tuple(f.columns, f.firstColumn), std::tuple(2, f.x));
  }
  EXPECT_EQ(frames[1].x - frames[0].x, 2);
}

TEST(FramePlacement, ImageFramesSpanTheRange) {
  const ImageFrames f = imageFrames(1000, 17000, 100000, 512, 1024);
  EXPECT_DOUBLE_EQ(f.hop, (16001.0 - 511.0) / 1024.0);
  EXPECT_EQ(f.centres.front(), 1256);
  EXPECT_EQ(f.centres.back(), static_cast<std::int64_t>(1000 + 1023 * f.hop + 256));
  EXPECT_EQ(imageFrames(0, 99999, 47999, 512, 10).hop, (48000.0 - 511.0) / 10.0);  // clipped to the buffer
}

TEST(SpectroMatrix, FillsColumnsOf130AndRefusesFramesOutside) {
  const auto x0 = test::sine(4000, kFs, 1000, 8000);
  const SampleSpan x{x0.data(), 4000, 0};
  SpectroMatrix m;
  ASSERT_TRUE(fillSpectroMatrix(x, m, 0, 10, 128, true));
  ASSERT_EQ(m.columns.size(), 10u);
  // 1000 Hz at 62.5 Hz per bin: bin 16.
  EXPECT_EQ(std::tuple(m.columns[0].size(), m.label, argMax(m.columns[5], 129)), std::tuple(130u, "spectre", 16));
  ScopedRecorder rec;
  EXPECT_FALSE(fillSpectroMatrix(x, m, 3000, 10, 128, true));
  EXPECT_EQ(std::tuple(rec->count(ReportKind::Bug), m.columns.size()), std::tuple(1u, 10u));
}

}  // namespace
}  // namespace ardv
