// Perceptual scales, the Bark curve, the critical-band filter bank, the band
// analysis, the band-to-bins mapping and the width check.
#include "spectral/critical_band.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/headless/recording_reporter.h"

namespace ardv {
namespace {

// Reference values of the scales (Mely joins its two parts at 3000 Hz) and
// the Bark curve at the edges of its pieces.
TEST(PerceptualScale, ReferenceValues) {
  const struct {
    const char* name;
    double (*f)(double);
    double x, expect, tol;
  } rows[] = {
      {"bark", barkFromHz, 1000.0, 7.7028, 1e-4}, {"mel", melFromHz, 1000.0, 1000.0, 0.01},
      {"mely", melyFromHz, 3000.0, 1875.0, 1e-9}, {"mely", melyFromHz, 2999.999, 1875.0, 1e-3},
      {"hz", hzFromMely, 1875.0, 3000.0, 1e-9},   {"hz", hzFromMely, 1874.999, 3000.0, 0.01},
      {"curve", barkCurve, -2.51, 0.0, 0.0},      {"curve", barkCurve, -2.5, 0.01, 1e-12},
      {"curve", barkCurve, -1.5, 0.1, 1e-12},     {"curve", barkCurve, -0.5, 1.0, 0.0},
      {"curve", barkCurve, 0.49, 1.0, 0.0},       {"curve", barkCurve, 0.9, 0.1, 1e-12},
      {"curve", barkCurve, 1.3, 0.0, 0.0},        {"curve", barkCurve, 1.29, std::pow(10.0, -1.975), 1e-12},
  };
  for (const auto& r : rows) EXPECT_NEAR(r.f(r.x), r.expect, r.tol) << r.name << "(" << r.x << ")";
  EXPECT_NEAR(melyOffset(), 1875.0 - 500.0 * std::log(3000.0), 1e-12);
}

class ScaleRoundTrip : public ::testing::TestWithParam<PerceptualScale> {};

TEST_P(ScaleRoundTrip, InverseUndoesForward) {
  for (double f : {0.0, 1.0, 50.0, 440.0, 1000.0, 2999.0, 3000.0, 3001.0, 5512.5, 8000.0, 11025.0, 24000.0}) {
    const double v = scaleFromHz(GetParam(), f);
    EXPECT_NEAR(hzFromScale(GetParam(), v), f, 1e-9 * std::max(1.0, f)) << f;
    EXPECT_LT(scaleFromHz(GetParam(), f), scaleFromHz(GetParam(), f + 1.0)) << "not increasing at " << f;
  }
}

INSTANTIATE_TEST_SUITE_P(All, ScaleRoundTrip,
                         ::testing::Values(PerceptualScale::Bark, PerceptualScale::Mel, PerceptualScale::Mely));

// A Bark bank of `bands` bands on `n` points, centres on the perceptual axis.
FilterBank barkBank(int bands, int n) {
  FilterBank bank;
  EXPECT_TRUE(buildFilterBank(16000.0, bands, n, BandDistribution::SpectroLike, PerceptualScale::Bark,
                              WidthStrategy::Constant, BandAxis::Perceptual, bank));
  return bank;
}

TEST(FilterBank, PerceptualAxisCentres) {
  const FilterBank bank = barkBank(24, 1024);
  ASSERT_EQ(bank.centres.size(), 24u);
  EXPECT_EQ(std::tuple(bank.centres[0], bank.centres[1], bank.centres[2], bank.centres[23]), std::tuple(0, 22, 45, 512));
}

TEST(FilterBank, EveryFilterSumsToOneAndBarkFollowsTheCurve) {
  // 129 bands on 512 points: centre b at exactly bin 2b.
  const double fs = 16000.0;
  FilterBank bank;
  ASSERT_TRUE(buildFilterBank(fs, 129, 512, BandDistribution::SpectroLike, PerceptualScale::Bark,
                              WidthStrategy::Constant, BandAxis::Linear, bank));
  for (int b = 0; b < bank.bands; ++b) {
    double sum = 0.0;
    for (float w : bank.filter(b)) sum += w;
    if (b < 128) {  // the top band lies at fs/2, above the last bin
      EXPECT_NEAR(sum, 1.0, 1e-5) << b;
    }
  }
  const int b = 40;
  const int c = bank.centres[b];
  ASSERT_EQ(c, 80);
  const auto w = bank.filter(b);
  for (int k = bank.firstBin[b]; k < bank.endBin[b]; ++k)
    EXPECT_NEAR(w[k] / w[c], barkCurve(barkFromHz(k * fs / 512) - barkFromHz(c * fs / 512)), 1e-5) << k;
  EXPECT_EQ(w[bank.firstBin[b] - 1], 0.0f);
  EXPECT_EQ(w[bank.endBin[b]], 0.0f);
}

class TriangleBank : public ::testing::TestWithParam<std::tuple<PerceptualScale, BandAxis, WidthStrategy>> {};

TEST_P(TriangleBank, PeaksAtItsOwnFrequency) {
  const auto [scale, axis, width] = GetParam();
  const double fs = 16000.0;
  const int n = 1024;
  FilterBank bank;
  ASSERT_TRUE(buildFilterBank(fs, 24, n, BandDistribution::AsrLike, scale, width, axis, bank));
  const double top = scaleFromHz(scale, fs / 2);
  for (int b = 1; b < 23; ++b) {
    const int peak = static_cast<int>(std::lround(hzFromScale(scale, b * top / 23) / fs * n));
    const auto w = bank.filter(b);
    double sum = 0.0;
    for (int k = 0; k < n / 2; ++k) {
      EXPECT_GE(w[k], 0.0f);
      EXPECT_LE(w[k], w[peak] + 1e-7f) << "band " << b << " bin " << k;
      sum += w[k];
    }
    EXPECT_NEAR(sum, 1.0, 1e-5);
  }
}

INSTANTIATE_TEST_SUITE_P(Triangles, TriangleBank,
                         ::testing::Combine(::testing::Values(PerceptualScale::Mel, PerceptualScale::Mely),
                                            ::testing::Values(BandAxis::Linear, BandAxis::Perceptual),
                                            ::testing::Values(WidthStrategy::Constant, WidthStrategy::FilterDependent)));

// The analysis reaches the first and the last non-zero weight of every
// filter, whatever the layout, and no bin beside them.
TEST(FilterBank, FirstAndLastBinOfEveryFilterCount) {
  using D = BandDistribution;
  using S = PerceptualScale;
  for (const auto& [bands, n, distribution, scale, axis] :
       {std::tuple{129, 512, D::SpectroLike, S::Bark, BandAxis::Linear}, std::tuple{24, 1024, D::AsrLike, S::Mel, BandAxis::Linear},
        std::tuple{40, 256, D::AsrLike, S::Mely, BandAxis::Perceptual}, std::tuple{2, 4096, D::SpectroLike, S::Bark, BandAxis::Perceptual}}) {
    FilterBank bank;
    ASSERT_TRUE(buildFilterBank(16000.0, bands, n, distribution, scale, WidthStrategy::Constant, axis, bank));
    std::vector<float> column(static_cast<std::size_t>(n / 2), 0.0f), out(static_cast<std::size_t>(bands));
    for (int b = 0; b < analysedBands(bank, n / 2); ++b)
      for (const int k : {bank.firstBin[b] - 1, bank.firstBin[b], bank.endBin[b] - 1, bank.endBin[b]}) {
        if (k < 0 || k >= n / 2 || bank.firstBin[b] >= bank.endBin[b]) continue;
        column[static_cast<std::size_t>(k)] = 1.0f;
        ASSERT_GT(bandAnalysis(column, n / 2, bank, out), b);
        EXPECT_EQ(out[static_cast<std::size_t>(b)], bank.filter(b)[k]) << bands << " bands, band " << b << " bin " << k;
        column[static_cast<std::size_t>(k)] = 0.0f;
      }
  }
}

TEST(FilterBank, FewerThanTwoOrTooManyBandsRefused) {
  FilterBank bank = barkBank(4, 16);
  for (int bands : {1, 0, -3, 9}) {
    ScopedRecorder rec;
    EXPECT_FALSE(buildFilterBank(16000.0, bands, 16, BandDistribution::SpectroLike, PerceptualScale::Bark,
                                 WidthStrategy::Constant, BandAxis::Perceptual, bank));
    EXPECT_EQ(rec->reports().size(), 1u);
    EXPECT_EQ(bank.bands, 4);
  }
}

// Hand-made bank of four bands with centres 0, 3, 5, 8 on 16 points.
TEST(FilterBank, StoppingRuleAndMapping) {
  FilterBank bank = barkBank(4, 16);
  ASSERT_EQ(bank.centres, (std::vector<std::int32_t>{0, 3, 5, 8}));
  for (const auto& [bins, bands] : {std::pair{8, 4}, {4, 2}, {3, 1}}) EXPECT_EQ(analysedBands(bank, bins), bands);

  const std::vector<float> values{10, 20, 30, 40};
  std::vector<float> column(9, -1.0f);
  bandsToBins(values, 4, 8, bank, true, column);
  EXPECT_EQ(column, (std::vector<float>{10, 20, 20, 20, 30, 30, 40, 40, -1}));
  bandsToBins(values, 4, 8, bank, false, column);
  const std::vector<float> ramp{10, 40.f / 3, 50.f / 3, 20, 25, 30, 100.f / 3, 110.f / 3};
  for (int k = 0; k < 8; ++k) EXPECT_NEAR(column[k], ramp[k], 1e-4) << k;
  EXPECT_EQ(column[8], -1.0f);

  // Only one band analysed: it fills every displayed bin.
  std::fill(column.begin(), column.end(), -1.0f);
  bandsToBins(values, 1, 3, bank, false, column);
  EXPECT_EQ(column, (std::vector<float>{10, 10, 10, -1, -1, -1, -1, -1, -1}));

  // Centres starting above bin 0: extrapolated from the first two bands.
  bank.centres = {2, 4, 6, 8};
  bandsToBins(values, 2, 8, bank, false, column);
  EXPECT_EQ(column, (std::vector<float>{0, 5, 10, 15, 20, 20, 20, 20, -1}));
}

TEST(FilterBank, DefaultColumnIsAWeightedMean) {
  // 512 bands on 1024 points: one band per bin, the mapping is skipped.
  FilterBank bank;
  ASSERT_TRUE(buildFilterBank(16000.0, 512, 1024, BandDistribution::SpectroLike, PerceptualScale::Bark,
                              WidthStrategy::Constant, BandAxis::Linear, bank));
  std::vector<float> column(513, 70.0f), out(512, 0.0f);
  ASSERT_EQ(criticalBandColumn(bank, column, 512, out), 512);
  for (int k = 0; k < 511; ++k) ASSERT_NEAR(out[k], 70.0f, 1e-3) << k;
  column[300] = 170.0f;
  ASSERT_EQ(criticalBandColumn(bank, column, 512, out), 512);
  // The flat top of the Bark filters spans half a Bark each side; the
  // narrowest filters (lowest bands) that still reach the peak weigh it most.
  const auto top = std::max_element(out.begin(), out.end()) - out.begin();
  const double below = barkFromHz(300 * 16000.0 / 1024) - barkFromHz(top * 16000.0 / 1024);
  EXPECT_GE(below, 0.0);
  EXPECT_LE(below, 0.5);
  column[300] = 70.0f;
  // Half the display: the bands above stop, the rest repeats the last one.
  std::fill(out.begin(), out.end(), -1.0f);
  ASSERT_EQ(criticalBandColumn(bank, column, 256, out), 256);
  EXPECT_NEAR(out[255], 70.0f, 1e-3);
  EXPECT_EQ(out[256], -1.0f);

  ScopedRecorder rec;
  EXPECT_EQ(criticalBandColumn(bank, std::span<const float>(column).first(100), 512, out), -1);
  EXPECT_EQ(rec->count(ReportKind::Bug), 1u);
  EXPECT_EQ(out[256], -1.0f);
}

TEST(WidthCheck, SwitchesToConstantWidth) {
  EXPECT_TRUE(widthTooSmall(16000.0, 512, 1024, PerceptualScale::Mel));
  EXPECT_FALSE(widthTooSmall(16000.0, 24, 1024, PerceptualScale::Mel));
  ScopedRecorder rec;
  EXPECT_EQ(checkWidthStrategy(16000.0, 24, 1024, PerceptualScale::Mel, WidthStrategy::FilterDependent, false),
            WidthStrategy::FilterDependent);
  EXPECT_EQ(checkWidthStrategy(16000.0, 512, 1024, PerceptualScale::Mel, WidthStrategy::FilterDependent, true),
            WidthStrategy::Constant);
  EXPECT_TRUE(rec->reports().empty());
  EXPECT_EQ(checkWidthStrategy(16000.0, 512, 1024, PerceptualScale::Bark, WidthStrategy::FilterDependent, false),
            WidthStrategy::Constant);
  ASSERT_EQ(rec->reports().size(), 1u);
  EXPECT_EQ(rec->reports()[0].text,
            "Width strategy set to constant width because the width is too small.\n Decrease the number of bands");
}

}  // namespace
}  // namespace ardv
