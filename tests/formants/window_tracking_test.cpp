// The formant window's trackers on its pieces: registration onto spectral
// peaks, on synthetic vowels with known formants.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "formants/registration.h"
#include "formants/snake_tracks.h"
#include "platform/headless/recording_reporter.h"
#include "tests/formants/vowel_synth.h"

namespace ardv {
namespace {

// A piece of formant group g at `hz` from `fromMs` to `toMs` at the tracks' step.
void addPiece(KlattTracks& t, int g, double hz, int fromMs, int toMs, bool selected) {
  auto piece = newKlattPiece(g);
  const float values[4] = {static_cast<float>(hz), kUnsetValue, kUnsetValue, kUnsetValue};
  for (int d = fromMs; d <= toMs; d += t.stepMs) piece->push(d, 0, values);
  piece->setDefaultKla(klattGroups()[static_cast<std::size_t>(g)].params[0], 0, t.defaults);
  piece->selected = selected;
  t.insertPiece(g, std::move(piece));
}

TEST(Registration, MovesNearPointsOntoTheirFormantAndLeavesFarOnes) {
  const struct {
    const char* name;
    RegistrationSpectrum kind;
    double f0;
  } rows[] = {{"LPC, male", RegistrationSpectrum::Lpc, 100},
              {"LPC, female", RegistrationSpectrum::Lpc, 220},
              {"cepstral, male", RegistrationSpectrum::Cepstral, 100},
              {"cepstral, female", RegistrationSpectrum::Cepstral, 220}};
  for (const auto& r : rows) {
    test::VowelSpec v;
    v.f0 = r.f0;
    v.f4Hz = 4000;
    const auto x = test::synthVowel(v);
    KlattTracks t;
    addPiece(t, 2, 1500 + 150, 200, 800, true);   // F2 150 Hz too high
    addPiece(t, 3, 3250, 200, 800, true);         // 750 Hz from F3 and F4
    addPiece(t, 1, 650, 200, 800, false);         // not selected
    // No peak on the envelope's edges (0 Hz or fs/2), even where the
    // envelope is highest at 0 Hz.
    for (std::int64_t centre = 0; centre < 16000; centre += 800) {
      std::vector<FormantCandidate> peaks;
      ASSERT_TRUE(registrationPeaks(x, centre, 16000, r.kind, FormantOptions{}, peaks));
      for (const auto& p : peaks) EXPECT_TRUE(p.frequencyHz > 31.25 && p.frequencyHz < 7968.75) << r.name << p.frequencyHz;
    }
    const int moved = registerSelectedFormants(t, x, 0, r.kind, FormantOptions{});
    EXPECT_GE(moved, 140) << r.name;
    const auto& f2 = *t.groups[2].front();
    double error = 0.0;
    for (int i = 0; i < f2.nbPoints; ++i) error += std::abs(f2.y(i, 0) - 1500.0) / f2.nbPoints;
    EXPECT_LT(error, 0.04 * 1500) << r.name;
    for (int g : {1, 3}) EXPECT_EQ(t.groups[static_cast<std::size_t>(g)].front()->y(100, 0), g == 1 ? 650 : 3250) << r.name;
    t.selectAll(false);
    EXPECT_EQ(registerSelectedFormants(t, x, 0, r.kind, FormantOptions{}), 0) << "nothing selected";
  }
}

TEST(Registration, BadInputGivesFiniteFrequencies) {
  test::VowelSpec v8, v48;
  v8.fs = 8000;
  v48.fs = 48000;
  const struct {
    const char* name;
    double fs;
    std::vector<std::int16_t> x;
    FormantOptions options;
  } rows[] = {{"8 kHz, order factor 10", 8000, test::synthVowel(v8), {4.0, 10.0, 1.25, 2.5}},
              {"48 kHz, lifter bounds inverted", 48000, test::synthVowel(v48), {4.0, 1.0, 2.5, 1.25}},
              {"silence", 16000, std::vector<std::int16_t>(16000, 0), {}},
              {"one sample", 16000, {1000}, {}},
              {"clipped", 16000, std::vector<std::int16_t>(16000, 32767), {}}};
  for (const auto& r : rows)
    for (auto kind : {RegistrationSpectrum::Lpc, RegistrationSpectrum::Cepstral}) {
      KlattTracks t;
      t.frequence = r.fs;
      addPiece(t, 2, 1650, 0, 1000, true);
      ScopedRecorder recorder;
      EXPECT_GE(registerSelectedFormants(t, r.x, 0, kind, r.options), 0) << r.name;
      const auto& f2 = *t.groups[2].front();
      for (int i = 0; i < f2.nbPoints; ++i)
        ASSERT_TRUE(std::isfinite(f2.y(i, 0)) && f2.y(i, 0) > 0 && f2.y(i, 0) < r.fs / 2) << r.name;
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
  test::VowelSpec v;
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
    }
    if (r.maxError == 0) {
      EXPECT_LT(meanError(t, 2, 1500), 40) << r.name;
      EXPECT_EQ(t.groups[1].size(), 1u);
      EXPECT_EQ(meanError(t, 1, 600), 0.0) << r.name;
      EXPECT_EQ(meanError(t, 3, 2620), 0.0) << r.name;
    }
  }
}

}  // namespace
}  // namespace ardv
