// Measurements of stretches: the statistics on frames worked out by hand,
// agreement with the pitch file, the formant tracks and the energy file of
// the same recording, and the table's rows and CSV/TSV quoting.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "formants/formant_tracks.h"
#include "measurement/segment_table.h"
#include "prosody/energy_file.h"
#include "prosody/pitch_file.h"
#include "signal/wav_layout.h"
#include "signal/wavfile.h"
#include "tests/annotation/marks.h"
#include "tests/formants/vowel_synth.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using F = RangeAnalyses::F0Frame;

// F0 frames every 100 samples from centre 50; formant frames every 100 from
// centre 0 with F1 = centre; energy frames of 60 and 70 dB.
RangeAnalyses frames(const std::vector<int>& hz) {
  RangeAnalyses a;
  a.fs = 1000.0;
  for (std::size_t k = 0; k < hz.size(); ++k) a.f0.push_back(F{50 + 100 * static_cast<std::int64_t>(k), hz[k]});
  for (std::int64_t c = 0; c <= 1000; c += 100) a.formants.push_back({c, {double(c), 1500.0, 2500.0}});
  a.energy = {{100, 60.0}, {300, 70.0}, {900, 70.0}};
  return a;
}

TEST(MeasureStretch, F0FiguresOverTheVoicedFramesOnly) {
  struct Row {
    std::vector<int> hz;
    std::int64_t start, end;
    int frames, voiced;
    double mean, median, sd;  // NaN: none
  };
  const double no = kNoValue;
  const Row rows[] = {
      {{100, 0, 200, 400}, 0, 400, 4, 3, 700.0 / 3, 200, std::sqrt(70000.0 / 3)},  // squares 140000/3 over n − 1
      {{100, 120, 0, 0}, 0, 400, 4, 2, 110, 110, std::sqrt(200.0)},  // even count: mean of the middle two
      {{100, 120, 0, 0}, 0, 100, 1, 1, 100, 100, no},                // one frame: no spread
      {{0, 0, 0}, 0, 300, 3, 0, no, no, no},                         // unvoiced
      {{100, 100}, 60, 140, 0, 0, no, no, no},                       // no frame centre inside
      {{100, 100}, 100, 100, 0, 0, no, no, no},                      // zero length
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::PrintToString(r.hz) + " " + std::to_string(r.start));
    const Measurement m = measureStretch(frames(r.hz), r.start, r.end);
    EXPECT_DOUBLE_EQ(m.durationMs, static_cast<double>(r.end - r.start));
    EXPECT_EQ(m.f0.frames, r.frames);
    EXPECT_EQ(m.f0.voiced, r.voiced);
    EXPECT_EQ(hasValue(m.f0.voicedFraction), r.frames > 0);
    for (const auto& [got, want] : {std::pair{m.f0.meanHz, r.mean}, {m.f0.medianHz, r.median}, {m.f0.sdHz, r.sd}})
      if (hasValue(want)) EXPECT_NEAR(got, want, 1e-9);
      else EXPECT_FALSE(hasValue(got));
  }
  // Semitone figures are taken over the frames' semitones: 0, 12 and 24.
  const Measurement st = measureStretch(frames({100, 200, 400}), 0, 300);
  EXPECT_NEAR(st.f0.meanSt, 12.0, 1e-12);
  EXPECT_NEAR(st.f0.sdSt, 12.0, 1e-12);
  EXPECT_NEAR(st.f0.maxSt, 24.0, 1e-12);
  EXPECT_DOUBLE_EQ(semitones(200.0), 12.0);
}

TEST(MeasureStretch, FormantPointsMiddleHalfAndIntensity) {
  const RangeAnalyses a = frames({100});
  const Measurement m = measureStretch(a, 0, 1000);  // frames at 0, 100, ..., 900
  EXPECT_DOUBLE_EQ(m.formantsAt[0][0], 200.0);       // 250: the nearer of 200 and 300 is the first
  EXPECT_DOUBLE_EQ(m.formantsAt[1][0], 500.0);
  EXPECT_DOUBLE_EQ(m.formantsAt[2][0], 700.0);
  EXPECT_DOUBLE_EQ(m.formantsMiddleMean[0], 500.0);  // 300..700
  EXPECT_DOUBLE_EQ(m.formantsMiddleMean[1], 1500.0);
  EXPECT_NEAR(m.intensityMeanDb, 10 * std::log10((1e6 + 2e7) / 3), 1e-9);
  EXPECT_DOUBLE_EQ(m.intensityMaxDb, 70.0);
  // A stretch between two frames has no formant value and no intensity.
  const Measurement gap = measureStretch(a, 110, 190);
  EXPECT_FALSE(hasValue(gap.formantsAt[1][0]));
  EXPECT_FALSE(hasValue(gap.formantsMiddleMean[2]));
  EXPECT_FALSE(hasValue(gap.intensityMeanDb));
  // Unvoiced frames (300, 500): a point on one is missing, the mean leaves them out.
  RangeAnalyses u = a;
  u.formants[3].voiced = u.formants[5].voiced = false;
  const Measurement mu = measureStretch(u, 0, 1000);
  EXPECT_DOUBLE_EQ(mu.formantsAt[0][0], 200.0);
  EXPECT_FALSE(hasValue(mu.formantsAt[1][0]));
  EXPECT_DOUBLE_EQ(mu.formantsMiddleMean[0], (400.0 + 600.0 + 700.0) / 3);
}

std::vector<int> pitchFileValues(const std::filesystem::path& pit) {
  std::istringstream in(test::readFile(pit));
  std::string header;
  in >> header;
  std::vector<int> hz;
  for (long ms = 0, f = 0; in >> ms >> f;) hz.push_back(static_cast<int>(f));
  return hz;
}

// A vowel of 7 s (two F0 chunks) with F0 falling 200 -> 120 Hz and a pause at 6.4 s.
class Agreement : public ::testing::Test {
 protected:
  void SetUp() override {
    test::VowelSpec v{.f0 = 160, .seconds = 7.0, .startHz = {600, 1700, 2800}, .endHz = {400, 2000, 2600}};
    auto x = test::synthVowel(v);
    std::fill(x.begin() + 102000, x.begin() + 106000, std::int16_t{0});  // a pause: unvoiced frames
    ASSERT_TRUE(writeWavFile(wav, x, 16000, {}, {}));
    info.nom = wav.string();
    ASSERT_TRUE(init_infoFile_read_WAV(info));
  }
  test::TempDir dir;
  std::filesystem::path wav = dir / "v.wav";
  infoFile info;
  MeasureSettings settings;
};

// At the design's ceiling and at the automatic one (chosen per voiced
// stretch: a stretch measured alone must not get another ceiling).
class AgreementAtCeiling : public Agreement, public ::testing::WithParamInterface<double> {};

TEST_P(AgreementAtCeiling, MeansEqualThoseOfThePitchFileFormantTracksAndEnergyFile) {
  settings.formantOptions.ceilingHz = GetParam();
  ASSERT_TRUE(pitchFileFromSignal(info, dir / "v.pit", settings.f0Params, PitchOptions{true, false}));
  const std::vector<int> pit = pitchFileValues(dir / "v.pit");
  std::vector<FormantTrackRow> tracks;
  ASSERT_TRUE(formantTracksOfFile(info, 0, info.sampleCount(), TrackMethod::McCandless, settings.formantOptions,
                                  snakeParams(), [&](const FormantTrackRow& r) {
                                    tracks.push_back(r);
                                    return true;
                                  }));
  EnergyParams ep = settings.energyParams;
  ASSERT_TRUE(energyForFile(info, dir / "v.ener", ep));
  EnergySetup es;
  ASSERT_TRUE(energySetup(ep, 16000, es));
  std::vector<double> energy;
  {
    std::istringstream in(test::readFile(dir / "v.ener"));
    for (double ms = 0, v = 0; in >> ms >> v;) energy.push_back(v + ep.eLow);
  }
  // Stretches inside one chunk, across the chunk seam, and past 6 s.
  for (const auto& [start, end] : {std::pair<std::int64_t, std::int64_t>{8000, 12000}, {90000, 100000}, {98765, 110001}}) {
    SCOPED_TRACE(start);
    RangeAnalyses a;
    ASSERT_TRUE(analyseRange(info, start, end - 1, settings, a));
    const Measurement m = measureStretch(a, start, end);
    double f0Sum = 0;
    int voiced = 0, frames = 0;
    for (std::size_t k = 0; k < pit.size(); ++k) {
      const std::int64_t centre = static_cast<std::int64_t>(k) * 128 + 256;
      if (centre < start || centre >= end) continue;
      ++frames;
      if (pit[k] > 0) f0Sum += pit[k], ++voiced;
    }
    EXPECT_EQ(m.f0.frames, frames);
    ASSERT_EQ(m.f0.voiced, voiced);
    EXPECT_NEAR(m.f0.meanHz, f0Sum / voiced, 1e-9);
    double f2Sum = 0;
    int middle = 0, unvoiced = 0;
    // Formant frame centres fall on F0 frame centres (both every 128 samples): the voiced ones count.
    for (const auto& r : tracks)
      if (4 * (r.centre - start) >= end - start && 4 * (r.centre - start) <= 3 * (end - start) &&
          pit[static_cast<std::size_t>((r.centre - 256) / 128)] > 0)
        f2Sum += r.frequencyHz[1], ++middle;
      else if (r.centre >= start && r.centre < end && pit[static_cast<std::size_t>((r.centre - 256) / 128)] == 0)
        ++unvoiced;
    EXPECT_NEAR(m.formantsMiddleMean[1], f2Sum / middle, 1e-9);
    EXPECT_EQ(unvoiced > 0, start == 98765);
    double power = 0;
    int count = 0;
    for (std::size_t k = 0; k < energy.size(); ++k) {
      const std::int64_t centre = static_cast<std::int64_t>(k) * es.He + es.Le / 2;
      if (centre >= start && centre < end) power += std::pow(10.0, energy[k] / 10), ++count;
    }
    EXPECT_NEAR(m.intensityMeanDb, 10 * std::log10(power / count), 1e-3);
    EXPECT_NEAR(m.f0.meanHz, 160.0, 4.0);
    // Formants alone still take their voicing from F0, and give no F0 figure.
    MeasureSettings formantsOnly = settings;
    formantsOnly.what.f0 = false;
    ASSERT_TRUE(analyseRange(info, start, end - 1, formantsOnly, a));
    const Measurement mf = measureStretch(a, start, end);
    EXPECT_EQ(mf.f0.frames, 0);
    EXPECT_EQ(mf.formantsMiddleMean, m.formantsMiddleMean);
  }
}

INSTANTIATE_TEST_SUITE_P(Ceilings, AgreementAtCeiling, ::testing::Values(kReferenceCeilingHz, 0.0));

TEST_F(Agreement, ShortRecordingsAndEmptyTiersGiveNoValueAndNoRow) {
  ASSERT_TRUE(writeWavFile(dir / "short.wav", std::vector<std::int16_t>(200, 1000), 16000,
                           test::listOf(test::Marks{{0, "a"}, {100, "b"}, {200, ""}}), {}));
  infoFile s;
  notetiqs list;
  ASSERT_TRUE(readRecording(dir / "short.wav", {}, {}, s, list));
  std::vector<SegmentRow> rows;
  ASSERT_TRUE(measureSegments(s, list, requestedSegments(list, {}), {}, settings, "short.wav",
                              [&](const SegmentRow& r) { rows.push_back(r); }));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].next, "b");
  EXPECT_EQ(rows[1].previous, "a");
  for (const auto& r : rows) {
    EXPECT_FALSE(hasValue(r.m.f0.voicedFraction));
    EXPECT_FALSE(hasValue(r.m.formantsAt[1][0]));
    EXPECT_FALSE(hasValue(r.m.intensityMaxDb));
  }
  EXPECT_TRUE(requestedSegments(notetiqs{}, {}).empty());
}

TEST(SegmentTable, FieldsAreQuotedAndMissingValuesEmpty) {
  SegmentRow r;
  r.file = "a,b.wav";
  r.tier = "phonemes";
  r.label = "say \"a\"\nb";
  r.previous = "x\ty";
  r.m.startMs = 12.5;
  r.m.endMs = 100;
  r.m.durationMs = 87.5;
  r.m.f0.meanHz = 123.456;
  r.m.intensityMaxDb = 71;
  const struct {
    char separator;
    std::string want;
  } rows[] = {
      {',', "\"a,b.wav\",phonemes,\"say \"\"a\"\"\nb\",12.50,100.00,87.50,x\ty,,123.46" + std::string(24, ',') + "71.00\n"},
      {'\t', "a,b.wav\tphonemes\t\"say \"\"a\"\"\nb\"\t12.50\t100.00\t87.50\t\"x\ty\"\t\t123.46" + std::string(24, '\t') +
                 "71.00\n"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(segmentTableLine(r, row.separator), row.want);
    const std::string header = segmentTableHeader(row.separator);
    EXPECT_EQ(std::count(header.begin(), header.end(), row.separator), 32);
  }
}

}  // namespace
}  // namespace ardv
