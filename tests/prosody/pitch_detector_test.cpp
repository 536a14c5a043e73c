// The candidate stage: peaks to grid, comb, argmax ties, histograms, median
// F0, a harmonic tone and silence through the whole candidate stage; the
// onset re-examination on a voicing onset after silence; path search,
// read-back and gap filling on small hand-made tables (voicing_check_test.cpp:
// the periodicity check).
#include <gtest/gtest.h>

#include <algorithm>
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
#include "prosody/voicing_stats.h"
#include "signal/program.h"
#include "spectral/power_db.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/prosody/pitch_run_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv {
namespace {

// A parabolic peak of 100 dB lands on its vertex frequency; one at or below
// 58 dB leaves no trace.
TEST(PeaksToGrid, ParabolicPeakLandsOnItsVertexAndLowOnesLeaveNoTrace) {
  std::vector<float> s(64, 0.0f), pics(kGridSize);
  for (int k = 6; k <= 14; ++k) s[static_cast<std::size_t>(k)] = static_cast<float>(100 - 2 * (k - 10.3) * (k - 10.3));
  // Vertex 10.3 bins * 8 Hz = 82.4 Hz -> 82.
  EXPECT_NEAR(peaksToGrid(s.data(), 60, 8.0, pics.data()), 42.0f, 1e-2);
  EXPECT_NEAR(pics[82], 42.0f - 2 * (82 / 8.0 - 10.3) * (82 / 8.0 - 10.3), 1e-2);
  EXPECT_FLOAT_EQ(pics[82 + 25], 0.0f);
  EXPECT_GT(pics[82 + 24], 0.0f);
  EXPECT_FLOAT_EQ(pics[30], 0.0f);
  for (int k = 6; k <= 14; ++k) s[static_cast<std::size_t>(k)] = static_cast<float>(58 - 0.5 * (k - 10) * (k - 10));
  std::fill(pics.begin(), pics.end(), 0.0f);
  EXPECT_FLOAT_EQ(peaksToGrid(s.data(), 60, 8.0, pics.data()), 0.0f);
  for (float v : pics) ASSERT_FLOAT_EQ(v, 0.0f);
  // A line at 50 Hz is reported as a low peak, and left out as hum; the same
  // peak below the level at 0 Hz (a frame's mean leaking) is no line.
  for (int k = 0; k <= 14; ++k) s[static_cast<std::size_t>(k)] = static_cast<float>(100 - 2 * (k - 6.25) * (k - 6.25));
  float low = 0;
  peaksToGrid(s.data(), 60, 8.0, pics.data(), 0, &low);
  EXPECT_NEAR(low, 50.0f, 0.01f);
  EXPECT_GT(pics[50], 0.0f);
  EXPECT_FLOAT_EQ(peaksToGrid(s.data(), 60, 8.0, pics.data(), 51, &low), 0.0f);
  EXPECT_FLOAT_EQ(pics[50], 0.0f);
  s[0] = 110;
  peaksToGrid(s.data(), 60, 8.0, pics.data(), 0, &low);
  EXPECT_FLOAT_EQ(low, 0.0f);
}

// Hum: low peaks gathered within 6 Hz in 60 % of the analysed frames.
TEST(Hum, ASteadyLineInMostFrames) {
  auto peaks = [](int n, double at, double spread) {
    std::vector<float> v;
    for (int k = 0; k < n; ++k) v.push_back(static_cast<float>(at + spread * ((k * 7) % 11 - 5) / 5.0));
    return v;
  };
  std::vector<float> some = peaks(50, 60, 1);
  some.resize(100, 0.0f);  // frames without a low peak
  const struct {
    std::vector<float> lows;
    int frames;
    double lo, hi;
  } rows[] = {{peaks(100, 49.8, 1), 100, 49, 50.6}, {peaks(100, 55, 10), 100, 0, 0},
              {peaks(10, 50, 0), 10, 0, 0},         {some, 100, 0, 0},
              {some, 80, 59, 61}};
  for (const auto& r : rows) {
    const double hz = humOf(r.lows, r.frames);
    EXPECT_GE(hz, r.lo) << r.frames;
    EXPECT_LE(hz, r.hi) << r.frames;
  }
  // The notch takes a 50-Hz line four times the voice's amplitude out and
  // leaves a 300-Hz tone where it was (away from the ends).
  std::vector<std::int16_t> x(8000);
  auto tone = [](double k) { return 2000 * std::sin(2 * std::numbers::pi * 300 * k / 8000); };
  for (std::size_t k = 0; k < x.size(); ++k)
    x[k] = static_cast<std::int16_t>(8000 * std::sin(2 * std::numbers::pi * 49.8 * k / 8000) + tone(k));
  const std::vector<std::int16_t> y = withoutHum(x, 8000, 50);
  double worst = 0;
  for (std::size_t k = 2000; k < 6000; ++k) worst = std::max(worst, std::abs(y[k] - tone(k)));
  EXPECT_LT(worst, 100);
}

// The comb, eight frequencies to a vector, gives each frequency its teeth
// summed in order, to the last bit, up to the grid's end; the spectrum's
// median and quartile are its values at n/2 and n/4 in order (ties, odd n).
TEST(CorrelPeigne, EachFrequencySumsItsTeethInOrderAndLevelsAreRanks) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> level(0, 40);
  std::vector<float> pics(kGridSize), correl(kGridSize);
  for (float& v : pics) v = rng() % 3 == 0 ? 0.0f : level(rng);
  for (const auto& [speaker, combMin, f0Max, ceil] : {std::tuple{-1, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 0},
                                                       {-1, 3, kGridSize - 1, 4000}, {-1, 50, 57, 1900}}) {
    SpeakerF0Params p = speakerF0Params(speaker);
    if (combMin > 0) p.combMin = combMin, p.f0Max = f0Max, p.harmCeilHz = ceil;
    const CombTables comb = makeCombTables(p);
    correlPeigne(pics.data(), comb, p, correl.data());
    for (int f = p.combMin; f <= std::min(p.f0Max, kGridSize - 1); ++f) {
      float sum = 0;
      for (int k = 1; k < std::min<int>(p.harmCeilHz / f, comb.peigne.size()) && k * f < kGridSize; ++k)
        sum += comb.peigne[static_cast<std::size_t>(k)] * pics[static_cast<std::size_t>(k * f)];
      ASSERT_EQ(correl[static_cast<std::size_t>(f)], sum) << f << " Hz, speaker " << speaker << ", combMin " << combMin;
    }
  }
  for (const int nb : {8, 9, 31, 128, 255}) {
    std::vector<float> s(static_cast<std::size_t>(nb)), work, every;
    for (float& v : s) v = 60.0f + static_cast<float>(rng() % 40) / 2;
    for (int k = 0; k < nb; k += 2) every.push_back(s[static_cast<std::size_t>(k)]);
    std::sort(every.begin(), every.end());
    const SpectrumLevels v = spectrumLevels(s.data(), nb, work);
    EXPECT_EQ(std::pair(v.medianDb, v.quartileDb), std::pair(every[every.size() / 2], every[every.size() / 4])) << nb;
  }
}

// Levels in dB by the series within a float rounding of powerDb's, at the
// floor, around the mantissa's switch at sqrt 2 and in a last partial vector.
TEST(LevelsDb, WithinAFloatRoundingOfPowerDb) {
  std::vector<float> p = {1e-10f, 1e-3f, 0.70710677f, 0.7071068f, 1.0f, 1.4142135f, 1.4142137f, 2.0f, 3.0f,
                          12345.6f, 3e12f};
  std::vector<float> db = p;
  levelsDb(db.data(), static_cast<int>(db.size()), 7.5f);
  for (std::size_t k = 0; k < p.size(); ++k) {
    const float want = powerDb(p[k], 7.5f);
    EXPECT_LE(std::fabs(db[k] - want), 2 * (std::nextafter(std::fabs(want), 1e30f) - std::fabs(want))) << p[k];
  }
}

// The 2-ms voicing energy from its low bins summed directly agrees with the
// 256-point transform's columns, at 8, 16 and 44.1 kHz.
TEST(EnerVoisBrut, AgreesWithTheTransformsColumns) {
  for (const double fs : {8000.0, 16000.0, 44100.0}) {
    std::vector<std::int16_t> x(static_cast<std::size_t>(fs / 4));
    for (std::size_t n = 0; n < x.size(); ++n)
      x[n] = static_cast<std::int16_t>(6000 * std::sin(2 * std::numbers::pi * 130 * n / fs) + 500.0 * (n % 13));
    PitchRun run;
    prepare(run, x, fs);
    ASSERT_TRUE(enerVoisBrut(run));
    const int Lb = std::min(static_cast<int>(0.001 * fs * 4), 256), top = std::min(bandChannel(500, fs), 128);
    SpecFft fft;
    ASSERT_TRUE(fft.init(Lb, 256));
    std::vector<float> col(129);
    for (std::size_t k = 0; k + 1 < run.brut.size(); k += 7) {
      ASSERT_TRUE(fft.compute(run.span, static_cast<std::int64_t>(k) * run.brutHop, col.data(), false, true, top + 1));
      double sum = 0;
      for (int c = 0; c <= top; ++c) sum += std::max(col[static_cast<std::size_t>(c)] - 60.0f, 0.0f);
      EXPECT_NEAR(run.brut[k], sum / (top + 1), 1e-4) << fs << " Hz, column " << k;
    }
  }
}

TEST(Argmax, TiesGoToTheLowestFrequencyAndEmptyRangesToZero) {
  std::vector<float> v(100, 1.0f);
  v[40] = v[60] = 5.0f;
  EXPECT_EQ(argmaxIn(v.data(), 10, 90), 40);
  float best = 0;
  EXPECT_EQ(argmaxIn(v.data(), 50, 49, &best), 0);
  EXPECT_FLOAT_EQ(best, -1e38f);
}

TEST(Histogram, QuantilesCountFromTheTopAndIgnoreValuesBelowOne) {
  Histogram h;
  for (double v : {0.5, 5.0, 5.0, 50.0, 100.0, 150.0}) h.add(v);
  // Targets 1 and 3 reached at bins 100 and 50.
  EXPECT_EQ(std::tuple(h.quantile(0.1), h.quantile(0.6), Histogram{}.quantile(0.1)), std::tuple(99, 49, 100));
}

TEST(Median, TwoHertzBinsAndTooFewValues) {
  EXPECT_EQ(std::tuple(media_({100, 100, 102, 200}, 67, 798), media_({150}, 67, 798)), std::tuple(100, 66));
  ScopedRecorder rec;
  media_({100, 120}, 300, 300);
  EXPECT_EQ(rec->count(ReportKind::Bug), 1u);
}

// checkVoice on dB spectra of 15.625-Hz bins: a noise floor (+-2 dB) with,
// for a voice, harmonics 30 dB above it.
struct VoiceRow {
  float floorDb;
  double voiceHz;  // 0: noise only
  int candidate, expectF0;
  float riseMin, riseMax;
};

TEST(CheckVoice, RaisesSubharmonicsAndJudgesHarmonicsOnlyWhereNoiseFillsTheGrid) {
  constexpr double kBin = 15.625;
  constexpr int kBins = 128;
  const VoiceRow rows[] = {
      {70, 240, 120, 240, 14, 40},     {70, 240, 80, 240, 14, 40},  {70, 240, 60, 240, 14, 40},
      {70, 240, 240, 240, 14, 40},     {70, 0, 120, 120, 0, 8},     {40, 240, 120, 120, -1, -1},
      {70, 120, 240, 240, 0, 0},
  };
  for (const VoiceRow& row : rows) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> jitter(-2, 2);
    std::vector<float> s(kBins + 2), work;
    for (float& v : s) v = row.floorDb + jitter(rng);
    for (double h = row.voiceHz; row.voiceHz > 0 && h < kBins * kBin; h += row.voiceHz) {
      const auto b = static_cast<std::size_t>(h / kBin);
      s[b] = s[b + 1] = row.floorDb + 30;
    }
    const VoiceCheck v =
        checkVoice(s.data(), kBins, kBin, row.candidate, 800, spectrumLevels(s.data(), kBins, work));
    EXPECT_EQ(v.f0, row.expectF0) << row.candidate << " Hz on " << row.voiceHz;
    EXPECT_GE(v.riseDb, row.riseMin) << row.candidate << " Hz on " << row.voiceHz;
    EXPECT_LE(v.riseDb, row.riseMax) << row.candidate << " Hz on " << row.voiceHz;
  }
}

TEST(CalUnPitch, HarmonicToneOf200HzBeatsItsSubharmonics) {
  const double fs = 16000;
  std::vector<std::int16_t> x(16000);
  for (std::size_t n = 0; n < x.size(); ++n) {
    double v = 0;
    for (int k = 1; k * 200 < 4000; ++k) v += std::sin(2 * std::numbers::pi * 200 * k * n / fs) / k;
    x[n] = static_cast<std::int16_t>(5000 * v);
  }
  PitchRun run;
  prepare(run, x, fs);
  run.comb = makeCombTables(run.params);
  ASSERT_TRUE(run.fft.init(run.geo.L, run.geo.N));
  const FrameCandidates c = calUnPitch(run, 40 * run.geo.S);
  EXPECT_NEAR(c[0].f0, 200, 1);
  EXPECT_GT(run.correl[200], run.correl[100]);
  EXPECT_GT(run.correl[200], run.correl[67]);
  EXPECT_GT(c[0].energy, 0.0f);
}

// A frame's candidates come from the spectrum below 2000 Hz and the two
// bins after it: what the bins above hold changes nothing.
TEST(CalUnPitch, ReadsNoBinAboveItsBand) {
  // Peaks at the band's edge make the parabolas read past it.
  for (const auto& [fs, edge] : {std::pair{8000.0, 1950.0}, {16000.0, 1970.0}, {16000.0, 1985.0}, {44100.0, 1990.0}}) {
    std::vector<std::int16_t> x(static_cast<std::size_t>(fs));
    for (std::size_t n = 0; n < x.size(); ++n)
      x[n] = static_cast<std::int16_t>(4000 * std::sin(2 * std::numbers::pi * 180 * n / fs) +
                                       3000 * std::sin(2 * std::numbers::pi * edge * n / fs) + 37 * (n % 7));
    PitchRun run;
    prepare(run, x, fs);
    run.comb = makeCombTables(run.params);
    ASSERT_TRUE(run.fft.init(run.geo.L, run.geo.N));
    for (int frame = 5; frame < 60; frame += 11) {
      FrameCandidates seen[2];
      for (const int loud : {0, 1}) {
        run.spectre.assign(static_cast<std::size_t>(run.geo.N / 2 + 1), loud ? 150.0f : 0.0f);
        seen[loud] = calUnPitch(run, frame * run.geo.S);
      }
      for (int m = 0; m < 3; ++m) {
        const PitchCandidate &a = seen[0][m], &b = seen[1][m];
        EXPECT_EQ(std::tie(a.f0, a.energy, a.coef, a.voice.f0, a.voice.riseDb, a.voice.medianDb),
                  std::tie(b.f0, b.energy, b.coef, b.voice.f0, b.voice.riseDb, b.voice.medianDb))
            << fs << " Hz, frame " << frame << ", candidate " << m;
      }
    }
  }
}

TEST(PitchBrutMartin, SilenceSkipsQuietFramesFromTheSeventh) {
  ml_init(test::sourceDataDir() / "format" / "english.txt");
  std::mt19937 rng(3);
  std::normal_distribution<double> g(0, 2);
  std::vector<std::int16_t> x(8000);
  for (auto& v : x) v = static_cast<std::int16_t>(std::lround(g(rng)));
  ScopedRecorder rec;
  PitchRun run;
  prepare(run, x, 8000);
  ASSERT_TRUE(pitchBrutMartin(run));
  ASSERT_GT(run.geo.frames, 10);
  for (int i = 0; i < run.geo.frames; ++i) {
    const PitchFrame& fr = run.tab[static_cast<std::size_t>(i)];
    if (i < kQuietFramesAnalysed) {
      EXPECT_GE(fr[1].f0, run.params.f0Min) << i;  // analysed, even with nothing to find
      EXPECT_FLOAT_EQ(fr[1].coefVois, 0.0f) << i;   // no peak: no voicing
    } else {
      EXPECT_FLOAT_EQ(fr[1].f0, -1.0f) << i;
    }
    EXPECT_EQ(fr[0].prevFrame, -1);
  }
  EXPECT_FLOAT_EQ(run.thr.maxVoise, 81.0f);  // maxVoisement 100
  EXPECT_EQ(run.thr.F0med, run.params.f0Min + 1);
  EXPECT_EQ(rec->count(ReportKind::Warning), 0u);
}

TEST(RectifiePitch, OnsetsAloneChangeAndFollowTheReference) {
  ml_init(test::sourceDataDir() / "format" / "english.txt");
  ScopedRecorder rec;
  // 200 ms of quiet noise, 500 ms at 140 Hz, 200 ms of quiet noise.
  const auto sig = test::synthesize("onset", 16000,
                                    {{test::SegmentKind::Silence, 200}, {test::SegmentKind::Voiced, 500, 140, 140},
                                     {test::SegmentKind::Silence, 200}}, 5);
  PitchRun run;
  prepare(run, sig.samples, sig.fs);
  ASSERT_TRUE(pitchBrutMartin(run));
  lisPitch(run.tab, run.params, run.thr.F0med);
  std::vector<int> p;
  meilPitch(run.tab, p, run.params.maxJump);
  completePitch(p, run.tab);
  const int F = static_cast<int>(p.size());
  int onset = -1;
  for (int i = 5; i < F - 4 && onset < 0; ++i)
    if (p[i] == 0 && p[i - 1] == 0 && p[i - 4] == 0 && p[i + 1] > 0 && p[i + 4] > 0) onset = i;
  ASSERT_GT(onset, 0) << "no onset found";
  std::vector<int> q = p;
  ASSERT_TRUE(rectifiePitch(run, q));
  for (int i = 0; i < F; ++i) {
    if (i > onset && i <= onset + 4) {
      // Re-examined frames keep an F0 near the steady one.
      EXPECT_NEAR(q[i], 140, 14) << i;
    } else {
      EXPECT_EQ(q[i], p[i]) << i;
    }
  }
  // Frame i+4 filled and frame i+5 past the end: no reference, skipped.
  std::vector<int> tail(p.begin(), p.begin() + onset + 5);
  const std::vector<int> before = tail;
  const std::int32_t filled = run.tab[static_cast<std::size_t>(onset + 4)][1].filled;
  run.tab[static_cast<std::size_t>(onset + 4)][1].filled = 1;
  ASSERT_TRUE(rectifiePitch(run, tail));
  run.tab[static_cast<std::size_t>(onset + 4)][1].filled = filled;
  EXPECT_EQ(tail, before);
  // A reference F0 that no candidate has: the onset stays as it was.
  std::vector<int> odd = p;
  const int R = run.tab[static_cast<std::size_t>(onset + 4)][1].filled ? onset + 5 : onset + 4;
  odd[static_cast<std::size_t>(R)] = 997;
  const std::vector<int> oddBefore = odd;
  ASSERT_TRUE(rectifiePitch(run, odd));
  for (int i = onset + 1; i <= R; ++i) EXPECT_EQ(odd[i], oddBefore[i]) << i;
  EXPECT_EQ(rec->count(ReportKind::Message), 0u);
}

TEST(Bonus, ContribVoisBandsAndTheBonusesOfUnvoicedAndVoicedFrames) {
  for (auto [v, contrib] : {std::pair{0, 20}, std::pair{5, 15}, std::pair{20, 10}, std::pair{60, 5}, std::pair{80, 0}})
    EXPECT_FLOAT_EQ(contribVois(v, 10), contrib) << v;
  // The unvoiced bonus is full without voicing and zero above maxSourd.
  VoicingThresholds t{100, 30, 20, 10, 40};
  EXPECT_EQ(std::tuple(bonusSourd(0, 0, 50, t), bonusSourd(25, 20, 50, t)), std::tuple(0.01f * 100 * 40, 0.0f));
  // Quiet frame (E <= seuilSourd/2): x = e*E/seuilSourd = 10*5/10 = 5 <= 15.
  EXPECT_NEAR(bonusVoise(10, 0, 5, t), 0.01 * 100 * 15 * (1 + std::sin(std::numbers::pi * 5 / 30 - std::numbers::pi / 2)),
              1e-4);
  // Loud frame, strong voicing: x = 2*e = 40 > 15, so the bonus is x.
  EXPECT_FLOAT_EQ(bonusVoise(20, 0, 50, t), 0.01f * 100 * 40);
}

TEST(PitchTrace, DebugLevelOneWritesTheTraceFile) {
  ml_init(test::sourceDataDir() / "format" / "english.txt");
  test::TempDir dir;
  const auto saved = program().dirs.temp;
  program().dirs.temp = dir.path();
  setDebugLevel(1);
  const auto s = test::knownF0Set()[2];
  PitchTrack track;
  ScopedRecorder rec;
  EXPECT_TRUE(calcPitchMartin(s.samples.data(), 4000, 0, s.fs, speakerF0Params(-1), PitchOptions{}, track));
  setDebugLevel(0);
  program().dirs.temp = saved;
  const std::string trace = test::readFile(dir / "pm.txt");
  for (const char* line : {"peigne[1]=1 somHarm[1]=1\n", "reglageBonus()\n", "... maxVoise=", "calUnPitch[0]\n",
                           "fin pitchBrutMartin()\n", "tabLisGlob[0]\n... [0] 0 0 -1 0 0 ", "lisPitch()\n",
                           "rectifiePitch()\n", "pitchCorrige[0] ="})
    EXPECT_NE(trace.find(line), std::string::npos) << line;
}

PitchFrame frame(float f1, float b1, float b0 = 0, float f2 = -1, float b2 = 0) {
  PitchFrame fr{};
  for (auto& h : fr) h = PitchHypothesis{0, 0, -1, 0, 0, 0, 0, -1};
  fr[0].f0 = 0;
  fr[0].bonus = b0;
  fr[1].f0 = f1;
  fr[1].bonus = b1;
  fr[2].f0 = f2;
  fr[2].bonus = b2;
  return fr;
}

// A voiced step costs its slope and its change of slope; ties keep the earlier predecessor.
TEST(LisPitch, VoicedStepCostsSlopeAndChangeOfSlope) {
  PitchTable t = {frame(100, 0), frame(108, 5)};
  lisPitch(t, speakerF0Params(-1), 100);
  // sigma = (100 - 108) / (0 - 1) * 0.125 = 1 Hz/ms: 4*1 - 5 + 4*|1 - 0| = 3.
  EXPECT_EQ(std::tuple(t[1][1].cost, t[1][1].prevFrame, t[1][1].prevHyp, t[1][1].slope), std::tuple(3.0f, 0, 1, 1.0f));
  PitchTable tie = {frame(100, 0, 0, 100, 0), frame(100, 0)};
  lisPitch(tie, speakerF0Params(-1), 100);
  EXPECT_EQ(tie[1][1].prevHyp, 1);
}

// A jump near an octave costs four times its slope.
TEST(LisPitch, OctaveJumpCostsFourTimesItsSlope) {
  for (const auto& [ratio, octave] : {std::pair{2.0f, true}, {2.2f, true}, {2.3f, false}, {1.5f, false}, {0.5f, true}}) {
    const float f = 100 * ratio;
    PitchTable t = {frame(100, 0), frame(f, 0)};
    t[0][0].f0 = -1;  // only the voiced start
    lisPitch(t, speakerF0Params(-1), 100);
    const float sigma = std::fabs(f - 100) * 0.125f * (octave ? 4 : 1);
    EXPECT_NEAR(t[1][1].cost, 4 * sigma + 4 * sigma, 1e-2) << ratio;
    EXPECT_EQ(t[1][1].prevHyp, 1) << ratio;
  }
}

TEST(LisPitch, CandidatesFarFromTheMedianAreImpossible) {
  PitchTable t = {frame(100, 0), frame(39, 50, 0, 251, 50)};
  lisPitch(t, speakerF0Params(-1), 100);
  EXPECT_EQ(std::tuple(t[1][1].cost, t[1][1].prevFrame, t[1][2].cost), std::tuple(1e38f, -1, 1e38f));
}

TEST(LisPitch, NoVoicingChangeWithinFourFramesOfTheLast) {
  // Frames 0..2 unvoiced-only, 3..4 voiced-only, then frame 5 offers both:
  // the voiced path started at frame 3, so unvoicing at 5 is refused.
  PitchTable t = {frame(-1, 0, 10), frame(-1, 0, 10), frame(-1, 0, 10), frame(100, 50), frame(100, 50),
                  frame(100, 0, 1000)};
  for (int i = 3; i <= 4; ++i) t[static_cast<std::size_t>(i)][0].f0 = -1;  // no unvoiced hypothesis there
  SpeakerF0Params p = speakerF0Params(-1);
  p.maxJump = 1;
  lisPitch(t, p, 100);
  EXPECT_EQ(std::tuple(t[3][1].prevHyp, t[5][0].cost, t[5][0].prevFrame), std::tuple(0, 1e38f, -1));
  EXPECT_FALSE(noRecentVoicingChange(t, 4, 1));
}

TEST(MeilPitch, FollowsTheBestPathAndLeavesJumpedFramesUndecided) {
  PitchTable t = {frame(100, 0), frame(100, 0), frame(100, 0)};
  for (auto& fr : t) fr[0].cost = 5;
  t[0][1].cost = 0;
  t[2][1].cost = -10;
  t[2][1].prevFrame = 0;
  t[2][1].prevHyp = 1;
  t[1][1].cost = 1;
  std::vector<int> p;
  meilPitch(t, p, 2);
  EXPECT_EQ(p, (std::vector<int>{100, -1, 100}));
}

// Gaps filled as the rules say; a filled unvoiced frame takes the unvoiced
// cost of its left neighbour (the costs start as 10 per frame index).
TEST(CompletePitch, FillsGapsAsTheRulesSay) {
  struct Row {
    std::vector<int> in, out, filled;
  };
  for (const Row& r : {Row{{0, -1, 0}, {0, 0, 0}, {}},             // between two unvoiced frames
                       Row{{100, -1, 103}, {100, 102, 103}, {1}},  // 101.5 rounds away from zero
                       Row{{100, -1, 101}, {100, 101, 101}, {1}},  // 100.5 too
                       Row{{-1, 120}, {0, 120}, {0}},              // first frame before voicing
                       Row{{-1, 0}, {0, 0}, {}},                   // first frame before unvoiced
                       Row{{120, -1}, {120, 120}, {}},             // last frame copies its voiced neighbour
                       Row{{0, -1, 120}, {0, 0, 120}, {1}},        // voicing edge
                       Row{{120, -1, 0}, {120, 0, 0}, {1}}}) {
    std::vector<int> p = r.in;
    PitchTable t(p.size(), frame(100, 0));
    for (std::size_t i = 0; i < t.size(); ++i) t[i][0].cost = static_cast<float>(10 * i);
    completePitch(p, t);
    EXPECT_EQ(p, r.out);
    std::vector<int> filled;
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (t[i][1].filled) filled.push_back(static_cast<int>(i));
      const bool takesLeft = t[i][1].filled && p[i] == 0 && i > 0;
      EXPECT_FLOAT_EQ(t[i][0].cost, static_cast<float>(10 * (takesLeft ? i - 1 : i))) << i;
    }
    EXPECT_EQ(filled, r.filled);
  }
}

// Per frame: the track value, the candidate with that F0 (-1 none) and what
// the spectrum made of it, and the value after the raise.
TEST(RaiseSubharmonics, MeasuredFramesRaiseTheirRunInTheSameOctaveBelowF0Max) {
  struct Row {
    int p;
    float cand;
    int voice, expect;
  };
  const Row rows[] = {
      {0, -1, -1, 0},       {110, 110, 220, 220}, {111, -1, -1, 222}, {110, 110, 220, 220},
      {230, -1, -1, 230},   {0, -1, -1, 0},       {150, -1, -1, 150}, {300, 300, 900, 300},
      {200, 200, 200, 200},
  };
  PitchRun run;
  run.params = speakerF0Params(-1);
  std::vector<int> p;
  for (const Row& r : rows) {
    PitchFrame fr{};
    fr[1].f0 = r.cand;
    run.tab.push_back(fr);
    run.voice.push_back({VoiceCheck{r.voice, 20}, VoiceCheck{}, VoiceCheck{}});
    p.push_back(r.p);
  }
  raiseSubharmonics(run, p);
  for (std::size_t i = 0; i < p.size(); ++i) EXPECT_EQ(p[i], rows[i].expect) << "frame " << i;
}

}  // namespace
}  // namespace ardv
