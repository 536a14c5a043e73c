// The snake, and the formant window's trackers on its pieces (registration
// onto spectral peaks, snakes started from scratch or from pieces), the
// spectral slice: edge cases, properties, accuracy on synthetic vowels and
// bad input.
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
