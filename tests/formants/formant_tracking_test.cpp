// Formant candidates, McCandless assignment, the snake, and the formant
// window's trackers on its pieces (registration onto spectral peaks, snakes
// started from scratch or from pieces): edge cases, properties, accuracy on
// synthetic vowels and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "formants/ceiling_choice.h"
#include "formants/formant_candidates.h"
#include "formants/mccandless.h"
#include "formants/registration.h"
#include "formants/snake.h"
#include "formants/snake_tracks.h"
#include "formants/spectral_slice.h"
#include "platform/headless/recording_reporter.h"
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

// Frames without sound carry no voicing: their columns start at the
// unvoiced defaults, 500 + 1000·k Hz, and F4–F6 are left out.
TEST(Snake, SilenceStartsUnvoiced) {
  const std::vector<std::int16_t> zeros(16000, 0);
  SupportImage image;
  ASSERT_TRUE(computeSupportImage(zeros, 0, 15999, 16000, SupportMethod::Cepstral, {}, image));
  std::vector<Contour> contours;
  ASSERT_TRUE(initialContours(zeros, image, {}, InitialCurves::LpcRoots, contours));
  ASSERT_EQ(contours.size(), 3u);
  for (int k = 0; k < 3; ++k)
    for (const SnakePoint& p : contours[static_cast<std::size_t>(k)]) ASSERT_EQ(p.y, 16.0 + 32.0 * k);
}

TEST(Snake, Discretisation) {
  Contour line;
  for (int i = 0; i < 50; ++i) line.push_back({static_cast<double>(i), 0.5 * i});
  const struct {
    double step;
    int count;  // −1, 0 or the expected count
    const char* text;
  } rows[] = {{0.0, -1, "changez la constante"}, {1000.0, 0, "Le SNAKE n'existe pas"}, {0.05, kMaxSnakePoints, "MAX_PTS"},
              {2.0, 28, nullptr}};
  for (const auto& r : rows) {
    ScopedRecorder rec;
    Contour out;
    EXPECT_EQ(discretiseContour(line, r.step, out), r.count) << r.step;
    if (r.text) {
      EXPECT_TRUE(rec->saw(r.text)) << r.step;
    }
    for (std::size_t i = 1; i < out.size(); ++i)
      EXPECT_NEAR(std::hypot(out[i].x - out[i - 1].x, out[i].y - out[i - 1].y), r.step, 1e-9);
  }
}

TEST(Snake, PentadiagonalSolveInvertsTheMatrix) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> u(-5, 5);
  for (int n : {2, 3, 4, 7, 300}) {
    PentadiagonalSystem m;
    ASSERT_TRUE(m.factor(n, 3.0, 3.0, 2.0));
    std::vector<double> x(static_cast<std::size_t>(n)), b(static_cast<std::size_t>(n), 0.0);
    for (double& v : x) v = u(rng);
    for (int i = 0; i < n; ++i)
      for (int j = std::max(0, i - 2); j <= std::min(n - 1, i + 2); ++j)
        b[static_cast<std::size_t>(i)] += m.entry(i, j) * x[static_cast<std::size_t>(j)];
    m.solve(b);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(b[static_cast<std::size_t>(i)], x[static_cast<std::size_t>(i)], 1e-9) << n;
  }
  ScopedRecorder rec;
  EXPECT_FALSE(PentadiagonalSystem().factor(5, 0.0, 0.0, 0.0));
  EXPECT_TRUE(rec->saw("matrice non inversible"));
}

TEST(Snake, SupportImageCacheAndPgm) {
  const auto x = test::synthVowel({});
  SupportImageCache cache;
  const FormantOptions opt;
  const SupportImage* a = cache.get("a.wav", x, 0, 7999, 16000, SupportMethod::Cepstral, opt);
  ASSERT_NE(a, nullptr);
  cache.get("a.wav", x, 0, 7999, 16000, SupportMethod::Cepstral, opt);
  EXPECT_EQ(cache.computations(), 1);
  for (auto m : {SupportMethod::Lpc, SupportMethod::TrueEnvelope}) cache.get("a.wav", x, 0, 7999, 16000, m, opt);
  cache.get("a.wav", x, 0, 7000, 16000, SupportMethod::TrueEnvelope, opt);
  EXPECT_EQ(cache.computations(), 4);
  // New settings or samples inside the stretch make a new image, equal to
  // one made afresh.
  FormantOptions lifter = opt;
  lifter.lifterHighMs = 4.0;
  auto edited = x;
  edited[3000] = static_cast<std::int16_t>(edited[3000] + 500);
  const struct {
    const std::vector<std::int16_t>& samples;
    FormantOptions options;
    int computations;
  } changes[] = {{x, lifter, 5}, {x, lifter, 5}, {edited, lifter, 6}, {edited, opt, 7}, {x, opt, 8}};
  for (const auto& change : changes) {
    const SupportImage* got = cache.get("a.wav", change.samples, 0, 7000, 16000, SupportMethod::Cepstral,
                                        change.options);
    SupportImage fresh;
    ASSERT_TRUE(computeSupportImage(change.samples, 0, 7000, 16000, SupportMethod::Cepstral, change.options, fresh));
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->cells, fresh.cells);
    EXPECT_EQ(cache.computations(), change.computations);
  }

  test::TempDir dir;
  const SupportImage* img = cache.get("a.wav", x, 0, 7999, 16000, SupportMethod::Cepstral, opt);
  ASSERT_TRUE(writeSupportPgm(dir / "s.pgm", *img));
  const std::string text = test::readFile(dir / "s.pgm");
  const std::string header = "P5 512 256 255 ";
  ASSERT_EQ(text.size(), header.size() + 512 * 256);
  EXPECT_EQ(text.substr(0, header.size()), header);
  EXPECT_EQ(static_cast<std::uint8_t>(text[header.size() + 255 * 512 + 7]), img->at(7, 0));  // last row is row 0
  ScopedRecorder rec;
  EXPECT_FALSE(writeSupportPgm(dir / "missing" / "s.pgm", *img));
  EXPECT_TRUE(rec->saw("Unable to create the PGM file"));
}

// A piece of formant group g at `hz` from `fromMs` to `toMs` at the tracks' step.
void addPiece(KlattTracks& t, int g, double hz, int fromMs, int toMs, bool selected) {
  auto piece = newKlattPiece(g);
  const float values[4] = {static_cast<float>(hz), kUnsetValue, kUnsetValue, kUnsetValue};
  for (int d = fromMs; d <= toMs; d += t.stepMs) piece->push(d, 0, values);
  piece->setDefaultKla(klattGroups()[static_cast<std::size_t>(g)].params[0], 0, t.defaults);
  piece->selected = selected;
  t.insertPiece(g, std::move(piece));
}

// Every analysis, and the registration of a piece, gives finite values or a
// clear refusal on bad signals and options.
TEST(FormantBadInput, FiniteResultsOrAMessage) {
  const auto vowel = [](double fs) { return test::synthVowel({.fs = fs, .seconds = 0.3}); };
  std::vector<std::int16_t> clipped(4000);
  for (std::size_t i = 0; i < clipped.size(); ++i) clipped[i] = (i / 40) % 2 ? 32767 : -32768;
  const struct {
    const char* name;
    double fs;
    std::vector<std::int16_t> x;
    FormantOptions options;
  } rows[] = {{"silent", 16000, std::vector<std::int16_t>(4000, 0), {}},
              {"clipped", 16000, clipped, {}},
              {"clipped flat", 16000, std::vector<std::int16_t>(4000, 32767), {}},
              {"dc", 16000, std::vector<std::int16_t>(4000, 12000), {}},
              {"one sample", 16000, std::vector<std::int16_t>(1, 100), {}},
              {"8 kHz, order factor 10", 8000, vowel(8000), {4.0, 10.0, 1.25, 2.5}},
              {"48 kHz, lifter inverted", 48000, vowel(48000), {4.0, 1.0, 2.5, 1.25}},
              {"step 0, lifter 40 ms", 16000, vowel(16000), {0.0, 1.0, 0.0, 40.0}}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    ScopedRecorder rec;
    const auto last = static_cast<std::int64_t>(r.x.size()) - 1;
    std::vector<CandidateFrame> frames;
    auto finite = [&](const std::vector<CandidateFrame>& fr) {
      for (const auto& f : fr)
        for (const auto& c : f.candidates)
          EXPECT_TRUE(std::isfinite(c.frequencyHz) && std::isfinite(c.bandwidthHz) && std::isfinite(c.amplitudeDb));
    };
    EXPECT_GE(lpcRoots(r.x, 0, last, r.fs, r.options, frames), 0);
    finite(frames);
    for (bool te : {false, true}) {
      PeakSettings ps;
      ps.trueEnvelope = te;
      EXPECT_GE(cepstralPeaks(r.x, 0, last, r.fs, r.options, ps, frames), 0);
      finite(frames);
    }
    std::vector<McCandlessFrame> mc;
    EXPECT_GE(mcCandless(r.x, 0, last, r.fs, formantLpcOrder(r.fs, r.options.orderFactor), false, mc), 0);
    for (const auto& f : mc)
      for (const auto& t : f.f) EXPECT_TRUE(std::isfinite(t.frequencyHz));
    // The snake at 48 kHz runs in the accuracy test; the step does not concern it.
    std::vector<std::vector<SnakeTrackPoint>> tracks;
    if (r.fs <= 16000 && r.options.stepMs > 0.0) {
      if (trackSnakes(r.x, 0, last, r.fs, r.options, SnakeParams{}, SupportMethod::Cepstral, InitialCurves::LpcRoots,
                      tracks)) {
        for (const auto& t : tracks)
          for (const auto& p : t) EXPECT_TRUE(std::isfinite(p.frequencyHz) && p.frequencyHz >= 0);
      } else {
        EXPECT_FALSE(rec->reports().empty());
      }
    }
    EXPECT_EQ(rec->count(ReportKind::Bug), 0u);
    for (auto kind : {RegistrationSpectrum::Lpc, RegistrationSpectrum::Cepstral}) {
      KlattTracks t;
      t.frequence = r.fs;
      addPiece(t, 2, 1650, 0, 1000, true);
      EXPECT_GE(registerSelectedFormants(t, r.x, 0, kind, r.options), 0);
      const auto& f2 = *t.groups[2].front();
      for (int i = 0; i < f2.nbPoints; ++i) ASSERT_TRUE(std::isfinite(f2.y(i, 0)) && f2.y(i, 0) > 0 && f2.y(i, 0) < r.fs / 2);
    }
  }
}

// The three curves of a vowel frame: one scale, peaks at the formants.
TEST(SpectralSlice, CurvesShareOneScaleAndPeakAtTheFormants) {
  for (double fs : {8000.0, 16000.0, 48000.0}) {
    const std::vector<std::int16_t> x = test::synthVowel({.fs = fs, .seconds = 0.3});
    SpectralSlice s;
    const char* why = nullptr;
    ASSERT_TRUE(spectralSlice(x, static_cast<std::int64_t>(x.size()) / 2, fs, FormantOptions{}, s, &why)) << fs;
    ASSERT_EQ(s.spectrumDb.size(), s.lpcDb.size());
    ASSERT_EQ(s.spectrumDb.size(), s.cepstralDb.size());
    double spectrumPower = 0, lpcPower = 0, spectrumDb = 0, cepstralDb = 0;
    for (std::size_t k = 0; k < s.spectrumDb.size(); ++k) {
      spectrumPower += std::pow(10.0, s.spectrumDb[k] / 10.0);
      lpcPower += std::pow(10.0, s.lpcDb[k] / 10.0);
      spectrumDb += s.spectrumDb[k];
      cepstralDb += s.cepstralDb[k];
    }
    EXPECT_NEAR(10 * std::log10(lpcPower / spectrumPower), 0.0, 1.0) << fs;
    EXPECT_NEAR((cepstralDb - spectrumDb) / static_cast<double>(s.spectrumDb.size()), 0.0, 1.0) << fs;
    // Each formant is the LPC envelope's highest point within ±30 % of it.
    for (double f : {500.0, 1500.0, 2500.0}) {
      const auto lo = static_cast<std::size_t>(f * 0.7 / s.binHz), hi = static_cast<std::size_t>(f * 1.3 / s.binHz);
      const auto top = std::max_element(s.lpcDb.begin() + static_cast<std::ptrdiff_t>(lo),
                                        s.lpcDb.begin() + static_cast<std::ptrdiff_t>(hi));
      EXPECT_NEAR(static_cast<double>(top - s.lpcDb.begin()) * s.binHz, f, 0.05 * f) << fs;
    }
  }
}

TEST(SpectralSlice, EndsShortSignalsAndBadRates) {
  const std::vector<std::int16_t> x = test::synthVowel({.seconds = 0.1});
  const auto n = static_cast<std::int64_t>(x.size());
  const struct {
    std::int64_t centre;
    double fs;
    std::size_t samples;
    bool ok;
  } rows[] = {{-1000, 16000, x.size(), true}, {n + 1000, 16000, x.size(), true}, {0, 16000, 512, false},
              {0, 16000, 514, true},          {0, 500, x.size(), false},        {0, NAN, x.size(), false}};
  for (const auto& r : rows) {
    SpectralSlice s;
    const char* why = nullptr;
    const bool ok = spectralSlice(std::span(x.data(), r.samples), r.centre, r.fs, FormantOptions{}, s, &why);
    EXPECT_EQ(ok, r.ok) << r.centre << " " << r.samples;
    if (!ok) {
      EXPECT_NE(why, nullptr);
      continue;
    }
    EXPECT_GE(s.first, 0);
    EXPECT_LE(s.first + s.length + 1, static_cast<std::int64_t>(r.samples));
    for (const auto* curve : {&s.spectrumDb, &s.lpcDb, &s.cepstralDb})
      for (float value : *curve) EXPECT_TRUE(std::isfinite(value));
  }
}

// With the LPC and the cepstral spectrum, for a male and a female voice.
TEST(Registration, MovesNearPointsOntoTheirFormantAndLeavesFarOnes) {
  for (const auto kind : {RegistrationSpectrum::Lpc, RegistrationSpectrum::Cepstral})
    for (const double f0 : {100.0, 220.0}) {
      SCOPED_TRACE(testing::Message() << (kind == RegistrationSpectrum::Lpc ? "LPC, F0 " : "cepstral, F0 ") << f0);
      const auto x = test::synthVowel({.f0 = f0, .f4Hz = 4000});
      KlattTracks t;
      addPiece(t, 2, 1500 + 150, 200, 800, true);   // F2 150 Hz too high
      addPiece(t, 3, 3250, 200, 800, true);         // 750 Hz from F3 and F4
      addPiece(t, 1, 650, 200, 800, false);         // not selected
      // No peak on the envelope's edges (0 Hz or fs/2), even where the
      // envelope is highest at 0 Hz.
      for (std::int64_t centre = 0; centre < 16000; centre += 800) {
        std::vector<FormantCandidate> peaks;
        ASSERT_TRUE(registrationPeaks(x, centre, 16000, kind, FormantOptions{}, peaks));
        for (const auto& p : peaks) EXPECT_TRUE(p.frequencyHz > 31.25 && p.frequencyHz < 7968.75) << p.frequencyHz;
      }
      const int moved = registerSelectedFormants(t, x, 0, kind, FormantOptions{});
      EXPECT_GE(moved, 140);
      const auto& f2 = *t.groups[2].front();
      double error = 0.0;
      for (int i = 0; i < f2.nbPoints; ++i) error += std::abs(f2.y(i, 0) - 1500.0) / f2.nbPoints;
      EXPECT_LT(error, 0.04 * 1500);
      for (int g : {1, 3}) EXPECT_EQ(t.groups[static_cast<std::size_t>(g)].front()->y(100, 0), g == 1 ? 650 : 3250);
      t.selectAll(false);
      EXPECT_EQ(registerSelectedFormants(t, x, 0, kind, FormantOptions{}), 0) << "nothing selected";
    }
}

// Mean |F − true F| over the points of group g's pieces between 100 and 900 ms.
double meanError(const KlattTracks& t, int g, double truth) {
  double sum = 0.0;
  int n = 0;
  for (const auto& p : t.groups[static_cast<std::size_t>(g)])
    for (int i = 0; i < p->nbPoints; ++i)
      if (p->date(i) >= 100 && p->date(i) <= 900) sum += std::abs(p->y(i, 0) - truth), ++n;
  return n ? sum / n : 1e9;
}

TEST(SnakeOnPieces, StartsAndCommits) {
  const test::VowelSpec v;
  const auto x = test::synthVowel(v);  // 500 / 1500 / 2500 Hz, one second
  const struct {
    const char* name;
    SnakeStart start;
    int piecesFromMs, piecesToMs;  // F1-F3 pieces 80-120 Hz off; none when from > to
    bool selectF2;
    double maxError;   // on F1-F3 after tracking; 0: F2 only, F1 and F3 kept
  } rows[] = {
      {"from scratch", SnakeStart::Scratch, 1, 0, false, 40},
      {"from existing pieces", SnakeStart::Existing, 0, 996, false, 40},
      {"existing, no piece: from scratch", SnakeStart::Existing, 1, 0, false, 40},
      {"existing, pieces beyond the stretch", SnakeStart::Existing, 1200, 1400, false, 40},
      {"existing selected: F2 only", SnakeStart::ExistingSelected, 0, 996, true, 0},
  };
  for (const auto& r : rows) {
    KlattTracks t;
    const double off[3] = {600, 1400, 2620};
    if (r.piecesFromMs <= r.piecesToMs)
      for (int g = 1; g <= 3; ++g) addPiece(t, g, off[g - 1], r.piecesFromMs, r.piecesToMs, g == 2 && r.selectF2);
    SupportImageCache cache;
    SnakeStretch s{x, 0, 0, static_cast<std::int64_t>(x.size()) - 1, 0, static_cast<std::int64_t>(x.size()) - 1, "v"};
    ScopedRecorder recorder;
    SnakeChoices c;
    c.start = r.start;
    ASSERT_GT(trackPiecesWithSnakes(t, cache, s, FormantOptions{}, SnakeParams{}, c), 0) << r.name;
    if (r.maxError > 0) {
      for (int g = 1; g <= 3; ++g) EXPECT_LT(meanError(t, g, v.startHz[g - 1]), r.maxError) << r.name << " F" << g;
    } else {
      EXPECT_LT(meanError(t, 2, 1500), 40) << r.name;
      EXPECT_EQ(t.groups[1].size(), 1u);
      EXPECT_EQ(meanError(t, 1, 600), 0.0) << r.name;
      EXPECT_EQ(meanError(t, 3, 2620), 0.0) << r.name;
    }
  }
}

}  // namespace
}  // namespace ardv
