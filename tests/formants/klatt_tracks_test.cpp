// Klatt parameter files and the tracks made of them: the table's groups,
// reading and writing records, pieces, edits and bad files
// (point_tracks_test.cpp: the point tracks beneath them).
#include "klatt/klatt_stretches.h"
#include "klatt/klatt_tracks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "klatt/formant_listing.h"
#include "klatt/klatt_records.h"
#include "klatt/poly_points.h"
#include "klatt/polypoints_ola_file.h"
#include "platform/headless/recording_reporter.h"
#include "tests/formants/klatt_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;
using test::klattFile;

TEST(KlattTable, GroupsAndScalesAgreeWithTheParameterTable) {
  int covered = 0;
  for (int g = 0; g < kKlattGroups; ++g) {
    const auto& group = klattGroups()[g];
    for (int c = 0; c < group.columns; ++c) {
      const auto& p = klattParams()[group.params[c]];
      EXPECT_EQ(p.group, g) << p.name;
      EXPECT_EQ(p.column, c) << p.name;
      ++covered;
    }
    for (int s = 0; s < kKlattScales; ++s) {
      const int column = klattScaleColumn(s, g);
      EXPECT_LT(column, group.columns) << "scale " << s << " group " << g;
    }
  }
  EXPECT_EQ(covered, kKlattParams - 1);
}

// Records of every type written and read back (F0 in tenths of hertz in the
// file, negatives written as 0, huge numbers saturated), and cut records.
TEST(KlattRecords, ReadsTypesDefaultsAndCutRecords) {
  KlattRecord r{};
  for (int i = 0; i < kKlattParams; ++i) r[i] = i + 1;
  r[kF0hz10] = 123;
  r[kAVdb] = -5;
  std::string kla = ".kla\n", klf = ".klf\n", huge = ".kle 0 1235 99999999999999999999";
  appendKlattRecord(kla, r, 41);
  appendKlattRecord(klf, r, 44);
  for (int i = 3; i < kKlattParams; ++i) huge += " " + std::to_string(i + 1);
  EXPECT_EQ(std::count(kla.begin(), kla.end(), ' '), 41);
  const struct {
    const char* name;
    std::string text;
    int records, columns;
    std::int32_t avdb;
  } cases[] = {
      {"kla", kla, 1, 41, 0},
      {"klf", klf, 1, 44, 0},
      {"tenths of hertz, a huge number", huge, 1, 56, std::numeric_limits<std::int32_t>::max()},
      {"record cut across line breaks", ".kle 1 2\n3", 0, 56, 0},
      {"truncated last record", ".kla 0 1000 60", 0, 41, 0},
      {"text ends the file", ".kla 0 1000 abc", 0, 41, 0},
      {"unknown type", ".klx 1 2 3", 0, 0, 0},
      {"overlong type", ".klaaaaaaaaa 1 2", 0, 0, 0},
      {"empty", "", 0, 0, 0},
  };
  test::TempDir dir;
  const KlattRecord defaults = initialKlattDefaults();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::writeFile(dir / "p.kl", c.text);
    KlattRecordReader reader;
    EXPECT_EQ(reader.open(dir / "p.kl") == KlattRecordReader::Status::ok, c.columns > 0);
    EXPECT_EQ(reader.columns(), c.columns);
    int n = 0;
    for (KlattRecord got{}; reader.next(got, defaults); ++n) {
      EXPECT_EQ(got[kF0hz10], 123);
      EXPECT_EQ(got[kAVdb], c.avdb);
      for (int i = 3; i < kKlattParams; ++i) EXPECT_EQ(got[i], i < c.columns ? i + 1 : defaults[i]) << "column " << i;
    }
    EXPECT_EQ(n, c.records);
  }
}

// Pieces as (group, date, values) rows, for comparisons.
std::vector<std::vector<double>> rows(const KlattTracks& t) {
  std::vector<std::vector<double>> out;
  for (int g = 0; g < kKlattGroups; ++g)
    for (const auto& p : t.groups[g])
      for (int i = 0; i < p->nbPoints; ++i) {
        std::vector<double> row{static_cast<double>(g), static_cast<double>(p->date(i)), i == 0 ? 1.0 : 0.0};
        for (int c = 0; c < p->valueColumns(); ++c) row.push_back(p->y(i, c));
        out.push_back(row);
      }
  return out;
}

class KlattTracksTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ml_init(test::sourceDataDir() / "format" / "english.txt")); }
  fs::path file(const std::string& name, const std::string& text) {
    test::writeFile(dir_ / name, text);
    return dir_ / name;
  }
  test::TempDir dir_;
};

TEST_F(KlattTracksTest, PiecesWhereTheKeyDiffersFromItsDefault) {
  KlattTracks t;
  // F1 is 0 at frames 10-19; F2 keeps its default; A1 is -5; F0 123 Hz.
  const auto path = file("v.kle", klattFile(30, 4, 0, [](int k, KlattRecord& r) {
                           r[kF1hz] = k >= 10 && k < 20 ? 0 : 500 + k;
                           r[kA1] = -5;
                           r[kF0hz10] = 123;
                           r[kRax1000] = 40;
                         }));
  ASSERT_TRUE(t.open(path, std::nullopt));
  ASSERT_EQ(t.groups[1].size(), 2u);
  EXPECT_EQ(t.groups[1].back()->debut(), 80);
  EXPECT_TRUE(t.groups[2].empty());
  EXPECT_EQ(t.groups[0].front()->y(0, 0), 123.0f);
  ASSERT_TRUE(t.write(dir_ / "out.kle", 56, 0, 1000));
  const std::string out = test::readFile(dir_ / "out.kle");
  EXPECT_EQ(out.substr(0, 5), ".kle\n");
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 31);
  EXPECT_NE(out.find("\n0 1230 60 500 50 0 60 "), std::string::npos) << out.substr(0, 200);
  EXPECT_EQ(out.find(" -"), std::string::npos);  // A1 = -5 written as 0
  // ".kla" takes Rax1000 and the nasal formants from the defaults, ".klf"
  // keeps its own Rax1000.
  for (int columns : {41, 44}) {
    ASSERT_TRUE(t.open(file("c.kl", klattFile(5, 4, 0, [](int, KlattRecord& r) { r[kRax1000] = 40; r[kF1Nhz] = 300; }, columns)),
                       std::nullopt));
    EXPECT_EQ(t.groups[20].size(), columns == 44 ? 1u : 0u);
    EXPECT_TRUE(t.groups[7].empty());
  }
}

TEST_F(KlattTracksTest, StepRelocationAndPaste) {
  KlattTracks t;
  const auto path = file("s.kle", klattFile(25, 8, 200, [](int k, KlattRecord& r) { r[kF2hz] = 1500 + 100 * (k % 2); }));
  ASSERT_TRUE(t.open(path, -500));
  EXPECT_EQ(t.groups[2].front()->debut(), 0);  // not -300
  for (const auto& [step, points] : {std::pair{8, 25}, {16, 13}, {8, 25}}) {
    ASSERT_TRUE(t.setStep(step));
    EXPECT_EQ(t.groups[2].front()->nbPoints, points);
  }
  EXPECT_EQ(t.groups[2].front()->y(1, 0), 1500.0f);  // interpolated: the dropped 1600 is gone
  ScopedRecorder recorder;
  const auto before = rows(t);
  EXPECT_FALSE(t.paste(path, 2000, 16000));  // starts 2200 ms > 1000 ms + 1 s of signal
  EXPECT_TRUE(recorder->saw(text(6461)));
  EXPECT_EQ(rows(t), before);
  ASSERT_TRUE(t.paste(path, -400, 16000));
  ASSERT_EQ(t.groups[2].size(), 2u);
  EXPECT_EQ(t.groups[2].front()->debut(), -200);  // paste offsets are not clamped
}

TEST_F(KlattTracksTest, BadFilesChangeNothing) {
  const auto f1 = [](int, KlattRecord& r) { r[kF1hz] = 400; };
  const std::string good = klattFile(3, 4, 0, f1);
  const std::pair<const char*, std::string> bads[] = {
      {"unknown type word", ".klx\n0 1000\n"},
      {"not a number", good + "12 1000 x\n"},
      {"dates go backwards", good + klattFile(1, 4, 0, f1).substr(5)},
      {"frames far apart", klattFile(2, 900'000'000, 0, f1)},
      {"1 MB number", ".kle " + std::string(1 << 20, '7')},
      {"no frame", ".kle\n"},
  };
  KlattTracks t;
  ASSERT_TRUE(t.open(file("good.kle", good), std::nullopt));
  const auto before = rows(t);
  for (const auto& [name, text] : bads) {
    SCOPED_TRACE(name);
    ScopedRecorder recorder;
    EXPECT_FALSE(t.open(file("bad.kle", text), std::nullopt));
    EXPECT_FALSE(t.paste(dir_ / "bad.kle", 0, 16000));
    EXPECT_EQ(rows(t), before);
    EXPECT_EQ(recorder->reports().size(), 2u);
    for (const auto& r : recorder->reports()) EXPECT_NE(r.text.find("bad.kle"), std::string::npos) << r.text;
  }
  ScopedRecorder recorder;
  EXPECT_FALSE(t.open(dir_.path(), std::nullopt));
  EXPECT_FALSE(t.openFormants(dir_.path()));
  EXPECT_EQ(rows(t), before);
}

// The numbers of a parameter file after its type word, `columns` to a frame.
std::vector<std::vector<long long>> frameValues(const std::string& text, int columns) {
  std::istringstream in(text.substr(text.find('\n') + 1));
  std::vector<std::vector<long long>> frames;
  for (long long v; in >> v; frames.back().push_back(v))
    if (frames.empty() || static_cast<int>(frames.back().size()) == columns) frames.emplace_back();
  return frames;
}

// Open then Save (or the synthesis input) gives back every value of every
// frame, those the pieces do not show included; a deleted piece's values go.
TEST_F(KlattTracksTest, OpenThenSaveKeepsEveryValue) {
  const auto ex = test::sourceDataDir() / "examples";
  auto raw = [](int frames, int step, int start, auto set, int columns = 56) {
    return klattFile(frames, step, start, set, columns, true);
  };
  const auto hiddenA1 = raw(20, 5, 0, [](int k, KlattRecord& r) { r[kF1hz] = k < 10 ? 500 : 0, r[kA1] = 50, r[kB1hz] = 80; });
  const std::tuple<const char*, std::string, int> cases[] = {
      {"aiu", test::readFile(ex / "vowels-aiu.kle"), 56}, {"asa", test::readFile(ex / "fricative-asa.kle"), 56},
      {"ama", test::readFile(ex / "nasal-ama.kle"), 56}, {"F1 0 under A1, B1", hiddenA1, 56},
      {"F0 tenths, AVdb fading at the default F0", raw(20, 5, 0, [](int k, KlattRecord& r) {
         r[kF0hz10] = k < 10 ? 1235 : 1000 + k % 3, r[kAVdb] = k < 10 ? 60 : 30 - 3 * (k - 10); }), 56},
      {"negatives, beyond float precision", raw(10, 5, 0, [](int k, KlattRecord& r) {
         r[kF2hz] = 123456789 + k, r[kA2] = -5 - k, r[kB2hz] = INT32_MAX, r[kKskew] = -1; }), 56},
      {"default frames around, keys toggling", raw(30, 4, 0, [](int k, KlattRecord& r) {
         if (k >= 5 && k < 25) r[kF1hz] = k % 2 ? 0 : 400, r[kFNPhz] = k % 3 ? 250 : 0, r[kBNPhz] = 100 + k; }), 56},
      {"3-ms step from 600 ms", raw(15, 3, 600, [](int k, KlattRecord& r) { r[kF3hz] = 2500 + k; }), 56},
      {"one frame", raw(1, 5, 40, [](int, KlattRecord& r) { r[kAF] = 30; }), 56},
      {".kla", raw(12, 5, 0, [](int k, KlattRecord& r) { r[kF1hz] = k % 4 ? 700 : 0, r[kB1hz] = 70 + k; }, 41), 41},
      {".klf", raw(12, 5, 0, [](int k, KlattRecord& r) { r[kRax1000] = 20 + k, r[kF4hz] = 3300; }, 44), 44},
  };
  for (const auto& [name, text, columns] : cases) {
    SCOPED_TRACE(name);
    KlattTracks t;
    ASSERT_TRUE(t.open(file("in.kl", text), std::nullopt));
    for (const int written : {41, 56}) {
      ASSERT_TRUE(t.write(dir_ / "out.kle", written, 0, INT32_MAX));
      auto in = frameValues(text, columns), out = frameValues(test::readFile(dir_ / "out.kle"), written);
      for (auto& v : in) v.resize(std::min(columns, written));
      for (auto& v : out) v.resize(std::min(columns, written));
      EXPECT_EQ(out, in) << written << " columns";
    }
  }
  KlattTracks t;
  ASSERT_TRUE(t.open(file("in.kle", hiddenA1), std::nullopt));
  t.selectGroup(1);
  ASSERT_EQ(t.deleteSelected(), 1);
  ASSERT_TRUE(t.write(dir_ / "out.kle", 56, 0, INT32_MAX));
  const auto out = frameValues(test::readFile(dir_ / "out.kle"), 56);
  ASSERT_EQ(out.size(), 20u);
  EXPECT_EQ((std::array{out[0][kF1hz], out[0][kA1], out[0][kB1hz], out[15][kA1], out[15][kB1hz]}),
            (std::array<long long, 5>{0, 0, 50, 50, 80}));
}

// Random files: every group's key in runs of default and non-default values,
// other columns random within the scale limits.
std::string randomFile(std::mt19937& rng, int frames, int step) {
  std::vector<bool> on(kKlattGroups, false);
  std::uniform_int_distribution<int> coin(0, 9), value(60, 3000), level(-60, 60);
  return klattFile(frames, step, 0, [&](int, KlattRecord& r) {
    for (int g = 0; g < kKlattGroups; ++g) {
      if (coin(rng) == 0) on[g] = !on[g];
      if (!on[g]) continue;
      const auto& group = klattGroups()[g];
      for (int c = 0; c < group.columns; ++c) r[group.params[c]] = c == 1 ? level(rng) : value(rng);
    }
  });
}

TEST_F(KlattTracksTest, WritingThenReadingGivesTheSamePieces) {
  std::mt19937 rng(4);
  for (int round = 0; round < 8; ++round) {
    KlattTracks a, b;
    ASSERT_TRUE(a.open(file("r.kle", randomFile(rng, 200, 4)), std::nullopt));
    ASSERT_TRUE(a.write(dir_ / "w.kle", 56, 0, 100000));
    ASSERT_TRUE(b.open(dir_ / "w.kle", std::nullopt));
    EXPECT_EQ(rows(a), rows(b)) << "round " << round;
    ASSERT_TRUE(a.writeFormants(dir_ / "w.for", 0, 100000));
    ASSERT_TRUE(b.openFormants(dir_ / "w.for"));
    for (int g = 1; g <= 6; ++g) ASSERT_EQ(a.groups[g].size(), b.groups[g].size()) << "formant listing, group " << g;
  }
}

// The lines of `text` after its type word dated 4 * (k / 3) ms: three
// records at each date.
std::string repeatedDates(const std::string& text) {
  std::istringstream in(text);
  std::string line, out;
  std::getline(in, line);
  out = line + "\n";
  for (int k = 0; std::getline(in, line); ++k) {
    line.erase(0, line.find(' '));
    out += std::to_string(4 * (k / 3)) + line + "\n";
  }
  return out;
}

// Files converted in stretches (of 100 ms here) are the files converted
// whole, whatever the steps, the columns, a gap, a start before 0 or
// records that share a date.
TEST_F(KlattTracksTest, ConvertedInStretchesAsWhole) {
  std::mt19937 rng(5);
  for (int round = 0; round < 5; ++round) {
    const int inStep = round % 2 ? 10 : 4;
    const std::string later = test::klattFile(30, 3, 4000 + round, [](int k, KlattRecord& r) { r[kF1hz] = 500 + k; });
    const fs::path in = file("s.kle", randomFile(rng, 150, inStep) + later.substr(later.find('\n') + 1));
    if (round == 3) test::writeFile(in, test::klattFile(40, 4, -30, [](int k, KlattRecord& r) { r[kF2hz] = 1500 + 7 * k; }));
    if (round == 4) test::writeFile(in, repeatedDates(randomFile(rng, 300, 4)));
    for (const int step : {4, 5})
      for (const int columns : {56, 41, 0}) {
        KlattTracks whole;
        whole.stepMs = step;
        ASSERT_TRUE(whole.open(in, std::nullopt, false));
        ASSERT_TRUE(columns ? whole.write(dir_ / "whole", columns, INT32_MIN, INT32_MAX)
                            : whole.writeFormants(dir_ / "whole", INT32_MIN, INT32_MAX));
        ASSERT_TRUE(convertKlattFile(in, dir_ / "parts", columns, step, whole.frequence, whole.defaults, 100));
        ASSERT_EQ(test::readFile(dir_ / "parts"), test::readFile(dir_ / "whole"))
            << "round " << round << ", step " << step << ", " << columns << " columns";
      }
  }
}

// Random edit sequences keep every piece non-empty with ascending dates, the
// lists in start order, the committed and shifted values inside the scale,
// and commits change no point outside the working track's stretch; a merge
// loses no point of its pieces outside an earlier piece and changes nothing
// with fewer than two selected pieces.
TEST_F(KlattTracksTest, RandomEditsKeepTheInvariants) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> op(0, 7), group(0, kKlattGroups - 1), scaleOf(0, kKlattScales - 1);
  KlattTracks t;
  ASSERT_TRUE(t.open(file("e.kle", randomFile(rng, 300, 4)), std::nullopt));
  for (int step = 0; step < 150; ++step) {
    t.scale = scaleOf(rng);
    const int g = group(rng);
    std::int32_t from = 0, to = 0;
    switch (op(rng)) {
      case 0: t.setStep(std::array{2, 4, 8, 16}[rng() % 4]); break;
      case 1: t.selectGroup(g); t.translateSelected(static_cast<int>(rng() % 400) - 200.0); t.selectAll(false); break;
      case 2: ASSERT_TRUE(t.paste(file("p.kle", randomFile(rng, 50, 4)), static_cast<int>(rng() % 1200), 16000)); break;
      case 3: t.selectGroup(g); t.removeFirstPointOfSelected(); t.removeLastPointOfSelected(); t.selectAll(false); break;
      case 4: if (rng() % 4 == 0) { t.selectGroup(g); t.deleteSelected(); } break;
      case 5: {  // merge a random choice of the group's pieces
        const auto before = rows(t);
        std::vector<std::vector<double>> kept;  // (date, values) of selected points no earlier piece covers
        std::int32_t reach = INT32_MIN;
        int chosen = 0;
        for (auto& p : t.groups[g]) {
          p->selected = rng() % 2 == 0;
          if (!p->selected) continue;
          ++chosen;
          for (int i = 0; i < p->nbPoints; ++i) {
            if (p->date(i) <= reach) continue;
            std::vector<double> row{static_cast<double>(p->date(i))};
            for (int c = 0; c < p->valueColumns(); ++c) row.push_back(p->y(i, c));
            kept.push_back(row);
          }
          reach = std::max(reach, p->fin());
        }
        const std::size_t unselected = t.groups[g].size() - chosen;
        ASSERT_EQ(t.mergeSelected(), chosen >= 2 ? 1 : 0);
        t.selectAll(false);
        if (chosen < 2) {
          EXPECT_EQ(rows(t), before) << "step " << step;
          break;
        }
        ASSERT_EQ(t.groups[g].size(), unselected + 1) << "step " << step;
        std::vector<std::vector<double>> merged;
        for (const auto& row : rows(t))
          if (row[0] == g) merged.emplace_back(row.begin() + 1, row.end()), merged.back().erase(merged.back().begin() + 1);
        std::sort(merged.begin(), merged.end());
        for (const auto& row : kept) EXPECT_TRUE(std::binary_search(merged.begin(), merged.end(), row)) << "step " << step;
        break;
      }
      default: {
        auto before = rows(t);
        from = static_cast<std::int32_t>(rng() % 1200);
        to = from + static_cast<std::int32_t>(rng() % 300);
        for (int d = from; d <= to; d += 1 + static_cast<int>(rng() % 5))
          t.working.points.push_back({d, 0, {static_cast<float>(static_cast<int>(rng() % 20000) - 10000)}});
        to = t.working.points.back().date;
        const bool committed = t.commitWorking(g);
        EXPECT_TRUE(t.working.points.empty() || !committed);
        t.working.points.clear();
        if (!committed) break;
        auto after = rows(t);
        const int column = klattScaleColumn(t.scale, g);
        const auto& s = klattScales()[t.scale];
        auto sorted = before;
        std::sort(sorted.begin(), sorted.end());
        for (const auto& row : after)  // a changed or new point holds a committed value
          if (row[0] == g && !std::binary_search(sorted.begin(), sorted.end(), row)) {
            EXPECT_GE(row[3 + column], s.minimum);
            EXPECT_LE(row[3 + column], s.maximum);
          }
        auto outside = [&](std::vector<std::vector<double>>& r) {
          std::erase_if(r, [&](const auto& row) { return row[0] == g && row[1] >= from - 16 && row[1] <= to + 16; });
        };
        outside(before);
        outside(after);
        EXPECT_EQ(before, after) << "step " << step;
      }
    }
    for (const auto& list : t.groups) {
      std::int32_t start = INT32_MIN;
      for (const auto& p : list) {
        ASSERT_GT(p->nbPoints, 0);
        EXPECT_GE(p->debut(), start) << "step " << step;
        start = p->debut();
        for (int i = 1; i < p->nbPoints; ++i) ASSERT_GT(p->date(i), p->date(i - 1)) << "step " << step;
      }
    }
  }
}

TEST_F(KlattTracksTest, FormantListingLinesAndBadLines) {
  FormantListingFrame f;
  f.dateMs = 12;
  f.formants[0] = {500, 60, 4003};
  std::string line;
  appendFormantListingLine(line, f);
  EXPECT_EQ(line.substr(0, 40), "date 12 (12 ms) F1=500 60 4003 F2=0 0 0 ");
  const std::string bads[] = {std::string(301, ' ') + line, "date x (1 ms)\n", "date 4 (4 ms) F1=nan 0 0\n",
                              line + line.substr(0, 6) + "0" + line.substr(7), "date 1 (1 ms) F2=1 2 3\n"};
  for (const auto& bad : bads) {
    ScopedRecorder recorder;
    std::vector<FormantListingFrame> frames;
    EXPECT_FALSE(readFormantListing(file("bad.for", bad), frames)) << bad;
    EXPECT_TRUE(recorder->saw(text(6406))) << bad;
  }
}

}  // namespace
}  // namespace ardv
