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

// Known points of each kind; every initialiser sets the current length.
TEST(Window, KnownPointsOfEveryKind) {
  const struct {
    bool (*init)(float*, int);
    int n;
    std::vector<double> points;  // w(0), w(n/4), w(n/2), w(3n/4)
  } rows[] = {{initham, 4, {0.08, 0.54, 1.0, 0.54}},
              {inithan, 8, {0.0, 0.5, 1.0, 0.5}},
              {initHamDeriv, 16, {0.0, 0.46 * 2 * std::numbers::pi / 16, 0.0, -0.46 * 2 * std::numbers::pi / 16}},
              {initHamTime, 8, {0.0, 2 * 0.54, 4.0, 6 * 0.54}}};
  for (const auto& r : rows) {
    std::vector<float> w(static_cast<std::size_t>(r.n));
    ASSERT_TRUE(r.init(w.data(), r.n));
    for (int q = 0; q < 4; ++q) EXPECT_NEAR(w[q * r.n / 4], r.points[q], 1e-6) << r.n << " points, quarter " << q;
    EXPECT_EQ(currentWindowLength(), r.n);
  }
}

TEST(Window, TooManyPointsIsRefusedAndChangesNothing) {
  ScopedRecorder rec;
  ASSERT_TRUE(initham(nullptr, 4096));
  const float before = defaultWindow(WindowKind::Hamming)[1];
  EXPECT_FALSE(initham(nullptr, 4097));
  EXPECT_FALSE(initHamTime(nullptr, 5000));
  EXPECT_FALSE(inithan(nullptr, 0));
  EXPECT_EQ(rec->count(ReportKind::Bug), 3u);
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

// Against the double-precision transform, then back unscaled; position 0 is
// not touched.
TEST(FftGen, AgreesWithTheComplexTransformAndInvertsUnscaled) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<float> dist(-1, 1);
  for (const auto& [n, m] : {std::pair{8, 3}, std::pair{256, 8}}) {
    std::vector<float> re(n + 1), im(n + 1);
    std::vector<double> xre(n), xim(n);
    re[0] = 55.0f;
    for (int i = 1; i <= n; ++i) xre[i - 1] = re[i] = dist(gen), xim[i - 1] = im[i] = dist(gen);
    const auto re0 = re, im0 = im;
    ASSERT_TRUE(initFftGen(n, m, 1) && fftGen(re.data(), im.data(), n, m));
    ASSERT_TRUE(fftComplexForward(n, xre.data(), xim.data()));
    EXPECT_EQ(re[0], 55.0f);
    for (int k = 0; k < n; ++k) {
      EXPECT_NEAR(re[k + 1], xre[k], 1e-4) << n;
      EXPECT_NEAR(im[k + 1], xim[k], 1e-4) << n;
    }
    ASSERT_TRUE(initFftGen(n, m, -1) && fftGen(re.data(), im.data(), n, m));
    for (int i = 1; i <= n; ++i) {
      EXPECT_NEAR(re[i], n * re0[i], 1e-3) << n;
      EXPECT_NEAR(im[i], n * im0[i], 1e-3) << n;
    }
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
