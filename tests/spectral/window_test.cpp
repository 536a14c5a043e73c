// Analysis windows, frame operations and the table-driven FFT.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "platform/headless/recording_reporter.h"
#include "spectral/fft.h"
#include "spectral/fft_gen.h"
#include "spectral/frame.h"
#include "spectral/window.h"

namespace ardv {
namespace {

TEST(Window, PeriodicHammingOfFourPoints) {
  std::vector<float> w(4);
  ASSERT_TRUE(initham(w.data(), 4));
  EXPECT_NEAR(w[0], 0.08f, 1e-7);
  EXPECT_NEAR(w[1], 0.54f, 1e-7);
  EXPECT_NEAR(w[2], 1.0f, 1e-7);
  EXPECT_NEAR(w[3], 0.54f, 1e-7);
  EXPECT_EQ(currentWindowLength(), 4);
}

TEST(Window, KnownPointsOfTheOtherKinds) {
  std::vector<float> han(8), deriv(8), timed(8);
  ASSERT_TRUE(inithan(han.data(), 8));
  ASSERT_TRUE(initHamDeriv(deriv.data(), 8));
  ASSERT_TRUE(initHamTime(timed.data(), 8));
  EXPECT_EQ(han[0], 0.0f);
  EXPECT_NEAR(han[4], 1.0f, 1e-7);
  EXPECT_NEAR(han[2], 0.5f, 1e-7);
  EXPECT_EQ(deriv[0], 0.0f);
  EXPECT_NEAR(deriv[4], 0.0f, 1e-7);
  EXPECT_NEAR(deriv[2], 0.46 * 2 * std::numbers::pi / 8, 1e-6);
  EXPECT_EQ(timed[0], 0.0f);
  EXPECT_NEAR(timed[4], 4.0f, 1e-6);
}

TEST(Window, TooManyPointsIsRefusedAndChangesNothing) {
  ScopedRecorder rec;
  ASSERT_TRUE(initham(nullptr, 4096));
  const float before = defaultWindow(WindowKind::Hamming)[1];
  EXPECT_FALSE(initham(nullptr, 4097));
  EXPECT_FALSE(initHamTime(nullptr, 5000));
  EXPECT_EQ(rec->count(ReportKind::Bug), 2u);
  EXPECT_TRUE(rec->saw("initham(): too many points"));
  EXPECT_TRUE(rec->saw("initHamTime(): too many points"));
  EXPECT_EQ(currentWindowLength(), 4096);
  EXPECT_EQ(defaultWindow(WindowKind::Hamming)[1], before);
}

TEST(Frame, WindowingAndDifferenceReadExactlyTheirSamples) {
  // Exactly L + 1 samples from s: the sanitizer build catches a longer read.
  const std::vector<std::int16_t> x = {0, 0, 3, 7, -2, 5};
  std::vector<float> d(3);
  differenceSamples(x.data(), 2, d.data(), 3);
  EXPECT_EQ(d, (std::vector<float>{4, -9, 7}));
  ASSERT_TRUE(initham(nullptr, 4));
  std::vector<float> f(4);
  windowSamples(x.data(), 2, f.data(), nullptr, 0);  // current default table and length
  EXPECT_NEAR(f[0], 3 * 0.08f, 1e-6);
  EXPECT_NEAR(f[2], -2.0f, 1e-6);
  std::vector<double> dd(3);
  differenceSamples(x.data(), 2, dd.data(), 3);
  windowFrame(dd.data(), dd.data(), defaultWindow(WindowKind::Hamming), 3);
  EXPECT_NEAR(dd[1], -9 * 0.54, 1e-6);
}

TEST(Frame, MillisecondsTruncatedBeforeConversion) {
  EXPECT_EQ(msToSamplesWhole(1.9, 16000), 16);
  EXPECT_EQ(msToSamplesWhole(32, 22050), 706);  // 705.6 rounded
  EXPECT_DOUBLE_EQ(msToSamplesFloat(1.25, 16000), 20.0);
}

TEST(FftGen, ImpulseGivesFlatSpectrum) {
  ASSERT_TRUE(initFftGen(8, 3, 1));
  std::vector<float> re(9, 0.0f), im(9, 0.0f);
  re[0] = 55.0f;  // position 0 is not touched
  re[1] = 1.0f;
  ASSERT_TRUE(fftGen(re.data(), im.data(), 8, 3));
  EXPECT_EQ(re[0], 55.0f);
  for (int k = 1; k <= 8; ++k) {
    EXPECT_NEAR(re[k], 1.0f, 1e-6);
    EXPECT_NEAR(im[k], 0.0f, 1e-6);
  }
}

TEST(FftGen, AgreesWithComplexFftAndInvertsUnscaled) {
  const int n = 256, m = 8;
  std::mt19937 gen(3);
  std::uniform_real_distribution<float> dist(-1, 1);
  std::vector<float> re(n + 1), im(n + 1), inter(2 * n);
  for (int i = 1; i <= n; ++i) {
    re[i] = dist(gen);
    im[i] = dist(gen);
    inter[2 * (i - 1)] = re[i];
    inter[2 * (i - 1) + 1] = im[i];
  }
  const auto re0 = re, im0 = im;
  ASSERT_TRUE(initFftGen(n, m, 1));
  ASSERT_TRUE(fftGen(re.data(), im.data(), n, m));
  ASSERT_TRUE(complexFft(inter.data(), n, FftDirection::Forward));
  for (int k = 0; k < n; ++k) {
    EXPECT_NEAR(re[k + 1], inter[2 * k], 1e-4);
    EXPECT_NEAR(im[k + 1], inter[2 * k + 1], 1e-4);
  }
  ASSERT_TRUE(initFftGen(n, m, -1));
  ASSERT_TRUE(fftGen(re.data(), im.data(), n, m));
  for (int i = 1; i <= n; ++i) {
    EXPECT_NEAR(re[i], n * re0[i], 1e-3);
    EXPECT_NEAR(im[i], n * im0[i], 1e-3);
  }
}

TEST(FftGen, BadSizesAreRefused) {
  ScopedRecorder rec;
  ASSERT_TRUE(initFftGen(8, 3, 1));
  EXPECT_FALSE(initFftGen(8192, 13, 1));
  EXPECT_TRUE(rec->saw("initFftGen() : ordre de FFT trop grand"));
  std::vector<float> re(17, 1.0f), im(17, 0.0f);
  EXPECT_FALSE(fftGen(re.data(), im.data(), 16, 4));  // tables describe 8 points
  EXPECT_EQ(re[1], 1.0f);
  EXPECT_EQ(rec->count(ReportKind::Bug), 2u);
}

TEST(FftGen, BitReverse) {
  EXPECT_EQ(bitReverseFft(1, 3), 1);
  EXPECT_EQ(bitReverseFft(2, 3), 5);
  EXPECT_EQ(bitReverseFft(4, 3), 7);
  EXPECT_EQ(bitReverseFft(8, 3), 8);
  ScopedRecorder rec;
  EXPECT_EQ(bitReverseFft(9, 3), -1);
  EXPECT_EQ(rec->count(ReportKind::Fatal), 1u);
  EXPECT_TRUE(rec->saw("x=9 out of range"));
}

}  // namespace
}  // namespace ardv
