// Formant candidates, McCandless assignment and the automatic ceiling's
// choice: edge cases, properties and scores (snake_tracking_test.cpp: the
// snake and the formant window's trackers).
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "formants/ceiling_choice.h"
#include "formants/closed_phase.h"
#include "formants/formant_candidates.h"
#include "formants/harmonic_fit.h"
#include "formants/mccandless.h"
#include "formants/registration.h"
#include "formants/snake.h"
#include "formants/snake_tracks.h"
#include "formants/spectral_slice.h"
#include "platform/headless/recording_reporter.h"
#include "platform/thread_pool.h"
#include "prosody/play_signal.h"
#include "spectral/roots.h"
#include "tests/formants/vowel_synth.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

TEST(FormantOptions, OrdersAndLifterBounds) {
  // A voice F0 floor of 250 Hz or more lowers the order only while the factor stays at 1.
  const struct {
    double fs, factor, f0Floor;
    int order;
  } orders[] = {{16000, 1, 0, 18},   {8000, 1, 0, 10},     {48000, 1, 0, 50},   {16000, 10, 0, 60},
                {8000, 0.1, 0, 4},   {16000, NAN, 0, 4},   {16000, 1, 330, 13}, {8000, 1, 250, 7},
                {48000, 1, 400, 45}, {16000, 1, 249, 18},  {16000, 1.2, 330, 21}, {16000, 1, NAN, 18}};
  for (const auto& o : orders) {
    FormantOptions voice;
    voice.orderFactor = o.factor;
    voice.voiceF0FloorHz = o.f0Floor;
    EXPECT_EQ(formantLpcOrder(voice, o.fs), o.order) << o.fs << " " << o.factor << " " << o.f0Floor;
    if (o.f0Floor == 0.0) {
      EXPECT_EQ(formantLpcOrder(o.fs, o.factor), o.order);
    }
  }
  for (double floor : {-1.0, 2001.0, static_cast<double>(NAN)}) {
    FormantOptions bad;
    bad.voiceF0FloorHz = floor;
    EXPECT_FALSE(formantOptionsProblem(bad).empty()) << floor;
  }
  // The order at a ceiling: the reference ceiling keeps the order above
  // (a child's too), others five pole pairs below the ceiling and two more.
  const struct {
    double fs, ceiling, f0Floor;
    int order;
  } atCeiling[] = {{16000, 5000, 0, 18}, {16000, 5000, 330, 13}, {16000, 5500, 0, 17}, {16000, 7500, 330, 13},
                   {16000, 4500, 0, 20}, {8000, 4000, 0, 12},    {48000, 6000, 0, 42}, {48000, 3000, 0, 60}};
  for (const auto& o : atCeiling) {
    FormantOptions voice;
    voice.voiceF0FloorHz = o.f0Floor;
    EXPECT_EQ(formantLpcOrderAtCeiling(voice, o.fs, o.ceiling), o.order) << o.fs << " " << o.ceiling;
  }
  for (const auto& [ceiling, usable] : {std::pair{0.0, true}, {3000.0, true}, {10000.0, true}, {2999.0, false},
                                        {10001.0, false}, {-5000.0, false}, {static_cast<double>(NAN), false}}) {
    FormantOptions o;
    o.ceilingHz = ceiling;
    EXPECT_EQ(formantOptionsProblem(o).empty(), usable) << ceiling;
  }

  FormantOptions opt;
  setLowerLifterBound(opt, 3.0);  // above the upper 2.5
  EXPECT_EQ(std::pair(opt.lifterLowMs, opt.lifterHighMs), std::pair(2.5, 3.0));
  setUpperLifterBound(opt, 2.0);
  EXPECT_EQ(std::pair(opt.lifterLowMs, opt.lifterHighMs), std::pair(2.0, 2.5));
  opt.stepMs = 0.0;
  EXPECT_EQ(formantStepSamples(opt, 16000), 1);
  EXPECT_FALSE(formantOptionsProblem(opt).empty());
}

TEST(FormantCandidates, RootAcceptance) {
  const struct {
    double f, bw;
    bool kept;
  } rows[] = {{1000, 699.9, true}, {1000, 700.0, false}, {0.0, 50, false}, {8000, 50, false}, {7999, 50, true}};
  for (const auto& r : rows) EXPECT_EQ(acceptedRoot(r.f, r.bw, 16000, kMaxRootBandwidthHz), r.kept) << r.f << " " << r.bw;
}

TEST(FormantCandidates, EscapeKeepsTheFramesDone) {
  const test::VowelSpec v;
  const std::vector<std::int16_t> x = test::synthVowel(v);
  const auto last = static_cast<std::int64_t>(x.size()) - 1;
  const FormantOptions options;
  for (int kind = 0; kind < 3; ++kind) {
    int asked = 0;
    // Escape seen at the third question, asked before each frame.
    const auto escapeAfterThree = [&asked] { return ++asked >= 3; };
    std::vector<CandidateFrame> frames;
    PeakSettings ps;
    ps.trueEnvelope = kind == 2;
    const int n = kind == 0 ? lpcRoots(x, 0, last, v.fs, options, frames, kMaxRootBandwidthHz, escapeAfterThree)
                            : cepstralPeaks(x, 0, last, v.fs, options, ps, frames, escapeAfterThree);
    EXPECT_EQ(n, 2) << kind;
    EXPECT_EQ(frames.size(), 2u) << kind;
  }
}

TEST(FormantCandidates, ExtremaAlternateAndStopBeyondTheLimit) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(40.f, 100.f);
  for (int trial = 0; trial < 50; ++trial) {
    std::vector<float> env(256);
    float v = 80.f;
    for (float& e : env) e = v = 0.9f * v + 0.1f * u(rng);
    std::vector<SpectralExtremum> ex;
    const int n = spectralExtrema(env, 31.25, ex);
    for (std::size_t i = 1; i < ex.size(); ++i) {
      EXPECT_NE(ex[i].maximum, ex[i - 1].maximum);
      EXPECT_GT(ex[i].position, ex[i - 1].position - 3);
    }
    if (n > 0) {
      for (const auto& e : selectPeaks(ex, PeakOrder::Display, kDisplayPeaks, kHighestDisplayBin)) {
        EXPECT_LE(e.position, 3 * kHighestDisplayBin);
      }
    }
  }
  std::vector<float> zigzag(256);
  for (std::size_t k = 0; k < zigzag.size(); ++k) zigzag[k] = (k % 2) ? 90.f : 70.f;
  std::vector<SpectralExtremum> ex;
  EXPECT_EQ(spectralExtrema(zigzag, 31.25, ex), -1);
  EXPECT_EQ(ex.size(), static_cast<std::size_t>(kMaxExtrema));
  // A symmetric peak at bin 10 lies at position 30; below 60 dB it scores 0.
  std::vector<float> peak(64);
  for (int k = 0; k < 64; ++k) peak[static_cast<std::size_t>(k)] = static_cast<float>(100 - (k - 10) * (k - 10));
  spectralExtrema(peak, 31.25, ex);
  ASSERT_GE(ex.size(), 2u);
  EXPECT_TRUE(ex[1].maximum);
  EXPECT_EQ(ex[1].position, 30);
  EXPECT_EQ(ex[1].score, 1);
  for (float& p : peak) p -= 50.f;
  spectralExtrema(peak, 31.25, ex);
  EXPECT_EQ(ex[1].score, 0);
}

TEST(McCandless, AssignmentNeverSharesACandidate) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> f(100, 4200), bw(20, 700);
  for (int trial = 0; trial < 2000; ++trial) {
    std::vector<RootCandidate> roots(static_cast<std::size_t>(trial % 7));
    for (auto& r : roots) r = {f(rng), bw(rng), 0.0};
    std::sort(roots.begin(), roots.end(), [](auto& a, auto& b) { return a.frequencyHz < b.frequencyHz; });
    const std::array<double, 4> prev{f(rng) / 4, f(rng) / 2, f(rng), f(rng)};
    const std::array<int, 4> misses{trial % 3, trial % 4, trial % 5, 0};
    std::array<int, 4> a{};
    std::array<RootCandidate, 4> chosen{};
    assignFormants(roots, prev, 400, a, chosen, &misses);
    for (std::size_t i = 0; i < 4; ++i)
      for (std::size_t j = i + 1; j < 4 && a[i] >= 0; ++j) EXPECT_NE(a[i], a[j]);
  }
}

// A higher ceiling stretches the ranges: F2 of 3300 Hz is out of F2's range
// at the reference ceiling, in it at 7000 Hz.
TEST(McCandless, CeilingScalesTheRanges) {
  const std::vector<RootCandidate> roots{{400, 60, 0}, {3300, 80, 0}, {4100, 100, 0}};
  std::array<int, 4> a{};
  std::array<RootCandidate, 4> chosen{};
  const std::array<double, 4> reference{320, 1440, 2760, 3200};
  EXPECT_FALSE(assignFormants(roots, reference, 400, a, chosen, nullptr, 1.0));
  EXPECT_EQ(a[1], -1);
  const McCandlessState high(7000.0 / kReferenceCeilingHz);
  EXPECT_TRUE(assignFormants(roots, high.previous, 400, a, chosen, nullptr, high.scale));
  EXPECT_EQ((std::array{a[0], a[1], a[2]}), (std::array{0, 1, 2}));
}

// The score of tracks: smooth, complete tracks that take every narrow
// resonance between F1 and F3 score lowest; a jump, frames without a root, or
// a narrow root skipped raise it; a wide root skipped does not. By the
// automatic choice's rules (residuals over the frames with a root), an F2
// held between a few scattered roots is no longer smooth.
TEST(CeilingChoice, ScoreFavoursSmoothCompleteTracks) {
  const auto tracks = [](int jumpFrames, int missFrames) {
    std::vector<McCandlessFrame> f(40);
    for (int i = 0; i < 40; ++i)
      for (int k = 0; k < 3; ++k) {
        TrackedFormant& t = f[static_cast<std::size_t>(i)].f[static_cast<std::size_t>(k)];
        t = {500.0 + 1000.0 * k + 5.0 * i, 80.0, 0.0, true};
        if (k == 1 && i < jumpFrames) t.frequencyHz += 900.0;
        if (k == 2 && i < missFrames) t = {t.frequencyHz, 0.0, 0.0, false};
      }
    return f;
  };
  const auto base = tracks(0, 0);
  const double smooth = trackScore(base);
  EXPECT_LT(smooth, 50.0);
  EXPECT_GT(trackScore(tracks(10, 0)), smooth + 100.0);
  EXPECT_GT(trackScore(tracks(0, 10)), smooth + 90.0);
  const std::vector<RootCandidate> narrowBetween{{1200.0, 90.0, 0.0}}, wideBetween{{1200.0, 350.0, 0.0}},
      narrowAbove{{4000.0, 90.0, 0.0}};
  for (const auto& [extra, raises] :
       {std::pair{&narrowBetween, true}, {&wideBetween, false}, {&narrowAbove, false}}) {
    const std::vector<const std::vector<RootCandidate>*> roots(base.size(), extra);
    EXPECT_EQ(trackScore(base, roots) > smooth + 300.0, raises) << (*extra)[0].frequencyHz << " " << (*extra)[0].bandwidthHz;
  }
  EXPECT_EQ(trackScore({}), 0.0);
  auto held = base;
  for (std::size_t i = 0; i < held.size(); ++i)
    held[i].f[1] = i % 8 == 0 ? TrackedFormant{i % 16 == 0 ? 1100.0 : 1900.0, 80.0, 0.0, true}
                              : TrackedFormant{1500.0, 0.0, 0.0, false};
  EXPECT_GT(trackScore(held, {}, true), trackScore(held) + 200.0);
  EXPECT_NEAR(trackScore(base, {}, true), smooth, 1e-9);
}

// A strong root left in F2's range, or narrow under an F1 in F2's range,
// costs its distance to the formant above; a weaker, wider or taken one not.
TEST(CeilingChoice, StrongSkippedRootCostsItsDistance) {
  struct Row { std::array<double, 3> hz, db; std::vector<RootCandidate> left; double penalty; };
  const Row rows[] = {{{600, 3100, 3700}, {90, 75, 70}, {{1100, 250, 85}}, 2000}, {{600, 3100, 3700}, {90, 75, 70}, {{1100, 250, 70}}, 0},
                      {{600, 1100, 2500}, {90, 85, 75}, {{1100, 250, 85}}, 0}, {{336, 1040, 2800}, {80, 100, 83}, {{1600, 215, 91}}, 1200},
                      {{336, 1040, 3800}, {80, 100, 83}, {{3750, 215, 91}}, 0}, {{1050, 3100, 3700}, {82, 75, 70}, {{500, 100, 80}}, 550},
                      {{1050, 3100, 3700}, {82, 75, 70}, {{500, 250, 80}}, 0}, {{700, 2000, 2800}, {90, 75, 70}, {{400, 100, 95}}, 0}};
  for (const Row& r : rows) {
    std::vector<McCandlessFrame> frame(1);
    for (std::size_t k = 0; k < 3; ++k) frame[0].f[k] = {r.hz[k], 100.0, r.db[k], true};
    const std::vector<const std::vector<RootCandidate>*> list{&r.left};
    EXPECT_NEAR(strongSkipPenalty(frame, list, 1.4), r.penalty, 1e-9) << r.left[0].frequencyHz << " " << r.hz[0];
  }
}

// The all-pole fit at the harmonics finds an envelope's resonance between
// harmonics (within the line spectrum's aliasing); F0 of a harmonic wave,
// also without its first harmonic, none of noise.
TEST(HarmonicFit, ResonanceBetweenHarmonicsAndF0) {
  const double fs = 16000, pi = std::numbers::pi;
  for (const auto& [f0, f1] : {std::pair{220.0, 320.0}, {300.0, 400.0}, {250.0, 610.0}, {160.0, 250.0}}) {
    std::vector<double> omega, power, a;
    for (double f = f0; f < 0.95 * fs / 2; f += f0) {
      const double w = 2 * pi * f / fs;
      std::complex<double> v = 1.0;
      for (const auto& [hz, bw] : {std::pair{f1, 80.0}, {2500.0, 120.0}}) {
        const std::complex<double> z = std::polar(std::exp(-pi * bw / fs), 2 * pi * hz / fs), e = std::polar(1.0, -w);
        v *= (1.0 - z * e) * (1.0 - std::conj(z) * e);
      }
      omega.push_back(w);
      power.push_back(1e6 / std::norm(v));
    }
    ASSERT_TRUE(lineSpectrumPrediction(omega, power, 4, a));
    std::vector<double> poly{1.0, -a[0], -a[1], -a[2], -a[3]};
    std::vector<std::complex<double>> roots;
    ASSERT_TRUE(polynomialRoots(poly, roots));
    double nearest = 1e9;
    for (const auto& z : roots) nearest = std::min(nearest, std::abs(std::arg(z) * fs / (2 * pi) - f1));
    EXPECT_LT(nearest, 30.0) << f0 << " " << f1;  // 70 Hz or more from every harmonic
    // The harmonics' peak lies no farther from the resonance than the harmonic nearest it.
    const double on = std::round(f1 / f0) * f0;
    EXPECT_LE(std::abs(harmonicPeakHz(power, f0, on, 2) - f1), std::abs(on - f1)) << f0 << " " << f1;
    EXPECT_EQ(harmonicPeakHz(power, f0, on, 9), on);
    // A telephone band's high-pass at 300 Hz undone, none lifted by more than 15 dB.
    std::vector<double> cut(power), gain(power.size());
    for (std::size_t k = 0; k < cut.size(); ++k) cut[k] /= gain[k] = std::pow(1 + std::pow(300 * 2 * pi / (omega[k] * fs), 4), 2);
    undoLowCut(omega, fs, 300, 15, cut);
    for (std::size_t k = 0; k < cut.size(); ++k) EXPECT_NEAR(cut[k] / power[k], std::min(1.0, std::pow(10, 1.5) / gain[k]), 1e-9);
    std::vector<double> x(640);
    for (std::size_t n = 0; n < x.size(); ++n)
      for (int k = 1; k <= 4; ++k) x[n] += std::cos(2 * pi * k * f0 * static_cast<double>(n) / fs + k) / k;
    EXPECT_NEAR(periodicF0(x, fs, 70, 600, 0.7), f0, 0.01 * f0);
    // Without its first harmonic (a telephone band) at a coarse rate, where
    // the period falls between lags and a multiple of it on one.
    std::vector<double> band(160);
    for (std::size_t n = 0; n < band.size(); ++n)
      for (int k = 2; k <= 4; ++k) band[n] += std::cos(2 * pi * k * f0 * static_cast<double>(n) / 4000 + k) / k;
    EXPECT_NEAR(periodicF0(band, 4000, 70, 600, 0.7), f0, 0.01 * f0);
  }
  std::mt19937 g(3);
  std::normal_distribution<double> noise;
  std::vector<double> x(640), a;
  for (double& v : x) v = noise(g);
  EXPECT_EQ(periodicF0(x, 16000, 70, 600, 0.7), 0.0);
  EXPECT_FALSE(lineSpectrumPrediction(std::vector<double>{0.1, 0.2}, std::vector<double>{1.0, 2.0}, 4, a));
  EXPECT_FALSE(lineSpectrumPrediction(std::vector<double>(8, 0.1), std::vector<double>(8, 0.0), 4, a));
}

// Linear prediction over the closed phases finds the tract's F1 under a
// source whose short open phase lifts the harmonics above F1 (where the
// fit at the harmonics leans), also with F1 near the second harmonic; a
// root's previous-frame start does not change it; too few periods give
// none. A creaky voice (F0 105 Hz, an open phase of 15 %) reads the same
// over three fifths of the period.
TEST(ClosedPhase, ResonanceUnderAShortOpenPhase) {
  const double fs = 16000, pi = std::numbers::pi;
  std::mt19937 g(5);
  std::normal_distribution<double> noise;
  // F0, F1, the open phase's share of the period.
  for (const auto& [f0, f1, share] : {std::tuple{210.0, 310.0, 0.3}, {300.0, 575.0, 0.3}, {300.0, 390.0, 0.3},
                                      {160.0, 450.0, 0.3}, {105.0, 320.0, 0.15}}) {
    // The derivative of a flow t²·(To − t) over an open phase To (30 % of
    // the period as our synthesizer's; 15 % in creak), through F1 to F4 (40 ms).
    std::vector<double> x(640);
    const double period = fs / f0, open = share * period;
    for (std::size_t n = 0; n < x.size(); ++n) {
      const double t = std::fmod(static_cast<double>(n), period);
      x[n] = (t < open ? 2 * t * open - 3 * t * t : 0.0) + 1e-3 * noise(g);
    }
    for (const auto& [hz, bw] : {std::pair{f1, 80.0}, {2500.0, 120.0}, {3300.0, 200.0}, {4200.0, 250.0}}) {
      const double r = std::exp(-pi * bw / fs), c = 2 * r * std::cos(2 * pi * hz / fs);
      double y1 = 0, y2 = 0;
      for (double& v : x) {
        const double y0 = v + c * y1 - r * r * y2;
        y2 = y1, y1 = y0, v = y0;
      }
    }
    ClosedPhaseRoots roots;
    if (share < 0.3) {
      EXPECT_NEAR(longClosedPhaseResonance(x, fs, f0, f1 + 100, 180, 950, roots).frequencyHz, f1, 10);
    }
    roots = {};
    const RootCandidate found = closedPhaseResonance(x, fs, f0, f1 + 100, 180, 950, roots);
    EXPECT_NEAR(found.frequencyHz, f1, 10) << f0 << " " << f1;
    EXPECT_EQ(roots[0].size(), 14u);
    EXPECT_NEAR(closedPhaseResonance(x, fs, f0, f1 + 100, 180, 950, roots).frequencyHz, found.frequencyHz, 1e-6);
    std::vector<double> a;
    EXPECT_FALSE(closedPhasePrediction(std::span(x).first(static_cast<std::size_t>(2.5 * period)), fs, f0, 14, 0.25, a));
    EXPECT_FALSE(closedPhasePrediction(x, fs, 0.0, 14, 0.25, a));
  }
}

// The reference ceiling gives the plain tracker's frames; the automatic
// choice tracks a vowel that starts at the first sample (no floor yet) and
// reports a ceiling of the set for every frame.
TEST(CeilingChoice, ReferenceCeilingIsThePlainTracker) {
  const test::VowelSpec v{.f0 = 220, .seconds = 0.6, .startHz = {600, 1700, 2800}, .endHz = {600, 1700, 2800}};
  const auto x = test::synthVowel(v);
  const auto last = static_cast<std::int64_t>(x.size()) - 1;
  std::vector<McCandlessFrame> plain, atReference, automatic;
  std::vector<double> ceilings;
  FormantOptions o;
  ASSERT_GT(mcCandless(x, 0, last, 16000, formantLpcOrder(o, 16000), false, plain), 0);
  ASSERT_EQ(mcCandlessAtCeiling(x, 0, last, 16000, o, false, atReference, ceilings), static_cast<int>(plain.size()));
  for (std::size_t i = 0; i < plain.size(); ++i)
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(plain[i].f[k].frequencyHz, atReference[i].f[k].frequencyHz);
  o.ceilingHz = 0.0;
  ASSERT_EQ(mcCandlessAtCeiling(x, 0, last, 16000, o, true, automatic, ceilings), static_cast<int>(plain.size()));
  ASSERT_EQ(ceilings.size(), automatic.size());
  int near = 0;
  for (std::size_t i = 0; i < automatic.size(); ++i) {
    EXPECT_TRUE(std::count(automaticCeilings().begin(), automaticCeilings().end(), ceilings[i]));
    near += std::abs(automatic[i].f[1].frequencyHz - 1700.0) < 100.0 && std::abs(automatic[i].f[2].frequencyHz - 2800.0) < 150.0;
  }
  EXPECT_GE(near, static_cast<int>(automatic.size()) * 9 / 10);
}

TEST(CeilingChoice, SameTracksOnAnyThreadCount) {
  // Two moving vowels and a pause: stretches of many frames, each ceiling's
  // roots refined from its own a frame earlier.
  auto x = test::synthVowel({.f0 = 120, .seconds = 0.5, .startHz = {700, 1100, 2500}, .endHz = {300, 2200, 2900}});
  x.insert(x.end(), 2400, 0);
  const auto second =
      test::synthVowel({.f0 = 260, .seconds = 0.4, .startHz = {400, 2600, 3300}, .endHz = {800, 1500, 2900}});
  x.insert(x.end(), second.begin(), second.end());
  const auto last = static_cast<std::int64_t>(x.size()) - 1;
  FormantOptions o;
  o.ceilingHz = 0.0;
  std::vector<McCandlessFrame> tracks[2];
  std::vector<double> ceilings[2];
  for (int run = 0; run < 2; ++run) {
    setWorkerThreads(run == 0 ? 1 : 3);
    ASSERT_GT(mcCandlessAtCeiling(x, 0, last, 16000, o, true, tracks[run], ceilings[run]), 0);
  }
  setWorkerThreads(0);
  ASSERT_EQ(tracks[0].size(), tracks[1].size());
  EXPECT_EQ(ceilings[0], ceilings[1]);
  for (std::size_t i = 0; i < tracks[0].size(); ++i)
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(tracks[0][i].f[k].frequencyHz, tracks[1][i].f[k].frequencyHz) << "frame " << i << " F" << k + 1;
      EXPECT_EQ(tracks[0][i].f[k].bandwidthHz, tracks[1][i].f[k].bandwidthHz) << "frame " << i << " F" << k + 1;
    }
}

TEST(CeilingChoice, OpenVowelAfterANasalRetakesItsF1) {
  // A female voice (kt_ro, "nas"-like): the tracker held F1 on the nasal's
  // first harmonic into the open vowel after it; Praat's F1 there (Burg,
  // 5500 Hz) is 944-957 Hz.
  std::vector<std::int16_t> x;
  int rate = 0;
  ASSERT_TRUE(readWavSamples((test::sourceDir() / "tests/prosody/real_speech/kt_ro.wav").string(), x, rate));
  std::vector<McCandlessFrame> tracks;
  std::vector<double> ceilings;
  FormantOptions o;
  o.ceilingHz = 0.0;
  ASSERT_GT(mcCandlessAtCeiling(x, 0, static_cast<std::int64_t>(x.size()) - 1, rate, o, true, tracks, ceilings), 0);
  int checked = 0;
  for (const McCandlessFrame& f : tracks)
    if (f.centre >= 1.900 * rate && f.centre <= 1.915 * rate) {
      ++checked;
      EXPECT_NEAR(f.f[0].frequencyHz, 950.0, 100.0) << "at " << static_cast<double>(f.centre) / rate << " s";
    }
  EXPECT_EQ(checked, 2);
}

TEST(McCandless, SilenceKeepsThePreviousEstimatesAndTraces) {
  ScopedRecorder rec;
  const std::vector<std::int16_t> zeros(4000, 0);
  std::vector<McCandlessFrame> frames;
  ASSERT_GT(mcCandless(zeros, 0, 3999, 16000, 18, false, frames), 0);
  for (const auto& fr : frames)
    EXPECT_EQ((std::array{fr.f[0].frequencyHz, fr.f[1].frequencyHz, fr.f[2].frequencyHz}),
              (std::array{320.0, 1440.0, 2760.0}));
  EXPECT_TRUE(rec->tracedFragment("mccandless *"));
}

}  // namespace
}  // namespace ardv
