// Label files: every kind written and read back within its unit, the
// layouts' fixed lines, malformed files and the safe replacement on write;
// TextGrid export and import: round trips, the long and short formats as Praat
// writes them, encodings, and files that are not TextGrids.

#include "annotation/label_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <tuple>

#include "annotation/textgrid.h"
#include "labels/phonetic_description.h"
#include "platform/headless/recording_reporter.h"
#include "tests/annotation/marks.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv {
namespace {

using test::listOf;
using test::Marks;
using test::marksOf;

class LabelFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    textTable().loadText(
        "206, \"Cannot read: \"\n207, \" in \"\n4701, \"not ALIGN\"\n4702, \"no word file\"\n"
        "4703, \"%d unknown\"\n4704, \"no phoneme file\"\n7701, \"cannot write\"\n3601, \" not writable\"\n",
        "test");
    phoneticDescription().loadText("phon \"\" \"none\"\nphon \"a\" \"a\"\nphon \"ai\" \"ai\"\nphon \"p\" \"p\"\n");
    info_.nom = (dir_.path() / "s.raw").string();
    info_.nom_man = (dir_.path() / "s.lab").string();
    info_.nomAnnot = (dir_.path() / "s.wrd").string();
    info_.frequence = 16000;
  }
  void TearDown() override { phoneticDescription().clear(); }

  ScopedRecorder rec;
  test::TempDir dir_;
  infoFile info_;
};

// Positions on multiples of 128 samples (8 ms at 16 kHz) survive every unit.
const Marks kPhonemes{{0, "p"}, {1280, ""}, {2560, "ai"}, {3840, "a"}, {5120, ""}};
const Marks kWords{{128, "hello"}, {2560, ""}, {3840, "world"}, {6400, ""}};

// Every kind written and read back; the last segment ends before the end of
// the signal, or exactly at it.
TEST_F(LabelFilesTest, EveryKindRoundTrips) {
  for (const auto& [words, kind] : {std::pair<bool, int>{false, kLabelQern}, {false, kLabelNist}, {false, kLabelSam},
                                    {false, kLabelAlign}, {true, kAnnotVecsys}, {true, kAnnotNist}, {true, kAnnotSam},
                                    {true, kAnnotNoisex}}) {
    (words ? info_.annotationKind : info_.labelKind) = kind;
    const Marks& marks = words ? kWords : kPhonemes;
    for (const std::int64_t tf : {std::int64_t{100000}, std::int64_t{marks.back().first}}) {
      info_.longueur = 2 * tf;
      ASSERT_TRUE(words ? writeAnnotations(listOf(marks), info_, tf) : writeLabels(listOf(marks), info_, tf));
      notetiqs back;
      back.insertOrGet(7);  // reading replaces the list
      EXPECT_TRUE(words ? readAnnotations(back, info_) : readLabels(back, info_));
      EXPECT_EQ(marksOf(back), marks) << words << " " << kind << " " << tf;
      EXPECT_TRUE(rec->reports().empty());
    }
  }
}

TEST_F(LabelFilesTest, LayoutsAsWritten) {
  info_.labelKind = kLabelQern;
  const notetiqs list = listOf({{0, "a"}, {160, ""}, {480, "p"}, {800, ""}});
  EXPECT_EQ(formatPhonemeFile(list, info_, 100000),
            "swap\n16000.00\n{ a},    0,   10,    5, (       0,     320)\n"
            "{  },   10,   30,   20, (     320,     960)\n{ p},   30,   50,   40, (     960,    1600)\n");
  info_.labelKind = kLabelAlign;
  // The segment ending at tf is written, the one after it is not.
  EXPECT_EQ(formatPhonemeFile(list, info_, 480), ".ali\nfreq_echt 16000\n\t         0         10 \ta\n\t        10         30 \t\n"
                                                 "\t        30          0 \tFIN\n\n" + info_.nom + "\n");
  info_.annotationKind = kAnnotVecsys;  // units of 128 samples (read back: the VECSYS row of ParsedContents)
  info_.swap = 1;
  EXPECT_EQ(formatWordFile(listOf({{200, "w"}, {300, ""}}), info_, 1000), "1 L 16 N\n1 2 w\n");
  info_.annotationKind = kAnnotNoisex;
  const std::string noisex = formatWordFile(listOf({{200, "w x"}, {300, ""}}), info_, 1000);
  EXPECT_NE(noisex.find("TYP: orthographic\n"), std::string::npos);
  EXPECT_NE(noisex.find("UTS:       200,       300, , , , w x\nELF:\n"), std::string::npos);
}

// (word file?, kind, content): whether all of it was read into a list that
// held a segment 5..9, the list then, and the one report if any.
TEST_F(LabelFilesTest, ParsedContents) {
  struct Row {
    bool words;
    int kind;
    std::string content;
    bool ok;
    Marks marks;
    std::string says;
  };
  const Marks kept{{5, "x"}, {9, ""}};
  const auto none = [](std::string kind) { return "no records read from f (is it " + kind + "? UTF-16?)"; };
  const Row rows[] = {
      // Unknown labels are counted once; NIST drops them silently.
      {false, kLabelAlign, ".ali\nfreq_echt 16000\n 0 10 vcl\n 10 20 zz\n 20 30 #\n 30 40 qq\n 40 0 FIN\n", false,
       {{0, "vcl"}, {160, ""}, {320, "#"}, {480, ""}, {640, ""}}, "2 unknown"},
      {false, kLabelNist, "0 10 zz\n10 20 a\n", true, {{0, ""}, {10, "a"}, {20, ""}}, ""},
      // Reading stops at a bad SAM line; bad VECSYS lines are reported once and reading goes on.
      {false, kLabelSam, "LBD:\nLBB: 0, 5, 10, a\nLBB: 10, 15\nLBB: 20, 25, 30, p\n", false, {{0, "a"}, {10, ""}},
       "Cannot read: LBB: 10, 15 in f"},
      {true, kAnnotVecsys, "2 L 16 R\n1 x w\n  2 3 v\nbad\n", false, {{256, "v"}, {384, ""}},
       "Cannot read: 1 x w in f\n(1 more lines"},
      // Nothing can be read: the list stays.
      {false, kLabelAlign, "ali\n", false, kept, "not ALIGN"},
      {false, kLabelNist, std::string("\x01\xff\0bin\n\x7f\x02", 9), false, kept, none("NIST")},
      {false, kLabelNist, std::string("0\0 \0001\0000\0 \0a\0\n\0", 14), false, kept, none("NIST")},  // UTF-16, no mark
      {false, kLabelQern, "0 10 a\n10 20 p\n", false, kept, none("QERN")},
      {false, kLabelSam, "LBD:\nLBR: 0, 10, , , , w\nELF:\n", false, kept, none("SAM")},
      {false, kLabelAlign, ".ali\nfreq_echt 16000\n 99999999999999 0 a\n", false, kept, none("ALIGN")},
      {true, kAnnotVecsys, "1 L 16 R\n5\n", false, kept, none("VECSYS")},
      {true, kAnnotNist, "100 50 w\n99999999999 99999999999 x\n", false, kept, none("NIST")},
      {true, kAnnotSam, "LBR: 5\n", false, kept, none("SAM")},
      {true, kAnnotNoisex, "File type = \"ooTextFile\"\n", false, kept, none("NOISEX")}};
  for (const Row& r : rows) {
    rec->clear();
    (r.words ? info_.annotationKind : info_.labelKind) = r.kind;
    notetiqs list = listOf(kept);
    const bool ok =
        r.words ? parseWordFile(r.content, info_, "f", list) : parsePhonemeFile(r.content, info_, "f", list);
    EXPECT_EQ(ok, r.ok) << r.content;
    EXPECT_EQ(marksOf(list), r.marks) << r.content;
    EXPECT_EQ(rec->reports().size(), r.says.empty() ? 0u : 1u) << r.content;
    EXPECT_TRUE(r.says.empty() || rec->saw(r.says)) << r.content;
  }
}

TEST_F(LabelFilesTest, MissingFilesKeepTheList) {
  info_.annotationKind = kAnnotVecsys;
  info_.labelKind = kLabelQern;
  notetiqs list = listOf(kWords);
  EXPECT_FALSE(readAnnotations(list, info_));
  EXPECT_TRUE(rec->saw("no word file"));
  EXPECT_FALSE(readLabels(list, info_));
  EXPECT_TRUE(rec->saw("no phoneme file"));
  EXPECT_EQ(marksOf(list), kWords);
  EXPECT_EQ(rec->count(ReportKind::Message), 2u);
}

TEST_F(LabelFilesTest, Utf16PositionsOutsideAndLineBreaks) {
  info_.annotationKind = kAnnotNist;
  info_.longueur = 2 * 200;  // 200 samples
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("0 10 w\r\n10 900 v\n")) utf16 += {c, '\0'};
  notetiqs list;
  EXPECT_TRUE(parseWordFile(utf16, info_, "f", list));
  EXPECT_EQ(marksOf(list), (Marks{{0, "w"}, {10, "v"}, {200, ""}}));
  EXPECT_TRUE(rec->saw("f: 1 label boundaries lay outside the signal (0 to 200 samples)"));
  // A line feed in a label would make extra lines: the file is not written.
  EXPECT_FALSE(writeAnnotations(listOf({{0, "a"}, {5, "b\nc"}, {9, ""}}), info_, 200));
  EXPECT_TRUE(rec->saw("(segment 2) holds a line break"));
  EXPECT_FALSE(std::filesystem::exists(info_.nomAnnot));
}

TEST_F(LabelFilesTest, FailedWriteKeepsThePreviousFile) {
  info_.annotationKind = kAnnotNist;
  test::writeFile(info_.nomAnnot, "0 10 old\n");
  {
    const test::FileSizeLimit noRoom(0);
    EXPECT_FALSE(writeAnnotations(listOf(kWords), info_, 100000));
  }
  EXPECT_EQ(test::readFile(info_.nomAnnot), "0 10 old\n");
  EXPECT_TRUE(rec->saw("cannot write"));
  EXPECT_EQ(rec->reports().size(), 1u);
}

TEST(TextGrid, ExportedGridHasBothTiersWithGapsAsEmptyIntervals) {
  const std::string grid = formatTextGrid(listOf({{800, "a"}, {1600, ""}}), notetiqs(), 16000, 3200);
  EXPECT_EQ(grid.substr(0, 101),
            "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\nxmin = 0 \nxmax = 0.2 \ntiers? <exists> \nsize = 2 \n");
  EXPECT_NE(grid.find("name = \"phonemes\" \n        xmin = 0 \n        xmax = 0.2 \n        intervals: size = 3 \n"
                      "        intervals [1]:\n            xmin = 0 \n            xmax = 0.05 \n            text = \"\" \n"
                      "        intervals [2]:\n            xmin = 0.05 \n            xmax = 0.1 \n            text = \"a\" \n"),
            std::string::npos);
  EXPECT_NE(grid.find("name = \"words\" \n        xmin = 0 \n        xmax = 0.2 \n        intervals: size = 1 \n"),
            std::string::npos);
}

// In memory, and every tenth round through a file.
TEST(TextGrid, RandomListsRoundTrip) {
  test::TempDir dir;
  const std::string path = (dir.path() / "x.TextGrid").string();
  std::mt19937 rng(11);
  const std::vector<std::string> labels{"", "a", "say \"hi\"", "\xC9\x99", "two words"};
  for (int round = 0; round < 300; ++round) {
    const double frequence = round % 2 ? 16000 : 22050;
    const std::int64_t tf = 50000;
    Marks phon, word;
    for (Marks* m : {&phon, &word}) {
      std::int32_t p = std::uniform_int_distribution<int>(0, 300)(rng);
      const int n = std::uniform_int_distribution<int>(0, 8)(rng);
      for (int i = 0; i < n && p < tf - 1; ++i) {
        m->emplace_back(p, labels[std::uniform_int_distribution<std::size_t>(0, labels.size() - 1)(rng)]);
        p += std::uniform_int_distribution<int>(1, 3000)(rng);
      }
      if (!m->empty()) m->back().second.clear();
    }
    notetiqs p2, w2;
    ScopedRecorder rec;
    if (round % 10 == 0) {
      ASSERT_TRUE(exportTextGrid(path, listOf(phon), listOf(word), frequence, tf));
      ASSERT_TRUE(importTextGrid(path, frequence, tf, p2, w2));
    } else {
      ASSERT_TRUE(parseTextGrid(formatTextGrid(listOf(phon), listOf(word), frequence, tf), frequence, tf, "g", p2, w2));
    }
    // A first boundary at 0 with an empty segment is the grid's own start.
    for (Marks* m : {&phon, &word})
      if (!m->empty() && m->front() == Marks::value_type{0, ""}) m->erase(m->begin());
    EXPECT_EQ(marksOf(p2), phon) << round;
    EXPECT_EQ(marksOf(w2), word) << round;
  }
}

// As Praat writes the short format, with a point tier and a last interval
// that ends at the end of the signal.
const char* const kShortGrid =
    "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n0.5\n<exists>\n3\n"
    "\"TextTier\"\n\"events\"\n0\n0.5\n1\n0.2\n\"click\"\n"
    "\"IntervalTier\"\n\"words\"\n0\n0.5\n2\n0\n0.25\n\"\"\n0.25\n0.5\n\"end\"\n"
    "\"IntervalTier\"\n\"phonemes\"\n0\n0.5\n3\n0\n0.1\n\"p\"\n0.1\n0.3\n\"\"\n0.3\n0.5\n\"\"\n";

TEST(TextGrid, ShortFormatTiersByNameLastSegmentEndsAtTheEnd) {
  notetiqs p, w;
  ASSERT_TRUE(parseTextGrid(kShortGrid, 1000, 500, "g", p, w));
  EXPECT_EQ(std::tuple(marksOf(p), marksOf(w)),
            std::tuple(Marks{{0, "p"}, {100, ""}, {300, ""}}, Marks{{250, "end"}, {500, ""}}));
}

TEST(TextGrid, Utf16AndByteOrderMarksAreRead) {
  // U+0259 written as UTF-16 by hand in both byte orders.
  auto utf16 = [](const std::string& ascii, bool big) {
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
      const char hi = c == '@' ? '\x02' : '\0', lo = c == '@' ? '\x59' : c;
      out += big ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
  };
  const std::string ascii = formatTextGrid(listOf({{0, "@"}, {10, ""}}), notetiqs(), 100, 20);
  for (const auto& [grid, label] :
       {std::pair{utf16(ascii, false), "\xC9\x99"}, {utf16(ascii, true), "\xC9\x99"}, {"\xEF\xBB\xBF" + ascii, "@"}}) {
    notetiqs p, w;
    ASSERT_TRUE(parseTextGrid(grid, 100, 20, "g", p, w)) << label;
    EXPECT_EQ(marksOf(p), (Marks{{0, label}, {10, ""}}));
  }
}

TEST(TextGrid, FilesThatAreNotGridsChangeNothing) {
  const std::string head = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n";
  for (const std::string& bad :
       {std::string(""), std::string("hello"), std::string("File type = \"ooTextFile\"\nObject class = \"Sound\"\n"),
        std::string(kShortGrid).substr(0, 150), std::string(kShortGrid) + "\"open", head + "0 1 <exists> 99999999999\n",
        head + "0 0.5 <exists> 1\n\"TextTier\" \"events\" 0 0.5 1 0.2 \"click\"\n"}) {
    ScopedRecorder rec;
    notetiqs p = listOf({{5, "x"}, {9, ""}}), w = p;
    EXPECT_FALSE(parseTextGrid(bad, 1000, 500, "bad.TextGrid", p, w));
    EXPECT_EQ(std::tuple(marksOf(p), marksOf(w)), std::tuple(Marks{{5, "x"}, {9, ""}}, Marks{{5, "x"}, {9, ""}}));
    EXPECT_EQ(rec->count(ReportKind::Message), 1u);
    EXPECT_TRUE(rec->saw("bad.TextGrid"));
  }
}

// Saving over a grid replaces the tiers read into the lists, in their places
// and with their names, and writes every other tier again as it was: from
// the short format with the same times and texts, from the long one byte for
// byte.
TEST(TextGrid, OtherTiersSurviveASaveOverTheGrid) {
  std::string fourTiers = kShortGrid;
  fourTiers.replace(fourTiers.find("<exists>\n3\n"), 11, "<exists>\n4\n");
  fourTiers += "\"IntervalTier\"\n\"notes\"\n0\n0.5\n1\n0.125\n5e-1\n\"say \"\"so\"\"\"\n";
  const auto block = [](const std::string& grid, const std::string& name) {  // from the name to the next tier
    const std::size_t from = grid.find("name = \"" + name + "\"");
    return from == std::string::npos ? std::string() : grid.substr(from, grid.find("    item [", from) - from);
  };
  const notetiqs p1 = listOf({{50, "m"}, {400, ""}}), w1 = listOf({{0, "one"}, {450, ""}});
  const notetiqs p2 = listOf({{10, "n"}, {20, ""}}), w2;
  // The window shows the two others read-only, times in samples.
  const auto others = otherTextGridTiers(fourTiers, 1000);
  ASSERT_TRUE(others && others->size() == 2u);
  EXPECT_EQ(std::tuple((*others)[0].name, (*others)[0].points, (*others)[0].items[0].start, (*others)[0].items[0].text),
            std::tuple(std::string("events"), true, std::int64_t(200), std::string("click")));
  EXPECT_EQ(std::tuple((*others)[1].name, (*others)[1].items[0].start, (*others)[1].items[0].end),
            std::tuple(std::string("notes"), std::int64_t(125), std::int64_t(500)));
  EXPECT_FALSE(otherTextGridTiers("hello", 1000));
  const auto first = mergeTextGrid(fourTiers, p1, w1, 1000, 500);
  ASSERT_TRUE(first);
  EXPECT_EQ(textGridTiers(*first)->all, (std::vector<std::string>{"events", "words", "phonemes", "notes"}));
  EXPECT_NE(block(*first, "events").find("number = 0.2 \n            mark = \"click\" \n"), std::string::npos);
  EXPECT_NE(block(*first, "notes").find("xmin = 0.125 \n            xmax = 5e-1 \n            text = \"say \"\"so\"\"\""),
            std::string::npos);
  const auto second = mergeTextGrid(*first, p2, w2, 1000, 500);
  ASSERT_TRUE(second);
  for (const char* kept : {"events", "notes"}) EXPECT_EQ(block(*second, kept), block(*first, kept)) << kept;
  notetiqs p, w;
  ASSERT_TRUE(parseTextGrid(*second, 1000, 500, "g", p, w));
  EXPECT_TRUE(marksOf(p) == marksOf(p2) && w.count() == 0);
  // Not a grid: nothing to keep, the caller writes a plain one.
  EXPECT_FALSE(mergeTextGrid("hello", p1, w1, 1000, 500));
  EXPECT_EQ(*mergeTextGrid(formatTextGrid(p2, w2, 1000, 500), p1, w1, 1000, 500), formatTextGrid(p1, w1, 1000, 500));
}

}  // namespace
}  // namespace ardv
