// Perceptual scales, the Bark curve, the critical-band filter bank, the band
// analysis, the band-to-bins mapping and the width check; lifter, cepstral
// smoothing and the true envelope against a plain DFT kept in this test.
#include "spectral/critical_band.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>
#include <tuple>

#include "platform/headless/recording_reporter.h"
#include "spectral/cepstrum.h"
#include "spectral/spectrogram.h"
#include "spectral/true_envelope.h"
#include "tests/signal/signal_test_support.h"

namespace ardv {
namespace {

// Reference values of the scales (Mely joins its two parts at 3000 Hz) and
// the Bark curve at the edges of its pieces.
TEST(PerceptualScale, ReferenceValuesRoundTripsAndIncrease) {
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
  // Each inverse undoes its scale, and each scale increases.
  for (const PerceptualScale scale : {PerceptualScale::Bark, PerceptualScale::Mel, PerceptualScale::Mely})
    for (double f : {0.0, 1.0, 50.0, 440.0, 1000.0, 2999.0, 3000.0, 3001.0, 5512.5, 8000.0, 11025.0, 24000.0}) {
      EXPECT_NEAR(hzFromScale(scale, scaleFromHz(scale, f)), f, 1e-9 * std::max(1.0, f)) << f;
      EXPECT_LT(scaleFromHz(scale, f), scaleFromHz(scale, f + 1.0)) << "not increasing at " << f;
    }
}

// A Bark bank at 16 kHz of `bands` bands on `n` points, centres on the perceptual axis unless given.
FilterBank barkBank(int bands, int n, BandAxis axis = BandAxis::Perceptual) {
  FilterBank bank;
  EXPECT_TRUE(buildFilterBank(16000.0, bands, n, BandDistribution::SpectroLike, PerceptualScale::Bark,
                              WidthStrategy::Constant, axis, bank));
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
  const FilterBank bank = barkBank(129, 512, BandAxis::Linear);
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
  EXPECT_EQ(std::tuple(w[bank.firstBin[b] - 1], w[bank.endBin[b]]), std::tuple(0.0f, 0.0f));
}

// Every triangle filter peaks at its own frequency and sums to one.
TEST(FilterBank, TrianglesPeakAtTheirOwnFrequency) {
  const double fs = 16000.0;
  const int n = 1024;
  for (const PerceptualScale scale : {PerceptualScale::Mel, PerceptualScale::Mely})
    for (const BandAxis axis : {BandAxis::Linear, BandAxis::Perceptual})
      for (const WidthStrategy width : {WidthStrategy::Constant, WidthStrategy::FilterDependent}) {
        FilterBank bank;
        ASSERT_TRUE(buildFilterBank(fs, 24, n, BandDistribution::AsrLike, scale, width, axis, bank));
        const double top = scaleFromHz(scale, fs / 2);
        for (int b = 1; b < 23; ++b) {
          const int peak = static_cast<int>(std::lround(hzFromScale(scale, b * top / 23) / fs * n));
          const auto w = bank.filter(b);
          double sum = 0.0;
          for (int k = 0; k < n / 2; ++k) {
            EXPECT_TRUE(w[k] >= 0.0f && w[k] <= w[peak] + 1e-7f) << "band " << b << " bin " << k;
            sum += w[k];
          }
          EXPECT_NEAR(sum, 1.0, 1e-5);
        }
      }
}

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
  FilterBank bank = barkBank(512, 1024, BandAxis::Linear);
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
  EXPECT_EQ(std::tuple(rec->count(ReportKind::Bug), out[256]), std::tuple(1u, -1.0f));
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

constexpr double kPi = std::numbers::pi;

double hamming(int j, int l) { return 0.54 - 0.46 * std::cos(2.0 * kPi * j / l); }

// 10·log10 |X(k)|², k = 0..nc−1, of the Hamming-windowed frame x[s..s+l−1]
// (no pre-emphasis), by a direct DFT.
std::vector<double> logSpectrum(const std::vector<std::int16_t>& x, int s, int l, int nc) {
  std::vector<double> out(nc);
  for (int k = 0; k < nc; ++k) {
    std::complex<double> sum = 0.0;
    for (int j = 0; j < l; ++j) sum += x[s + j] * hamming(j, l) * std::polar(1.0, -2.0 * kPi * j * k / nc);
    out[k] = 10.0 * std::log10(std::norm(sum));
  }
  return out;
}

std::vector<std::int16_t> noise(std::size_t n, unsigned seed) { return test::noise(n, seed, -3000, 3000); }

// (30, 10): the upper bound is raised to the lower, a plain cut.
TEST(Lifter, Values) {
  const struct {
    int l1, l2, m;
    double w;
  } rows[] = {{20, 40, 0, 1.0},  {20, 40, 19, 1.0}, {20, 40, 20, 0.5 * (1.0 + std::cos(kPi / 20))},
              {20, 40, 29, 0.5}, {20, 40, 39, 0.0}, {20, 40, 40, 0.0}, {20, 40, 63, 0.0}, {30, 10, 29, 1.0},
              {30, 10, 30, 0.0}, {-5, 2, 0, 0.5},   {-5, 2, 2, 0.0}};
  for (const auto& r : rows) {
    std::vector<float> w(64, -1.0f);
    liftre(r.l1, r.l2, w);
    EXPECT_NEAR(w[static_cast<std::size_t>(r.m)], r.w, 1e-7) << r.l1 << " " << r.l2 << " at " << r.m;
  }
}

CepstrumSettings plain(int l, int nc, int n, int l1, int l2) {
  return CepstrumSettings{l, nc, n, l1, l2, false, false};
}

// The cepstrum and the smoothed spectrum against the definition, with a
// lifter and with none (every level is then the mean log level), and for an
// impulse (seed 0), whose flat spectrum every lifter keeps flat.
TEST(Cepstre, CepstrumAndSmoothingMatchTheDefinition) {
  const struct {
    unsigned seed;
    int first, l, nc, n, l1, l2;
  } rows[] = {{5, 0, 256, 256, 512, 10, 20}, {3, 7, 200, 256, 256, 0, 0}, {0, 100, 256, 512, 512, 20, 40}};
  for (const auto& r : rows) {
    std::vector<std::int16_t> x = noise(600, r.seed);
    if (r.seed == 0) std::fill(x.begin(), x.end(), 0), x[228] = 1000;
    const std::vector<double> ref = logSpectrum(x, r.first, r.l, r.nc);
    std::vector<double> c(r.nc, 0.0);
    for (int m = 0; m < r.nc; ++m)
      for (int k = 0; k < r.nc; ++k) c[m] += ref[k] * std::cos(2.0 * kPi * m * k / r.nc) / r.nc;
    CepstrumSettings set = plain(r.l, r.nc, r.n, r.l1, r.l2);
    set.cepstrumOnly = true;
    std::vector<float> column(r.n / 2);
    ASSERT_TRUE(cepstre(column, x, r.first, 1, 0, 1, set));
    for (int m = 0; m < r.n / 2; ++m) ASSERT_NEAR(column[m], c[m], 1e-4) << m;
    set.cepstrumOnly = false;
    ASSERT_TRUE(cepstre(column, x, r.first, 1, 0, 1, set));
    std::vector<float> w(r.n);
    liftre(r.l1, r.l2, w);
    for (int k = 0; k < r.n / 2; ++k) {
      double v = c[0];
      for (int m = 1; m < std::min(r.n, r.nc); ++m) v += 2.0 * c[m] * w[m] * std::cos(2.0 * kPi * m * k / r.n);
      EXPECT_NEAR(column[k], v, 1e-3) << k << " lifter " << r.l2;
    }
  }
}

TEST(Cepstre, SeriesEqualsFramesOneByOne) {
  const std::vector<std::int16_t> x = noise(2000, 9);
  CepstrumSettings set{300, 512, 256, 12, 24, true, false};
  std::vector<float> series(3 * 128), single(128);
  ASSERT_TRUE(cepstre(series, x, 1200, 3, 250, -1, set));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(cepstre(single, x, 1200 - 250 * i, 1, 0, 1, set));
    for (int k = 0; k < 128; ++k) ASSERT_EQ(series[i * 128 + k], single[k]) << i << " " << k;
  }
}

TEST(Cepstre, BadSizesAndFramesFailUnchanged) {
  const std::vector<std::int16_t> x = noise(600, 1);
  std::vector<float> column(256, -3.0f);
  ScopedRecorder rec;
  // A transform size not foreseen, frames past the end or before the start, a frame longer than Nc.
  for (const auto& [first, frames, hop, l, nc, n] : {std::array{0, 1, 0, 256, 300, 512}, {0, 1, 0, 256, 512, 4096},
                                                     {400, 1, 0, 256, 512, 512}, {0, 3, 200, 256, 512, 512},
                                                     {0, 1, 0, 600, 512, 512}})
    EXPECT_FALSE(cepstre(column, x, first, frames, hop, frames > 1 ? -1 : 1, plain(l, nc, n, 10, 20))) << first << " " << l;
  EXPECT_TRUE(rec->saw("cepstre() : taille fenetre fft non prévue"));
  EXPECT_EQ(std::tuple(rec->count(ReportKind::Bug), column[0]), std::tuple(5u, -3.0f));
}

TEST(TrueEnvelope, NoIterationIsTheCepstralSmoothing) {
  const std::vector<std::int16_t> x = noise(800, 4);
  std::vector<float> te(256), cep(256);
  // Lifters below and above half the transform (two ways of smoothing).
  for (auto [l1, l2] : {std::pair{15, 30}, std::pair{200, 300}}) {
    ASSERT_TRUE(trueEnvelope(te, x, 10, TrueEnvelopeSettings{400, 512, l1, l2, 0.0, 0, true}));
    ASSERT_TRUE(cepstre(cep, x, 10, 1, 0, 1, CepstrumSettings{400, 512, 512, l1, l2, true, false}));
    for (int k = 0; k < 256; ++k) ASSERT_NEAR(te[k], cep[k], 1e-3) << k << " lifter " << l2;
  }
}

TEST(TrueEnvelope, ClimbsOntoTheHarmonics) {
  // Pulse train at 200 Hz (fs 16 kHz) through a resonance: harmonics every
  // 12.8 bins of a 1024-point spectrum.
  std::vector<double> y(3000, 0.0);
  for (int n = 0; n < 3000; ++n) {
    const double pulse = n % 80 == 0 ? 3000.0 : 0.0;
    y[n] = pulse + (n > 0 ? 1.6 * std::cos(2.0 * kPi * 700 / 16000) * y[n - 1] : 0.0) -
           (n > 1 ? 0.64 * y[n - 2] : 0.0);
  }
  std::vector<std::int16_t> x;
  for (double v : y) x.push_back(static_cast<std::int16_t>(std::lround(std::clamp(v, -32000.0, 32000.0))));
  const std::vector<double> a = logSpectrum(x, 1000, 1024, 1024);
  auto excess = [&](int iterations) {  // how far the harmonic peaks stick out above the envelope
    std::vector<float> v(512);
    EXPECT_TRUE(trueEnvelope(v, x, 1000, TrueEnvelopeSettings{1024, 1024, 30, 40, 0.0, iterations, false}));
    double worst = -1e9;
    for (int h = 1; h <= 30; ++h) {
      const int k = static_cast<int>(std::lround(12.8 * h));
      double peak = -1e9;
      for (int j = k - 2; j <= k + 2; ++j) peak = std::max(peak, a[j] - v[j]);
      worst = std::max(worst, peak);
    }
    return worst;
  };
  const double e0 = excess(0), e2 = excess(2), e6 = excess(6), e30 = excess(30);
  EXPECT_GT(e0, 3.0);
  EXPECT_LT(e2, e0);
  EXPECT_LT(e6, e2);
  EXPECT_LT(e30, e6);
  EXPECT_LT(e30, 2.0);
  EXPECT_LT(excess(100), 0.05);  // converged onto every harmonic
}

TEST(TrueEnvelope, BadSettingsFail) {
  const std::vector<std::int16_t> x = noise(600, 2);
  std::vector<float> column(256, -3.0f);
  ScopedRecorder rec;
  EXPECT_FALSE(trueEnvelope(column, x, 0, TrueEnvelopeSettings{256, 500, 10, 20, 0.0, 6, true}));
  EXPECT_FALSE(trueEnvelope(column, x, 500, TrueEnvelopeSettings{256, 512, 10, 20, 0.0, 6, true}));
  EXPECT_EQ(std::tuple(rec->count(ReportKind::Bug), column[0]), std::tuple(2u, -3.0f));
}

// Columns analysed in batches give the bits of columns analysed one by one,
// whatever the settings and however many frames a batch gets.
TEST(FilterBank, BatchedColumnsMatchSingleColumns) {
  std::vector<std::int16_t> s = noise(16000, 5);
  for (std::size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<std::int16_t>(s[i] + 9000.0 * std::sin(0.2 * static_cast<double>(i)));
  const SampleSpan x{s.data(), static_cast<std::int64_t>(s.size()), 0};
  const struct {
    std::uint8_t distribution, priorSmoothing, axis;
    std::int32_t scale, bands;
  } rows[] = {{0, 0, 0, 0, 512}, {1, 0, 0, 1, 40}, {0, 0, 1, 2, 100}, {0, 1, 0, 0, 512}, {1, 1, 1, 0, 64}};
  for (const auto& r : rows) {
    CurrentSpectro spec;
    ASSERT_TRUE(spectro_GetParams(SpectroSettings(), 6, 16000.0, spec));
    spec.bands.distribution = r.distribution;
    spec.bands.priorSmoothing = r.priorSmoothing;
    spec.bands.axis = r.axis;
    spec.bands.scale = r.scale;
    spec.bands.bandCount = r.bands;
    // 23 frames, the first and the last two outside the samples.
    const auto centre = [](int i) { return static_cast<std::int64_t>(i) * 700 - 300; };
    std::vector<std::vector<float>> batched(23);
    ASSERT_TRUE(spectroColumns(spec, x, 23, centre, [&](int i, const std::vector<float>& c) { batched[i] = c; }));
    SpectroWork work;
    ASSERT_TRUE(prepareSpectroWork(spec, work));
    for (int i = 0; i < 23; ++i) {
      std::vector<float> single;
      if (!x.holds(centre(i) - spec.fen_fft / 2 + 1, frameReadLength(spec))) {
        EXPECT_TRUE(batched[i].empty()) << i;
        continue;
      }
      ASSERT_TRUE(spectroColumn(spec, work, x, centre(i), single));
      ASSERT_EQ(batched[i].size(), single.size());
      EXPECT_EQ(std::memcmp(batched[i].data(), single.data(), single.size() * sizeof(float)), 0)
          << "frame " << i << " scale " << r.scale << " smoothing " << int(r.priorSmoothing);
    }
  }
}

}  // namespace
}  // namespace ardv
